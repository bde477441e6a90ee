#pragma once

#include "compose/ComposeWindowController.h"
#include "compose/EscapeKeyFilter.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

class QScreen;

namespace tavro {

class ComposeView;
class FlowDesktop;
class ThumbnailLoader;

// The note box's floating window: frameless, on top, on every desktop, holding one
// ComposeView inside a thin border. Where a compositor runs, the window is translucent: its
// corners are rounded smoothly and a soft shadow lies around the box; elsewhere the window's
// shape rounds the corners. A dialog to a screen reader: a box that asks for a note and goes.
class ComposePanel final : public QDialog {
    Q_OBJECT

public:
    static constexpr double cornerRadius = 16;
    // Room around the box for its shadow, on a translucent window only.
    static constexpr int shadowMargin = 24;
    static constexpr int shadowOffset = 6;

    // `desktop` shows the box on every desktop and asks the focus for it.
    ComposePanel(ComposeView* view, bool composited, FlowDesktop& desktop);
    ComposeView* view() const { return view_; }
    bool composited() const { return composited_; }
    // The box itself, in the window's coordinates.
    QRect boxRect() const;
    // The shadow under the box, as the window paints it (empty without a compositor).
    const QImage& shadow() const { return shadow_; }

protected:
    // Keys the box does not take go on as from any window: Escape belongs to the controller,
    // which discards the capture, where a dialog would only hide itself.
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void askForFocus();

    ComposeView* view_;
    bool composited_;
    FlowDesktop& desktop_;
    // A window manager busy with another window's focus can pass over the box's own request.
    QTimer focusRequest_;
    QDeadlineTimer focusRequestsUntil_;
    QWidget* edge_ = nullptr;
    QImage shadow_;
};

// Opens and closes the note box for the capture flow. Closes the box before each callback but
// onCreateGroup runs, and discards on Escape (which first leaves a new group's name field).
class ComposePanelController final : public QObject, public ComposeWindowController {
    Q_OBJECT

public:
    using DefaultGroup = std::function<std::optional<std::string>()>;

    ComposePanelController(ThumbnailLoader& loader, FlowDesktop& desktop,
                           DefaultGroup defaultGroupID, QObject* parent = nullptr);
    ~ComposePanelController() override;
    ComposePanelController(const ComposePanelController&) = delete;
    ComposePanelController& operator=(const ComposePanelController&) = delete;

    void present(const PendingCapture& pending, const std::vector<CaptureGroup>& groups,
                 ComposeCallbacks callbacks) override;
    void dismiss() override;
    bool hasPanel() const override { return !panel_.isNull(); }
    std::optional<ComposeDraft> openDraft() const override;

    ComposePanel* panel() const { return panel_; }
    EscapeKeyFilter* escapeFilter() const { return escapeFilter_; }

    // The screen named `displayName`, else the primary one.
    static QScreen* screenFor(const std::optional<std::string>& displayName);
    // Centred on the available area, its centre 8% of the area's height above the middle.
    static QPoint placement(const QRect& available, const QSize& panel);

private:
    // Where the text cursor stood in the note of the capture whose box closed last: a box
    // opened again for it (after "Add", the mark-up or a failed save) puts it back there.
    struct NoteCursor {
        std::string captureID;
        int position = 0;
    };

    ThumbnailLoader& loader_;
    FlowDesktop& desktop_;
    DefaultGroup defaultGroupID_;
    std::optional<NoteCursor> noteCursor_;
    QPointer<ComposePanel> panel_;
    QPointer<EscapeKeyFilter> escapeFilter_;
};

} // namespace tavro
