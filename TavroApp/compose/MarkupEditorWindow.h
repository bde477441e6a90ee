#pragma once

#include "compose/AnnotationEditorWindowController.h"
#include "compose/MarkupStyle.h"

#include "model/Image.h"

#include <QMainWindow>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <optional>

namespace tavro {

class MarkupEditorView;
class Preferences;

// The editor's window: closing it with its close button is a cancel; a close the controller
// makes itself is not. A main window, which a screen reader takes for a window.
class MarkupEditorWindow final : public QMainWindow {
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
// saved mark-up or the end without a save back to the caller once the window is gone. The
// screenshot is decoded on a worker thread; the window opens once it is.
class MarkupEditorController final : public QObject, public AnnotationEditorWindowController {
    Q_OBJECT

public:
    // Shows a modal alert; tests replace it.
    using Alert = std::function<void(const QString& title, const QString& text)>;

    explicit MarkupEditorController(Preferences& preferences, QObject* parent = nullptr);
    ~MarkupEditorController() override;

    void present(const CaptureImage& image, SaveHandler onSave, EndHandler onEnd) override;
    // A window is open, or about to open once its screenshot is decoded.
    bool hasWindow() const override { return !window_.isNull() || opening_; }
    // Closes the window it holds, or drops the one about to open, without calling anything.
    void dismiss();
    MarkupEditorWindow* window() const { return window_; }
    void setAlert(Alert alert) { alert_ = std::move(alert); }

private:
    MarkupStyle storedStyle() const;
    void storeStyle(const MarkupStyle& style);
    void open(const CaptureImage& image, std::optional<Image> original, SaveHandler onSave,
              EndHandler onEnd);

    Preferences& preferences_;
    QPointer<MarkupEditorWindow> window_;
    Alert alert_;
    // Counts presentations, so a decode that finishes after a newer one or a dismissal is dropped.
    quint64 presentation_ = 0;
    bool opening_ = false;
    QThreadPool decoder_;
};

} // namespace tavro
