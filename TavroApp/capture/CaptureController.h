#pragma once

#include "capture/CaptureContext.h"
#include "capture/CaptureServices.h"
#include "compose/AnnotationEditorWindowController.h"
#include "compose/ComposeWindowController.h"
#include "compose/PendingCapture.h"
#include "model/CaptureGroup.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class ContextCollector;
class Library;
class NotificationCenter;
class PermissionsService;
class Preferences;
class SelectionOverlay;

// Runs a capture from the request to the note box and onto the board: the guards that refuse
// a new flow, the selection, the screenshot, the note box's outcomes, and giving the focus and
// the app's hidden windows back at the end. One per app; the app delegate is its only caller.
class CaptureController final : public QObject {
    Q_OBJECT

public:
    // What the current selection or screenshot is for.
    struct Intent {
        enum class Kind { appendToStored, newCapture, appendToPending };
        Kind kind = Kind::newCapture;
        std::string captureID; // appendToStored only

        static Intent newCapture() { return {}; }
        static Intent appendToPending() { return {Kind::appendToPending, {}}; }
        static Intent appendToStored(std::string captureID) {
            return {Kind::appendToStored, std::move(captureID)};
        }
        bool operator==(const Intent&) const = default;
    };

    // The platform's part of the flow, owned by the composition root.
    struct Services {
        SelectionOverlay& overlay;
        ComposeWindowController& compose;
        AnnotationEditorWindowController& editor;
        ScreenGrabber& grabber;
        ContextCollector& context;
        FlowDesktop& desktop;
        FlowTimer& timer;
    };

    static constexpr int regionDelayMs = 80;
    static constexpr int fullScreenDelayMs = 60;
    static constexpr int secondPressWindowMs = 350;
    static constexpr int windowReturnDelayMs = 120;

    CaptureController(Library& library, Preferences& preferences, PermissionsService& permissions,
                      NotificationCenter& notifications, Services services,
                      QObject* parent = nullptr);
    CaptureController(const CaptureController&) = delete;
    CaptureController& operator=(const CaptureController&) = delete;

    // Called when a flow is refused for want of screen-capture access.
    std::function<void()> onNeedsScreenRecording;

    // Each answers whether the flow step started; a refusal has no other effect.
    bool beginRegion(const Intent& intent);
    bool beginFullScreen(const Intent& intent, bool awaitSecondPress);
    // The region request came again while the overlay shows and no drag has begun.
    void secondPressDuringOverlay();
    void presentTextOnly(const CaptureContext& context);
    void beginFlowIfNeeded();
    // Shows the windows hidden for the flow again and, unless told not to, gives the focus back
    // to the app the flow began in.
    void endFlow(bool giveFocusBack = true);

    bool isCapturing() const { return isCapturing_; }
    bool flowActive() const { return flowActive_; }
    const Intent& intent() const { return intent_; }
    void setIntent(const Intent& intent) { intent_ = intent; }
    const std::optional<CaptureContext>& flowContext() const { return flowContext_; }
    void setFlowContext(std::optional<CaptureContext> context) {
        flowContext_ = std::move(context);
    }
    const std::optional<PendingCapture>& pending() const { return pending_; }
    bool fullScreenWindowOpen = false;
    bool fullScreenTextOnlyRequested = false;

    SelectionOverlay& overlay() const { return services_.overlay; }
    ComposeWindowController& compose() const { return services_.compose; }
    AnnotationEditorWindowController& editor() const { return services_.editor; }
    ContextCollector& contextCollector() const { return services_.context; }

    // The screenshot step: waits for the overlay to leave the screen, grabs, and files the
    // image by intent.
    void capture(CaptureMode mode, const std::optional<QRectF>& rect, const QPointF& point,
                 const CaptureContext& context, bool awaitSecondPress);
    // Writes the screenshot's files. Throws CaptureError or a file-system error.
    PendingImage makePendingImage(const QImage& image);

    void presentCompose(const PendingCapture& pending);
    void save(const PendingCapture& pending, const std::string& note, CapturePriority priority,
              const std::optional<std::string>& groupID, const std::vector<std::string>& tags);
    // Removes the files of every screenshot; errors are ignored.
    void discard(const PendingCapture& pending);
    void annotatePending(const PendingImage& image);
    void applyPendingAnnotation(const Annotation& annotation, const std::string& imageID);
    WriteResult<CaptureGroup> createGroup(const std::string& name);

signals:
    void capturingChanged(bool capturing);

private:
    void presentOverlay(const CaptureContext& context);
    bool passesGuards(const Intent& intent);
    bool ensureScreenRecording();
    CaptureContext contextForFlow();
    void setCapturing(bool capturing);
    void grab(CaptureMode mode, const std::optional<QRectF>& rect, const QPointF& point,
              const CaptureContext& context, bool awaitSecondPress);
    void file(const ScreenShot& shot, CaptureMode mode, const CaptureContext& context);
    void fail(const std::exception& error);
    // After a step for a stored capture: a note box that was open for a new capture keeps its
    // flow; otherwise the flow ends.
    void endStoredAppend();
    bool composing() const { return pending_.has_value(); }

    Library& library_;
    Preferences& preferences_;
    PermissionsService& permissions_;
    NotificationCenter& notifications_;
    Services services_;

    bool isCapturing_ = false;
    std::optional<ForegroundWindow> previousApp_;
    // The window in front when the overlay of the current step opened.
    std::optional<ForegroundWindow> overlayFront_;
    std::vector<QPointer<QWidget>> hiddenWindows_;
    bool flowActive_ = false;
    std::optional<CaptureContext> flowContext_;
    std::optional<PendingCapture> pending_;
    Intent intent_;
};

} // namespace tavro
