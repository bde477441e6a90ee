#include "capture/CaptureController.h"

#include "board/GroupPalette.h"
#include "capture/CaptureError.h"
#include "capture/ContextCollector.h"
#include "capture/ImageWriter.h"
#include "capture/SelectionOverlay.h"
#include "compose/AttachmentService.h"
#include "model/Paths.h"
#include "model/Uuid.h"
#include "shell/AppNotifications.h"
#include "shell/AppWindows.h"
#include "shell/Library.h"
#include "shell/PermissionsService.h"
#include "shell/Preferences.h"
#include "shell/ThumbnailLoader.h"
#include "shell/Utf8.h"
#include "store/ImageFiles.h"

#include <QApplication>
#include <QRandomGenerator>

#include <filesystem>

namespace tavro {

namespace {

ComposeDraft freshDraft() {
    return {};
}

std::string withExtension(const std::string& relative, std::string_view ext) {
    const auto dot = relative.rfind('.');
    const auto slash = relative.rfind('/');
    const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                 ? relative
                                 : relative.substr(0, dot);
    return stem + "." + std::string(ext);
}

std::string joined(const std::vector<std::string>& tags) {
    std::string text;
    for (const std::string& tag : tags)
        text += (text.empty() ? "" : ", ") + tag;
    return text;
}

// A row for the editor and the renderer, made from a screenshot not stored yet.
CaptureImage transientRow(const PendingImage& image, const std::string& captureID,
                          bool withAnnotation) {
    CaptureImage row;
    row.id = image.id;
    row.captureID = captureID;
    row.position = 0;
    row.imagePath = image.written.relativePath;
    row.annotatedPath = image.annotatedPath;
    row.thumbPath = image.written.thumbRelativePath;
    row.width = image.written.width;
    row.height = image.written.height;
    row.bytes = image.written.byteCount;
    if (withAnnotation && !image.annotation.isEmpty())
        row.annotationJSON = image.annotation.encoded();
    row.createdAt = now();
    return row;
}

} // namespace

CaptureController::CaptureController(Library& library, Preferences& preferences,
                                     PermissionsService& permissions,
                                     NotificationCenter& notifications, Services services,
                                     QObject* parent)
    : QObject(parent)
    , library_(library)
    , preferences_(preferences)
    , permissions_(permissions)
    , notifications_(notifications)
    , services_(services) {}

void CaptureController::setCapturing(bool capturing) {
    if (isCapturing_ == capturing)
        return;
    isCapturing_ = capturing;
    emit capturingChanged(capturing);
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
    if (isCapturing_)
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

bool CaptureController::beginRegion(const Intent& intent) {
    if (!passesGuards(intent))
        return false;
    intent_ = intent;
    setCapturing(true);
    flowContext_ = contextForFlow();
    const CaptureContext context = *flowContext_;
    const bool flowWasActive = flowActive_;
    beginFlowIfNeeded();
    overlayFront_ = flowWasActive ? services_.desktop.frontmostWindow() : previousApp_;
    if (flowWasActive || hiddenWindows_.empty()) {
        presentOverlay(context);
        return true;
    }
    // Without a compositor the overlay shows the screen frozen as it is: wait for the window
    // manager to take away the frames of the windows just hidden, or they would show as holes.
    std::vector<std::uint32_t> hidden;
    for (const auto& window : hiddenWindows_)
        if (window)
            hidden.push_back(std::uint32_t(window->winId()));
    QPointer<CaptureController> self(this);
    services_.desktop.afterWindowsLeave(hidden, regionDelayMs, this, [self, context] {
        if (self && self->isCapturing_)
            self->presentOverlay(context);
    });
    return true;
}

void CaptureController::presentOverlay(const CaptureContext& context) {
    QPointer<CaptureController> self(this);
    services_.overlay.present(
        [self, context](const std::optional<QRectF>& selection) {
            if (!self)
                return;
            if (selection) {
                self->capture(CaptureMode::region, selection, QPointF(0, 0), context, false);
                return;
            }
            self->setCapturing(false);
            switch (self->intent_.kind) {
            case Intent::Kind::appendToPending:
                if (self->pending_)
                    self->presentCompose(*self->pending_);
                break;
            case Intent::Kind::appendToStored:
                // The note box keeps its flow; the window the request came from gets the
                // keyboard back.
                if (self->composing() && self->overlayFront_)
                    self->services_.desktop.returnFocus(*self->overlayFront_);
                self->endStoredAppend();
                break;
            case Intent::Kind::newCapture:
                self->endFlow();
                break;
            }
        },
        [self, context](const QPointF& point) {
            if (self)
                self->capture(CaptureMode::fullscreen, std::nullopt, point, context, false);
        });
}

bool CaptureController::beginFullScreen(const Intent& intent, bool awaitSecondPress) {
    if (!passesGuards(intent))
        return false;
    intent_ = intent;
    setCapturing(true);
    flowContext_ = contextForFlow();
    const CaptureContext context = *flowContext_;
    const QPointF point = services_.desktop.pointerPosition();
    beginFlowIfNeeded();
    capture(CaptureMode::fullscreen, std::nullopt, point, context, awaitSecondPress);
    return true;
}

void CaptureController::secondPressDuringOverlay() {
    if (intent_.kind != Intent::Kind::newCapture) {
        services_.overlay.finish(std::nullopt);
        return;
    }
    services_.overlay.abandon();
    setCapturing(false);
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
    pending.draft = freshDraft();
    pending_ = pending;
    presentCompose(pending);
}

void CaptureController::beginFlowIfNeeded() {
    if (flowActive_)
        return;
    flowActive_ = true;
    previousApp_ = services_.desktop.frontmostWindow();
    if (previousApp_ && previousApp_->pid == QCoreApplication::applicationPid())
        return;
    hiddenWindows_.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        // Frameless panels, such as the note box, stay.
        if (!window->isVisible() || !isAppWindow(window) ||
            window->windowFlags().testFlag(Qt::FramelessWindowHint) ||
            window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)
            continue;
        hiddenWindows_.emplace_back(window);
    }
    for (const auto& window : hiddenWindows_)
        window->hide();
}

void CaptureController::endFlow() {
    if (!flowActive_)
        return;
    flowActive_ = false;
    pending_.reset();
    flowContext_.reset();
    auto windows = std::move(hiddenWindows_);
    hiddenWindows_.clear();
    auto app = std::move(previousApp_);
    previousApp_.reset();
    // Back on screen, but without taking the focus from the app that was given it back.
    auto bringBack = [windows] {
        for (const auto& window : windows)
            if (window) {
                const bool quiet = window->testAttribute(Qt::WA_ShowWithoutActivating);
                window->setAttribute(Qt::WA_ShowWithoutActivating);
                window->show();
                window->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
            }
    };
    if (app && app->pid != QCoreApplication::applicationPid()) {
        services_.desktop.activate(*app);
        // A window manager may focus windows as they map again: give the focus back once more.
        services_.timer.after(windowReturnDelayMs, this, [this, bringBack, app = *app] {
            bringBack();
            services_.desktop.activate(app);
        });
    } else {
        bringBack();
        if (app)
            services_.desktop.returnFocus(*app);
    }
}

void CaptureController::endStoredAppend() {
    if (composing())
        flowContext_ = pending_->context;
    else
        endFlow();
}

void CaptureController::capture(CaptureMode mode, const std::optional<QRectF>& rect,
                                const QPointF& point, const CaptureContext& context,
                                bool awaitSecondPress) {
    if (mode == CaptureMode::region && !rect) {
        setCapturing(false);
        return;
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
        fail(error);
        return;
    }
    if (awaitSecondPress && intent_.kind == Intent::Kind::newCapture) {
        fullScreenTextOnlyRequested = false;
        fullScreenWindowOpen = true;
        services_.timer.after(secondPressWindowMs, this, [this, shot, mode, context] {
            fullScreenWindowOpen = false;
            if (fullScreenTextOnlyRequested) {
                fullScreenTextOnlyRequested = false;
                presentTextOnly(context);
                setCapturing(false);
                return;
            }
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
        case Intent::Kind::appendToStored:
            library_.addImage(shot.image, intent_.captureID, mode);
            endStoredAppend();
            break;
        case Intent::Kind::appendToPending: {
            if (!pending_) {
                endFlow();
                break;
            }
            PendingCapture updated = *pending_;
            updated.images.push_back(makePendingImage(shot.image));
            if (updated.mode == CaptureMode::text) {
                updated.mode = mode;
                updated.context.displayName = shot.displayName;
                updated.context.displayScale = shot.scale;
            }
            pending_ = updated;
            presentCompose(updated);
            break;
        }
        case Intent::Kind::newCapture: {
            CaptureContext where = context;
            where.displayName = shot.displayName;
            where.displayScale = shot.scale;
            if (preferences_.flag(PreferenceKey::playCaptureSound))
                services_.desktop.playCaptureSound();
            if (preferences_.flag(PreferenceKey::copyToClipboard))
                if (auto png = ImageWriter::encode(shot.image, ImageType::png, 1.0))
                    services_.desktop.copyPNGToClipboard(*png);
            PendingCapture pending;
            pending.id = makeUUID();
            pending.images.push_back(makePendingImage(shot.image));
            pending.context = where;
            pending.mode = mode;
            pending.capturedAt = now();
            pending.draft = freshDraft();
            pending_ = pending;
            presentCompose(pending);
            break;
        }
        }
    } catch (const std::exception& error) {
        fail(error);
        return;
    }
    setCapturing(false);
}

void CaptureController::fail(const std::exception& error) {
    setCapturing(false);
    const auto* captureError = dynamic_cast<const CaptureError*>(&error);
    const bool denied =
        captureError && captureError->code() == CaptureError::Code::permissionDenied;
    // A screenshot for a capture in the note box fails alone: the capture and its files stay.
    const bool keepsPending = composing() && (intent_.kind == Intent::Kind::appendToPending ||
                                              intent_.kind == Intent::Kind::appendToStored);
    if (!keepsPending)
        endFlow();
    else if (intent_.kind == Intent::Kind::appendToStored)
        flowContext_ = pending_->context;
    if (services_.desktop.showCaptureFailure(error.what(), denied))
        permissions_.openScreenRecordingSettings();
    if (keepsPending && intent_.kind == Intent::Kind::appendToPending && pending_)
        presentCompose(*pending_);
}

PendingImage CaptureController::makePendingImage(const QImage& image) {
    PendingImage pending;
    pending.id = makeUUID();
    pending.written = ImageWriter::write(image, pending.id, now());
    pending.image = image;
    return pending;
}

void CaptureController::presentCompose(const PendingCapture& pending) {
    QPointer<CaptureController> self(this);
    ComposeCallbacks callbacks;
    callbacks.onSave = [self, pending](const std::string& note, CapturePriority priority,
                                       const std::optional<std::string>& groupID,
                                       const std::vector<std::string>& tags) {
        if (self)
            self->save(pending, note, priority, groupID, tags);
    };
    callbacks.onDiscard = [self, pending] {
        if (!self)
            return;
        self->discard(pending);
        self->endFlow();
    };
    callbacks.onAddScreenshot = [self](const ComposeDraft& draft) {
        if (!self)
            return;
        if (self->pending_)
            self->pending_->draft = draft;
        // A refused screenshot must not strand the capture: its note box comes back.
        if (!self->beginRegion(Intent::appendToPending()) && self->pending_)
            self->presentCompose(*self->pending_);
    };
    callbacks.onAnnotate = [self](const PendingImage& image, const ComposeDraft& draft) {
        if (!self)
            return;
        if (self->pending_)
            self->pending_->draft = draft;
        self->annotatePending(image);
    };
    callbacks.onCreateGroup = [self](const std::string& name) -> WriteResult<CaptureGroup> {
        if (!self)
            return WriteResult<CaptureGroup>::failure("the capture has ended");
        return self->createGroup(name);
    };
    services_.compose.present(pending, library_.groups(), std::move(callbacks));
}

void CaptureController::save(const PendingCapture& pending, const std::string& note,
                             CapturePriority priority, const std::optional<std::string>& groupID,
                             const std::vector<std::string>& tags) {
    const PendingImage* cover = pending.images.empty() ? nullptr : &pending.images.front();
    Capture capture;
    capture.id = pending.id;
    capture.createdAt = pending.capturedAt;
    capture.updatedAt = now();
    capture.note = note;
    capture.status = CaptureStatus::open;
    capture.priority = priority;
    capture.groupID = groupID;
    if (cover) {
        capture.imagePath = cover->annotatedPath.value_or(cover->written.relativePath);
        capture.thumbPath = cover->written.thumbRelativePath;
        capture.imageWidth = cover->written.width;
        capture.imageHeight = cover->written.height;
        capture.imageBytes = cover->written.byteCount;
    }
    capture.captureMode = pending.mode;
    capture.appName = pending.context.appName;
    capture.appBundleID = pending.context.appBundleID;
    capture.windowTitle = pending.context.windowTitle;
    capture.url = pending.context.url;
    capture.displayName = pending.context.displayName;
    capture.displayScale = pending.context.displayScale;
    capture.syncState = SyncState::local;

    std::vector<CaptureImage> rows;
    for (size_t i = 0; i < pending.images.size(); ++i) {
        const PendingImage& image = pending.images[i];
        CaptureImage row = transientRow(image, pending.id, true);
        row.position = std::int64_t(i);
        row.syncState = SyncState::local;
        rows.push_back(std::move(row));
    }

    if (auto added = library_.add(capture, tags, rows); !added) {
        // Nothing is lost: the files stay and the note box comes back with what was typed.
        services_.desktop.showSaveFailure(added.error());
        PendingCapture kept = pending;
        kept.draft.note = note;
        kept.draft.priority = priority;
        kept.draft.groupID = groupID;
        kept.draft.groupChosen = true;
        kept.draft.tagText = joined(tags);
        pending_ = kept;
        presentCompose(kept);
        return;
    }
    if (!preferences_.flag(PreferenceKey::openDashboardAfterSave)) {
        endFlow();
        return;
    }
    flowActive_ = false;
    hiddenWindows_.clear();
    previousApp_.reset();
    pending_.reset();
    flowContext_.reset();
    notifications_.post(AppNotification::showDashboard);
}

void CaptureController::discard(const PendingCapture& pending) {
    for (const PendingImage& image : pending.images) {
        ImageFiles::removeImageIfNamed(image.written.relativePath);
        ImageFiles::removeImageIfNamed(image.annotatedPath);
        ImageFiles::removeThumbIfNamed(image.written.thumbRelativePath);
        // A marked-up screenshot's thumbnail replaced the original's, which is still on disk.
        ImageFiles::removeThumbIfNamed(withExtension(image.written.relativePath, "jpg"));
    }
}

void CaptureController::annotatePending(const PendingImage& image) {
    const std::string captureID = pending_ ? pending_->id : std::string();
    const std::string imageID = image.id;
    QPointer<CaptureController> self(this);
    services_.editor.present(
        transientRow(image, captureID, true),
        [self, imageID](const Annotation& annotation) {
            if (self)
                self->applyPendingAnnotation(annotation, imageID);
        },
        [self] {
            // Cancelled, closed, or the screenshot could not be opened: back to the note box.
            if (self && self->pending_)
                self->presentCompose(*self->pending_);
        });
}

void CaptureController::applyPendingAnnotation(const Annotation& annotation,
                                               const std::string& imageID) {
    if (!pending_)
        return;
    auto& images = pending_->images;
    auto it = std::find_if(images.begin(), images.end(),
                           [&](const PendingImage& image) { return image.id == imageID; });
    if (it != images.end()) {
        if (annotation.isEmpty()) {
            // No marks left: the original's thumbnail and size come back, the marked copy goes.
            const CaptureImage before = transientRow(*it, pending_->id, false);
            const CaptureImage after =
                AttachmentService::unmarkedRow(before, &library_.thumbnails());
            if (it->written.thumbRelativePath != after.thumbPath)
                ImageFiles::removeThumbIfNamed(it->written.thumbRelativePath);
            it->written.thumbRelativePath = after.thumbPath;
            it->written.byteCount = after.bytes;
            AttachmentService::removeMarkedCopy(before, &library_.thumbnails());
            it->annotatedPath.reset();
            it->annotation = annotation;
        } else {
            try {
                const auto rendered = AttachmentService::renderAnnotation(
                    annotation, transientRow(*it, pending_->id, false), &library_.thumbnails());
                it->annotation = annotation;
                it->annotatedPath = rendered.markedRelativePath;
                if (rendered.thumbRelativePath)
                    it->written.thumbRelativePath = rendered.thumbRelativePath;
                it->written.byteCount = rendered.byteCount;
            } catch (const std::exception&) {
                // The screenshot keeps its earlier marks and files.
            }
        }
    }
    presentCompose(*pending_);
}

WriteResult<CaptureGroup> CaptureController::createGroup(const std::string& name) {
    const auto& colors = GroupPalette::colors;
    const std::string color(colors[QRandomGenerator::global()->bounded(int(colors.size()))]);
    return library_.createGroup(name, color);
}

} // namespace tavro
