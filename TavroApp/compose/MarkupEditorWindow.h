#pragma once

#include "compose/AnnotationEditorWindowController.h"
#include "compose/MarkupStyle.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace tavro {

class MarkupEditorView;
class Preferences;

// The editor's window: closing it with its close button is a cancel; a close the controller
// makes itself is not.
class MarkupEditorWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize contentSize{940, 700};
    static constexpr QSize minimumContentSize{640, 480};

    explicit MarkupEditorWindow(MarkupEditorView* view);

    MarkupEditorView* view() const { return view_; }
    // Hides and closes the window without reporting anything; it deletes itself later.
    void closeQuietly();

signals:
    // The user closed the window.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MarkupEditorView* view_;
    bool closingQuietly_ = false;
};

// Opens the editor on one screenshot in its own window, at most one at a time, and hands the
// saved mark-up or the end without a save back to the caller once the window is gone.
class MarkupEditorController final : public QObject, public AnnotationEditorWindowController {
    Q_OBJECT

public:
    // Shows a modal alert; tests replace it.
    using Alert = std::function<void(const QString& title, const QString& text)>;

    explicit MarkupEditorController(Preferences& preferences, QObject* parent = nullptr);
    ~MarkupEditorController() override;

    void present(const CaptureImage& image, SaveHandler onSave, EndHandler onEnd) override;
    bool hasWindow() const override { return !window_.isNull(); }
    // Closes the window it holds without calling anything.
    void dismiss();
    MarkupEditorWindow* window() const { return window_; }
    void setAlert(Alert alert) { alert_ = std::move(alert); }

private:
    MarkupStyle storedStyle() const;
    void storeStyle(const MarkupStyle& style);

    Preferences& preferences_;
    QPointer<MarkupEditorWindow> window_;
    Alert alert_;
};

} // namespace tavro
