#pragma once

#include "capture/CaptureRecord.h"
#include "capture/FlowRequest.h"
#include "capture/FlowState.h"
#include "capture/FlowWindows.h"
#include "capture/PendingFiles.h"
#include "compose/AnnotationEditorWindowController.h"
#include "compose/ComposeWindowController.h"
#include "desktop/CaptureServices.h"
#include "model/CaptureGroup.h"
#include "values/CaptureContext.h"
#include "values/PendingCapture.h"
#include "values/WriteResult.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class AppActions;
class ContextCollector;
class Library;
class PermissionsService;
class Preferences;
class SelectionOverlay;

// Runs a capture from the request to the note box and onto the board: the guards that refuse
// a new flow, the selection, the screenshot, the note box's outcomes, and giving the focus and
// the app's hidden windows back at the end. It is the one owner of the pending capture, and
// every request enters through request(). One per app.
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
    // The longest the overlay waits for the screen under it before it freezes it.
    static constexpr int screenSettleMs = 250;
    static constexpr int fullScreenDelayMs = 60;
    static constexpr int secondPressWindowMs = 350;
    static constexpr int windowReturnDelayMs = FlowWindows::returnDelayMs;

    CaptureController(Library& library, Preferences& preferences, PermissionsService& permissions,
                      AppActions& actions, Services services, QObject* parent = nullptr);
    CaptureController(const CaptureController&) = delete;
    CaptureController& operator=(const CaptureController&) = delete;

    // Called when a flow is refused for want of screen-capture access.
    std::function<void()> onNeedsScreenRecording;

    // Answers whether the request started a step (or, for a second press, was taken); a
    // refusal has no other effect.
    bool request(const FlowRequest& request);
    // The app is ending (quit, SIGTERM, SIGHUP, a broken X connection): the pending capture
    // is stored as saving the note box would store it, with what the box holds as typed, once
    // its screenshots' files are written. A box with neither a screenshot nor anything typed
    // stores nothing. Touches no window; the flow takes no further step.
    void keepForEnd();

    FlowState state() const { return state_; }
    bool isCapturing() const { return tavro::isCapturing(state_); }
    bool flowActive() const { return state_ != FlowState::idle; }
    const Intent& intent() const { return intent_; }
    const std::optional<PendingCapture>& pending() const { return pending_; }
    // The pending capture's files, written in the background.
    PendingFiles& files() { return files_; }

signals:
    void capturingChanged(bool capturing);

private:
    bool beginRegion(const Intent& intent);
    bool beginFullScreen(bool awaitSecondPress);
    bool beginNote();
    // The region request came again while the overlay shows and no drag has begun.
    void secondPressDuringOverlay();
    void presentOverlay(const CaptureContext& context);
    void overlayCancelled();
    bool passesGuards(const Intent& intent);
    bool ensureScreenRecording();
    CaptureContext contextForFlow();
    void setState(FlowState state);
    // Starts the flow unless it is active already, hiding the app's windows.
    void beginFlow();
    // Shows the windows hidden for the flow again and, unless told not to, gives the focus back
    // to the app the flow began in.
    void endFlow(bool giveFocusBack = true);
    // After a step: back to the note box's capture when there is one, else the flow ends.
    void endStep();

    // The screenshot step: waits for the overlay to leave the screen, grabs, and files the
    // image by intent.
    void capture(CaptureMode mode, const std::optional<QRectF>& rect, const QPointF& point,
                 const CaptureContext& context, bool awaitSecondPress);
    void grab(CaptureMode mode, const std::optional<QRectF>& rect, const QPointF& point,
              const CaptureContext& context, bool awaitSecondPress);
    void file(const ScreenShot& shot, CaptureMode mode, const CaptureContext& context);
    // The screenshot for the pending capture `captureID`, its files started in the background.
    PendingImage startWriting(const std::string& captureID, const QImage& image,
                              bool copyToClipboard);
    void filesWritten(const std::string& captureID, const PendingFiles::Answer& answer,
                      bool copyToClipboard);
    // Runs `step` once the pending capture's files are written, unless the capture has gone.
    void afterFiles(std::function<void()> step);
    void fail(const std::exception& error);

    void presentTextOnly(const CaptureContext& context);
    // Opens the note box on the pending capture.
    void presentCompose();
    void save(const CaptureRecord::Entry& entry);
    // The answer to save(): the flow ends, or the note box comes back with the reason.
    void saved(const CaptureRecord::Entry& entry, const WriteResult<>& added);
    void annotatePending(const std::string& imageID);
    void applyPendingAnnotation(const Annotation& annotation, const std::string& imageID,
                                const AnnotationEditorWindowController::SaveAnswer& answer);
    void createGroup(const std::string& name, ComposeCallbacks::GroupAnswer answer);

    Library& library_;
    Preferences& preferences_;
    PermissionsService& permissions_;
    AppActions& actions_;
    Services services_;
    FlowWindows windows_;

    FlowState state_ = FlowState::idle;
    // The window in front when the overlay of the current step opened.
    std::optional<ForegroundWindow> overlayFront_;
    std::optional<CaptureContext> flowContext_;
    std::optional<PendingCapture> pending_;
    Intent intent_;
    PendingFiles files_;
    // Why a screenshot of the pending capture could not be written, until the user is told.
    std::optional<std::string> writeFailure_;
    // The note box is closed while the flow waits for its files before going on.
    bool waitingForFiles_ = false;
    // The note box waits for the first board at start-up.
    bool waitingForBoard_ = false;
    // Counts the overlay's presentations, so a late wait cannot freeze a later one.
    int overlayPresentations_ = 0;
    // The app is ending: what the flow held has been handed to the library.
    bool ending_ = false;
};

} // namespace tavro
