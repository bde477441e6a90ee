#pragma once

#include "compose/ComposeWindowController.h"
#include "compose/EscapeKeyFilter.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QScreen;

namespace tavro {

class ComposeView;
class ThumbnailLoader;

// The note box's floating window: frameless, on top, rounded, holding one ComposeView.
class ComposePanel final : public QWidget {
    Q_OBJECT

public:
    static constexpr double cornerRadius = 16;

    explicit ComposePanel(ComposeView* view);
    ComposeView* view() const { return view_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ComposeView* view_;
};

// Opens and closes the note box for the capture flow. Closes the box before each callback but
// onCreateGroup runs, and discards on Escape.
class ComposePanelController final : public QObject, public ComposeWindowController {
    Q_OBJECT

public:
    using DefaultGroup = std::function<std::optional<std::string>()>;

    ComposePanelController(ThumbnailLoader& loader, DefaultGroup defaultGroupID,
                           QObject* parent = nullptr);
    ~ComposePanelController() override;
    ComposePanelController(const ComposePanelController&) = delete;
    ComposePanelController& operator=(const ComposePanelController&) = delete;

    void present(const PendingCapture& pending, const std::vector<CaptureGroup>& groups,
                 ComposeCallbacks callbacks) override;
    void dismiss() override;
    bool hasPanel() const override { return !panel_.isNull(); }

    ComposePanel* panel() const { return panel_; }
    EscapeKeyFilter* escapeFilter() const { return escapeFilter_; }

    // The screen named `displayName`, else the primary one.
    static QScreen* screenFor(const std::optional<std::string>& displayName);
    // Centred on the available area, its centre 8% of the area's height above the middle.
    static QPoint placement(const QRect& available, const QSize& panel);

private:
    ThumbnailLoader& loader_;
    DefaultGroup defaultGroupID_;
    QPointer<ComposePanel> panel_;
    QPointer<EscapeKeyFilter> escapeFilter_;
};

} // namespace tavro
