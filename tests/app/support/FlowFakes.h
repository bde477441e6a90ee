#pragma once

#include "capture/SelectionOverlay.h"
#include "compose/AnnotationEditorWindowController.h"
#include "compose/ComposeWindowController.h"
#include "desktop/CaptureServices.h"
#include "desktop/ContextCollector.h"
#include "desktop/PermissionProbe.h"
#include "values/CaptureError.h"

#include <QCoreApplication>
#include <QPointer>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro::test {

// The capture flow's platform services as plain records a test can drive.

class FakeOverlay final : public SelectionOverlay {
public:
    void present(Completion onComplete, FullScreenRequest onFullScreen) override {
        completion = std::move(onComplete);
        fullScreen = std::move(onFullScreen);
        showing = true;
        anchor = false;
        ++presentations;
    }
    void freeze() override { ++freezes; }
    void abandon() override {
        showing = false;
        completion = {};
        fullScreen = {};
    }
    void finish(const std::optional<QRectF>& selection) override {
        auto taken = std::move(completion);
        abandon();
        if (taken)
            taken(selection);
    }
    void requestFullScreen(QPointF point) {
        auto taken = std::move(fullScreen);
        abandon();
        if (taken)
            taken(point);
    }
    bool isShowing() const override { return showing; }
    bool hasAnchor() const override { return anchor; }
    std::optional<ScreenShot> frozenShot(const QRectF& selection) const override {
        if (!frozen)
            return std::nullopt;
        ScreenShot shot = *frozen;
        shot.image = frozen->image.copy(selection.toRect());
        return shot;
    }

    Completion completion;
    // The screen as a frozen overlay shows it; none for a see-through overlay.
    std::optional<ScreenShot> frozen;
    FullScreenRequest fullScreen;
    bool showing = false;
    bool anchor = false;
    int presentations = 0;
    int freezes = 0;
};

class FakeCompose final : public ComposeWindowController {
public:
    void present(const PendingCapture& pending, const std::vector<CaptureGroup>& offered,
                 ComposeCallbacks given) override {
        shown = pending;
        groups = offered;
        callbacks = std::move(given);
        open = true;
        ++presentations;
    }
    void dismiss() override { open = false; }
    bool hasPanel() const override { return open; }
    std::optional<ComposeDraft> openDraft() const override {
        return open ? std::optional(typed) : std::nullopt;
    }

    // The box closes itself before each of these callbacks, as the real one does.
    void save(const std::string& note, std::vector<std::string> tags = {}) {
        open = false;
        callbacks.onSave(note, CapturePriority::normal, std::nullopt, tags);
    }
    void discard() {
        open = false;
        callbacks.onDiscard();
    }
    void addScreenshot(const ComposeDraft& draft) {
        open = false;
        callbacks.onAddScreenshot(draft);
    }
    void annotate(size_t index, const ComposeDraft& draft) {
        open = false;
        callbacks.onAnnotate(shown.images.at(index), draft);
    }

    PendingCapture shown;
    std::vector<CaptureGroup> groups;
    ComposeCallbacks callbacks;
    // What the open box holds as typed.
    ComposeDraft typed;
    bool open = false;
    int presentations = 0;
};

class FakeEditor final : public AnnotationEditorWindowController {
public:
    void present(const CaptureImage& image, SaveHandler save, EndHandler end) override {
        shown = image;
        onSave = std::move(save);
        onEnd = std::move(end);
        open = true;
    }
    bool hasWindow() const override { return open; }
    void cancel() {
        open = false;
        if (onEnd)
            onEnd();
    }
    // Saves as the real editor does: it closes only once the marks are stored, and otherwise
    // keeps the reason.
    void save(const Annotation& annotation) {
        onSave(annotation, [this](const WriteResult<>& result) {
            if (result)
                open = false;
            else
                failure = result.error();
        });
    }

    CaptureImage shown;
    SaveHandler onSave;
    EndHandler onEnd;
    bool open = false;
    std::string failure;
};

class FakeGrabber final : public ScreenGrabber {
public:
    ScreenShot captureRegion(const QRectF& rect) override {
        regions.push_back(rect);
        return next(rect.size().toSize());
    }
    ScreenShot captureDisplay(const QPointF&) override { return next(QSize(320, 200)); }

    ScreenShot next(QSize size) {
        if (failure)
            throw *failure;
        ScreenShot shot;
        if (!nullImage) {
            shot.image = QImage(size, QImage::Format_RGB32);
            shot.image.fill(Qt::darkGreen);
        }
        shot.displayName = "screen-1";
        shot.scale = 2;
        return shot;
    }

    std::vector<QRectF> regions;
    std::optional<CaptureError> failure;
    bool nullImage = false; // encodes to nothing, so writing it fails
};

class FakeContext final : public ContextCollector {
public:
    CaptureContext snapshot(bool) override {
        ++snapshots;
        CaptureContext context;
        context.appName = "Editor " + std::to_string(snapshots);
        context.appBundleID = "editor";
        context.windowTitle = "main.cpp";
        context.displayName = "screen-0";
        return context;
    }
    int snapshots = 0;
};

class FakeDesktop final : public FlowDesktop {
public:
    std::optional<ForegroundWindow> frontmostWindow() override { return front; }
    void activate(const ForegroundWindow& window) override { activations.push_back(window); }
    void returnFocus(const ForegroundWindow& window) override { focusReturns.push_back(window); }
    // The hidden windows take the whole time to leave.
    void afterWindowsLeave(const std::vector<std::uint32_t>& windows, int timeoutMs,
                           QObject* context, std::function<void()> action) override {
        waitedFor.push_back(windows);
        timer->after(timeoutMs, context, std::move(action));
    }
    QPointF pointerPosition() override { return {10, 10}; }
    void playCaptureSound() override { ++sounds; }
    void copyPNGToClipboard(const QByteArray&) override { ++clipboardCopies; }
    bool showCaptureFailure(const std::string& message, bool) override {
        captureFailures.push_back(message);
        return false;
    }
    void showSaveFailure(const std::string& message) override { saveFailures.push_back(message); }
    void hideOtherApplications() override { ++othersHidden; }
    bool compositorRunning() override { return composited; }
    void stickOnEveryDesktop(std::uint32_t window) override { stuck.push_back(window); }

    std::optional<ForegroundWindow> front = ForegroundWindow{42, 4242};
    std::vector<ForegroundWindow> activations;
    std::vector<ForegroundWindow> focusReturns;
    std::vector<std::vector<std::uint32_t>> waitedFor;
    FlowTimer* timer = nullptr;
    int sounds = 0;
    int clipboardCopies = 0;
    std::vector<std::string> captureFailures;
    std::vector<std::string> saveFailures;
    int othersHidden = 0;
    bool composited = false;
    std::vector<std::uint32_t> stuck;
};

// Delays that run when the test says so, in the order they were asked for.
class ManualTimer final : public FlowTimer {
public:
    void after(int ms, QObject* context, std::function<void()> action) override {
        queue.push_back({ms, context, std::move(action)});
    }
    // Runs everything due, including what the actions themselves schedule.
    void runAll() {
        while (!queue.empty()) {
            Entry entry = std::move(queue.front());
            queue.pop_front();
            if (entry.context)
                entry.action();
        }
    }
    std::optional<int> nextDelay() const {
        return queue.empty() ? std::nullopt : std::optional<int>(queue.front().ms);
    }

    struct Entry {
        int ms;
        QPointer<QObject> context;
        std::function<void()> action;
    };
    std::deque<Entry> queue;
};

class FakeProbe final : public PermissionProbe {
public:
    bool screenRecordingGranted() const override { return screenRecording; }
    bool accessibilityTrusted() const override { return true; }
    bool requestScreenRecording() override { return screenRecording; }
    void requestAccessibility() override {}
    void openSettingsPane(PermissionPane) override {}
    bool screenRecording = true;
};

} // namespace tavro::test
