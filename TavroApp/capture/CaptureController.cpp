#include "capture/CaptureController.h"

#include "capture/SelectionOverlay.h"
#include "compose/ComposeState.h"
#include "desktop/ContextCollector.h"
#include "desktop/PermissionsService.h"
#include "library/FailureText.h"
#include "library/Library.h"
#include "model/Uuid.h"
#include "values/AppActions.h"
#include "values/CaptureError.h"
#include "values/GroupPalette.h"
#include "values/Preferences.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <string_view>
#include <utility>

namespace tavro {

namespace {

// Shown in the editor when the pending screenshot's marked copy could not be written.
// Answered to a write that arrives after its capture was saved or discarded.
constexpr std::string_view captureEnded = "The capture has already ended.";
constexpr std::string_view markFailure = "The marked copy of the screenshot could not be written.";

} // namespace

CaptureController::CaptureController(Library& library, Preferences& preferences,
                                     PermissionsService& permissions, AppActions& actions,
                                     Services services, QObject* parent)
    : QObject(parent)
    , library_(library)
    , preferences_(preferences)
    , permissions_(permissions)
    , actions_(actions)
    , services_(services)
    , windows_(services.desktop, services.timer)
    , files_(&library.thumbnails()) {}

bool CaptureController::request(const FlowRequest& request) {
    switch (request.kind) {
    case FlowRequest::Kind::region:
        if (services_.overlay.isShowing() && !services_.overlay.hasAnchor()) {
            secondPressDuringOverlay();
            return true;
        }
        return beginRegion(Intent::newCapture());
    case FlowRequest::Kind::fullScreen:
        if (request.awaitSecondPress && state_ == FlowState::awaitingSecondPress) {
            setState(FlowState::secondPressHeard);
            return true;
        }
        return beginFullScreen(request.awaitSecondPress);
    case FlowRequest::Kind::note:
        return beginNote();
    case FlowRequest::Kind::addScreenshotTo:
        return beginRegion(Intent::appendToStored(request.captureID));
    }
    return false;
}

void CaptureController::setState(FlowState state) {
    const bool wasCapturing = isCapturing();
    state_ = state;
    if (isCapturing() != wasCapturing)
        emit capturingChanged(isCapturing());
}

bool CaptureController::ensureScreenRecording() {
    permissions_.refresh();
    if (permissions_.hasScreenRecording())
        return true;
    if (onNeedsScreenRecording)
        onNeedsScreenRecording();
    return false;
}

bool CaptureController::passesGuards(const Intent& intent) {
    // While a capture is being stored, or waits for its files, its draft and files are still
    // the flow's.
    if (isCapturing() || state_ == FlowState::saving || waitingForFiles_)
        return false;
    if (intent.kind == Intent::Kind::newCapture && services_.compose.hasPanel())
        return false;
    if (services_.editor.hasWindow())
        return false;
    return ensureScreenRecording();
}

CaptureContext CaptureController::contextForFlow() {
    if (intent_.kind == Intent::Kind::appendToPending && pending_)
        return pending_->context;
    return services_.context.snapshot(preferences_.flag(PreferenceKey::captureURLs));
}

void CaptureController::beginFlow() {
    windows_.begin();
}

void CaptureController::endFlow(bool giveFocusBack) {
    if (state_ == FlowState::idle && !windows_.active())
        return;
    setState(FlowState::idle);
    pending_.reset();
    flowContext_.reset();
    windows_.end(giveFocusBack, this);
}

void CaptureController::endStep() {
    if (!pending_) {
        endFlow();
        return;
    }
    flowContext_ = pending_->context;
    setState(FlowState::composing);
}

bool CaptureController::beginRegion(const Intent& intent) {
    if (!passesGuards(intent))
        return false;
    intent_ = intent;
    const bool flowWasActive = windows_.active();
    setState(FlowState::selecting);
    flowContext_ = contextForFlow();
    const CaptureContext context = *flowContext_;
    beginFlow();
    overlayFront_ = flowWasActive ? services_.desktop.frontmostWindow() : windows_.previous();
    presentOverlay(context);
    // Without a compositor the overlay freezes the screen as it is: it waits for the window
    // manager to take away the frames of the windows just hidden (the app's own, or the note box
    // as it closes for another screenshot) and for what lay under them to be drawn again, or
    // they would show as holes. It takes input meanwhile.
    const auto leaving = flowWasActive ? FlowWindows::closedPanels() : windows_.hiddenIds();
    if (leaving.empty()) {
        services_.overlay.freeze();
        return true;
    }
    QPointer<CaptureController> self(this);
    const int presentation = ++overlayPresentations_;
    services_.desktop.afterWindowsLeave(leaving, screenSettleMs, this, [self, presentation] {
        if (self && self->state_ == FlowState::selecting &&
            self->overlayPresentations_ == presentation)
            self->services_.overlay.freeze();
    });
    return true;
}

void CaptureController::presentOverlay(const CaptureContext& context) {
    QPointer<CaptureController> self(this);
    services_.overlay.present(
        [self, context](const std::optional<QRectF>& selection) {
            if (!self)
                return;
            if (selection)
                self->capture(CaptureMode::region, selection, QPointF(0, 0), context, false);
            else
                self->overlayCancelled();
        },
        [self, context](const QPointF& point) {
            if (self)
                self->capture(CaptureMode::fullscreen, std::nullopt, point, context, false);
        });
}

void CaptureController::overlayCancelled() {
    switch (intent_.kind) {
    case Intent::Kind::appendToPending:
        if (pending_)
            presentCompose();
        else
            endFlow();
        break;
    case Intent::Kind::appendToStored:
        // The note box keeps its flow; the window the request came from gets the keyboard back.
        if (pending_ && overlayFront_)
            services_.desktop.returnFocus(*overlayFront_);
        endStep();
        break;
    case Intent::Kind::newCapture:
        endFlow();
        break;
    }
}

bool CaptureController::beginFullScreen(bool awaitSecondPress) {
    const Intent intent = Intent::newCapture();
    if (!passesGuards(intent))
        return false;
    intent_ = intent;
    setState(FlowState::grabbing);
    flowContext_ = contextForFlow();
    const CaptureContext context = *flowContext_;
    const QPointF point = services_.desktop.pointerPosition();
    beginFlow();
    capture(CaptureMode::fullscreen, std::nullopt, point, context, awaitSecondPress);
    return true;
}

bool CaptureController::beginNote() {
    if (isCapturing() || waitingForFiles_ || services_.compose.hasPanel() ||
        services_.editor.hasWindow())
        return false;
    intent_ = Intent::newCapture();
    flowContext_ = services_.context.snapshot(preferences_.flag(PreferenceKey::captureURLs));
    beginFlow();
    presentTextOnly(*flowContext_);
    return true;
}

void CaptureController::secondPressDuringOverlay() {
    if (intent_.kind != Intent::Kind::newCapture) {
        services_.overlay.finish(std::nullopt);
        return;
    }
    services_.overlay.abandon();
    presentTextOnly(
        flowContext_ ? *flowContext_
                     : services_.context.snapshot(preferences_.flag(PreferenceKey::captureURLs)));
}

void CaptureController::presentTextOnly(const CaptureContext& context) {
    PendingCapture pending;
    pending.id = makeUUID();
    pending.context = context;
    pending.mode = CaptureMode::text;
    pending.capturedAt = now();
    pending_ = std::move(pending);
    presentCompose();
}

void CaptureController::capture(CaptureMode mode, const std::optional<QRectF>& rect,
                                const QPointF& point, const CaptureContext& context,
                                bool awaitSecondPress) {
    if (mode == CaptureMode::region && !rect) {
        endStep();
        return;
    }
    setState(FlowState::grabbing);
    if (mode == CaptureMode::region) {
        std::optional<ScreenShot> frozen;
        try {
            frozen = services_.overlay.frozenShot(*rect);
        } catch (const std::exception& error) {
            fail(error);
            return;
        }
        if (frozen) {
            file(*frozen, mode, context);
            return;
        }
    }
    const int delay = mode == CaptureMode::fullscreen ? fullScreenDelayMs : regionDelayMs;
    services_.timer.after(delay, this, [this, mode, rect, point, context, awaitSecondPress] {
        grab(mode, rect, point, context, awaitSecondPress);
    });
}

void CaptureController::grab(CaptureMode mode, const std::optional<QRectF>& rect,
                             const QPointF& point, const CaptureContext& context,
                             bool awaitSecondPress) {
    ScreenShot shot;
    try {
        shot = mode == CaptureMode::fullscreen ? services_.grabber.captureDisplay(point)
                                               : services_.grabber.captureRegion(*rect);
    } catch (const std::exception& error) {
        // fail() tells the user and ends the step.
        fail(error);
        return;
    }
    if (awaitSecondPress && intent_.kind == Intent::Kind::newCapture) {
        setState(FlowState::awaitingSecondPress);
        services_.timer.after(secondPressWindowMs, this, [this, shot, mode, context] {
            if (state_ == FlowState::secondPressHeard)
                presentTextOnly(context);
            else
                file(shot, mode, context);
        });
        return;
    }
    file(shot, mode, context);
}

void CaptureController::file(const ScreenShot& shot, CaptureMode mode,
                             const CaptureContext& context) {
    try {
        switch (intent_.kind) {
        case Intent::Kind::appendToStored: {
            library_.addImage(shot.image, intent_.captureID, mode)
                .then(this, [this](const WriteResult<>& added) {
                    // Its files are gone again; the capture on the board is as it was.
                    if (!added)
                        services_.desktop.showCaptureFailure(userFacingFailure(added.error()),
                                                             false);
                });
            endStep();
            break;
        }
        case Intent::Kind::appendToPending:
            if (!pending_) {
                endFlow();
                break;
            }
            pending_->images.push_back(startWriting(pending_->id, shot.image, false));
            if (pending_->mode == CaptureMode::text) {
                pending_->mode = mode;
                pending_->context.displayName = shot.displayName;
                pending_->context.displayScale = shot.scale;
            }
            presentCompose();
            break;
        case Intent::Kind::newCapture: {
            CaptureContext where = context;
            where.displayName = shot.displayName;
            where.displayScale = shot.scale;
            if (preferences_.flag(PreferenceKey::playCaptureSound))
                services_.desktop.playCaptureSound();
            PendingCapture pending;
            pending.id = makeUUID();
            pending.images.push_back(startWriting(
                pending.id, shot.image, preferences_.flag(PreferenceKey::copyToClipboard)));
            pending.context = where;
            pending.mode = mode;
            pending.capturedAt = now();
            pending_ = std::move(pending);
            presentCompose();
            break;
        }
        }
    } catch (const std::exception& error) {
        // fail() tells the user and ends the step.
        fail(error);
    }
}

PendingImage CaptureController::startWriting(const std::string& captureID, const QImage& image,
                                             bool copyToClipboard) {
    if (image.isNull())
        throw CaptureError::writeFailed("PNG encoding failed");
    QPointer<CaptureController> self(this);
    return files_.write(captureID, image, now(),
                        [self, captureID, copyToClipboard](const PendingFiles::Answer& answer) {
                            if (self)
                                self->filesWritten(captureID, answer, copyToClipboard);
                        });
}

void CaptureController::filesWritten(const std::string& captureID,
                                     const PendingFiles::Answer& answer, bool copyToClipboard) {
    // The copy reuses the PNG just written, even when the capture is gone by now.
    if (copyToClipboard && !answer.png.isEmpty())
        services_.desktop.copyPNGToClipboard(answer.png);
    if (!pending_ || pending_->id != captureID)
        return;
    auto& images = pending_->images;
    auto it = std::find_if(images.begin(), images.end(),
                           [&](const PendingImage& image) { return image.id == answer.imageID; });
    if (it == images.end())
        return;
    if (answer.image) {
        *it = *answer.image;
    } else if (!answer.error.empty()) {
        // A screenshot without its file cannot be stored; the user hears why before saving.
        images.erase(it);
        writeFailure_ = answer.error;
    }
}

void CaptureController::afterFiles(std::function<void()> step) {
    if (!files_.busy()) {
        step();
        return;
    }
    waitingForFiles_ = true;
    QPointer<CaptureController> self(this);
    const std::string captureID = pending_ ? pending_->id : std::string();
    files_.afterPendingJobs([self, captureID, step = std::move(step)] {
        if (!self)
            return;
        self->waitingForFiles_ = false;
        if (!self->ending_ && self->pending_ && self->pending_->id == captureID)
            step();
    });
}

void CaptureController::fail(const std::exception& error) {
    const auto* captureError = dynamic_cast<const CaptureError*>(&error);
    const bool denied =
        captureError && captureError->code() == CaptureError::Code::permissionDenied;
    // A screenshot for a capture in the note box fails alone: the capture and its files stay.
    const bool keepsPending = pending_ && (intent_.kind == Intent::Kind::appendToPending ||
                                           intent_.kind == Intent::Kind::appendToStored);
    if (keepsPending)
        endStep();
    else
        endFlow();
    if (services_.desktop.showCaptureFailure(userFacingFailure(error.what()), denied))
        permissions_.openScreenRecordingSettings();
    if (keepsPending && intent_.kind == Intent::Kind::appendToPending && pending_)
        presentCompose();
}

void CaptureController::presentCompose() {
    if (!pending_)
        return;
    // Right at start-up the note box waits for the first board, whose groups it offers.
    if (!library_.firstReadEnded()) {
        if (!std::exchange(waitingForBoard_, true))
            library_.whenFirstReadEnds(this, [this] {
                waitingForBoard_ = false;
                if (!ending_)
                    presentCompose();
            });
        return;
    }
    setState(FlowState::composing);
    QPointer<CaptureController> self(this);
    ComposeCallbacks callbacks;
    callbacks.onSave = [self](const std::string& note, CapturePriority priority,
                              const std::optional<std::string>& groupID,
                              const std::vector<std::string>& tags) {
        if (self)
            self->save({note, priority, groupID, tags});
    };
    callbacks.onDiscard = [self] {
        if (!self)
            return;
        if (self->pending_)
            self->files_.discard(self->pending_->id);
        self->writeFailure_.reset();
        self->endFlow();
    };
    callbacks.onAddScreenshot = [self](const ComposeDraft& draft) {
        if (!self || !self->pending_)
            return;
        self->pending_->draft = draft;
        // A refused screenshot must not strand the capture: its note box comes back.
        if (!self->beginRegion(Intent::appendToPending()))
            self->presentCompose();
    };
    callbacks.onAnnotate = [self](const PendingImage& image, const ComposeDraft& draft) {
        if (!self || !self->pending_)
            return;
        self->pending_->draft = draft;
        self->annotatePending(image.id);
    };
    callbacks.onCreateGroup = [self](const std::string& name,
                                     ComposeCallbacks::GroupAnswer answer) {
        if (!self) {
            answer(WriteResult<CaptureGroup>::failure(std::string(captureEnded)));
            return;
        }
        self->createGroup(name, std::move(answer));
    };
    services_.compose.present(*pending_, library_.groups(), std::move(callbacks));
}

void CaptureController::save(const CaptureRecord::Entry& entry) {
    if (!pending_)
        return;
    if (files_.busy()) {
        // Kept with the capture too, should the app end before the files are written.
        pending_->draft = CaptureRecord::withEntry(pending_->draft, entry);
        afterFiles([this, entry] { save(entry); });
        return;
    }
    if (writeFailure_) {
        services_.desktop.showSaveFailure(
            userFacingFailure(*std::exchange(writeFailure_, std::nullopt)));
        pending_->draft = CaptureRecord::withEntry(pending_->draft, entry);
        presentCompose();
        return;
    }
    const Seconds time = now();
    const Capture capture = CaptureRecord::capture(*pending_, entry, time);
    const auto rows = CaptureRecord::screenshots(*pending_, time);
    // The pending capture, with its draft and files, stays until the capture has committed.
    setState(FlowState::saving);
    library_.add(capture, entry.tags, rows).then(this, [this, entry](const WriteResult<>& added) {
        saved(entry, added);
    });
}

void CaptureController::saved(const CaptureRecord::Entry& entry, const WriteResult<>& added) {
    if (!pending_ || state_ != FlowState::saving)
        return;
    if (!added) {
        // Nothing is lost: the files stay and the note box comes back with what was typed.
        services_.desktop.showSaveFailure(userFacingFailure(added.error()));
        pending_->draft = CaptureRecord::withEntry(pending_->draft, entry);
        presentCompose();
        return;
    }
    files_.keep(pending_->id);
    if (!preferences_.flag(PreferenceKey::openDashboardAfterSave)) {
        endFlow();
        return;
    }
    // The board takes the focus instead of the app the capture began in; the windows hidden for
    // the capture come back all the same.
    endFlow(false);
    // Once the flow's own turn is over.
    QTimer::singleShot(0, this, [this] { actions_.openDashboard(); });
}

void CaptureController::keepForEnd() {
    if (std::exchange(ending_, true) || !pending_ || state_ == FlowState::saving)
        return;
    if (auto typed = services_.compose.openDraft())
        pending_->draft = *typed;
    // The rows name the screenshots' files: they are written, and their answers taken in, first.
    files_.waitForJobs();
    QCoreApplication::sendPostedEvents(&files_, QEvent::MetaCall);
    if (!pending_)
        return;
    ComposeState box(*pending_, library_.groups());
    box.restoreDraft(preferences_.defaultGroupID());
    const ComposeState::SaveArguments typed = box.saveArguments();
    if (pending_->images.empty() && typed.note.empty() && typed.tags.empty()) {
        files_.discard(pending_->id);
        return;
    }
    const CaptureRecord::Entry entry{typed.note, typed.priority, typed.groupID, typed.tags};
    const Seconds time = now();
    // Not through setState(): nothing that listens may act on a flow that is ending.
    state_ = FlowState::saving;
    library_
        .add(CaptureRecord::capture(*pending_, entry, time), entry.tags,
             CaptureRecord::screenshots(*pending_, time))
        .ignoreResult();
    files_.keep(pending_->id);
}

void CaptureController::annotatePending(const std::string& imageID) {
    // The editor opens the screenshot's file.
    if (files_.busy()) {
        afterFiles([this, imageID] { annotatePending(imageID); });
        return;
    }
    auto& images = pending_->images;
    auto it = std::find_if(images.begin(), images.end(),
                           [&](const PendingImage& image) { return image.id == imageID; });
    if (it == images.end()) {
        if (writeFailure_)
            services_.desktop.showSaveFailure(
                userFacingFailure(*std::exchange(writeFailure_, std::nullopt)));
        presentCompose();
        return;
    }
    setState(FlowState::annotating);
    QPointer<CaptureController> self(this);
    services_.editor.present(
        CaptureRecord::transientRow(*it, pending_->id, true, now()),
        [self, imageID](const Annotation& annotation,
                        AnnotationEditorWindowController::SaveAnswer answer) {
            if (self)
                self->applyPendingAnnotation(annotation, imageID, std::move(answer));
        },
        [self] {
            // Cancelled, closed, or the screenshot could not be opened: back to the note box.
            if (self)
                self->presentCompose();
        });
}

void CaptureController::applyPendingAnnotation(
    const Annotation& annotation, const std::string& imageID,
    const AnnotationEditorWindowController::SaveAnswer& answer) {
    if (!pending_) {
        answer(WriteResult<>::failure(std::string(captureEnded)));
        return;
    }
    auto& images = pending_->images;
    auto it = std::find_if(images.begin(), images.end(),
                           [&](const PendingImage& image) { return image.id == imageID; });
    if (it == images.end()) {
        answer(WriteResult<>::success());
        presentCompose();
        return;
    }
    // The editor stays open until the files are written. On failure it keeps the marks and the
    // screenshot keeps its earlier ones, with its files.
    QPointer<CaptureController> self(this);
    auto apply = [self, captureID = pending_->id, answer](const PendingFiles::Answer& written) {
        if (!self || !self->pending_ || self->pending_->id != captureID) {
            answer(WriteResult<>::failure(std::string(captureEnded)));
            return;
        }
        if (!written.image) {
            answer(WriteResult<>::failure(std::string(markFailure)));
            return;
        }
        for (PendingImage& image : self->pending_->images)
            if (image.id == written.imageID)
                image = *written.image;
        answer(WriteResult<>::success());
        // Unless the editor was closed meanwhile and the note box is back already.
        if (self->state_ == FlowState::annotating)
            self->presentCompose();
    };
    if (annotation.isEmpty())
        files_.unmark(pending_->id, *it, std::move(apply));
    else
        files_.mark(pending_->id, *it, annotation, std::move(apply));
}

void CaptureController::createGroup(const std::string& name, ComposeCallbacks::GroupAnswer answer) {
    const auto& colors = GroupPalette::colors;
    const std::string color(colors[QRandomGenerator::global()->bounded(int(colors.size()))]);
    library_.createGroup(name, color).then(this, std::move(answer));
}

} // namespace tavro
