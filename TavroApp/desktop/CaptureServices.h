#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class PermissionProbe;

// A screenshot with the screen it came from.
struct ScreenShot {
    QImage image; // in pixels
    std::string displayName;
    double scale = 1;
};

// Grabs a region or a whole screen. Throws CaptureError.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    virtual ScreenShot captureRegion(const QRectF& rect) = 0;
    virtual ScreenShot captureDisplay(const QPointF& point) = 0;
};

struct ScreenCapture;

class DisplayScreenGrabber final : public ScreenGrabber {
public:
    static ScreenShot shotFrom(const ScreenCapture& capture);

    explicit DisplayScreenGrabber(const PermissionProbe& access)
        : access_(access) {}
    ScreenShot captureRegion(const QRectF& rect) override;
    ScreenShot captureDisplay(const QPointF& point) override;

private:
    const PermissionProbe& access_;
};

// An application window the flow can give the focus back to.
struct ForegroundWindow {
    std::uint32_t window = 0;
    std::int64_t pid = 0;

    bool operator==(const ForegroundWindow&) const = default;
};

// What the capture flow asks of the desktop besides the screen itself.
class FlowDesktop {
public:
    virtual ~FlowDesktop() = default;

    virtual std::optional<ForegroundWindow> frontmostWindow() = 0;
    virtual void activate(const ForegroundWindow& window) = 0;
    // Gives the keyboard back to a window of this app that had it: the overlay took the focus
    // without the window manager's knowledge, which therefore never gives it back itself.
    virtual void returnFocus(const ForegroundWindow& window) = 0;
    // Runs `action` once the windows just hidden are off the screen, the window manager's frames
    // around them included, and what they covered has been drawn again; or after `timeoutMs` at
    // the latest; unless `context` is gone by then.
    virtual void afterWindowsLeave(const std::vector<std::uint32_t>& windows, int timeoutMs,
                                   QObject* context, std::function<void()> action) = 0;
    virtual QPointF pointerPosition() = 0;
    virtual void playCaptureSound() = 0;
    virtual void copyPNGToClipboard(const QByteArray& png) = 0;
    // "Tavro couldn't take that screenshot"; answers true when the user chose to open the
    // settings that `offerSettings` offers. Both show `message` as written for the user.
    virtual bool showCaptureFailure(const std::string& message, bool offerSettings) = 0;
    virtual void showSaveFailure(const std::string& message) = 0;

    // Asks the window manager to iconify the windows of every other application.
    virtual void hideOtherApplications() = 0;
    // Whether a compositing manager runs, so that a window can be see-through.
    virtual bool compositorRunning() = 0;
    // Asks that a window not yet shown appear on every desktop.
    virtual void stickOnEveryDesktop(std::uint32_t window) = 0;
};

// Runs `action` `ms` milliseconds from now on the main thread, unless `context` is gone by then.
class FlowTimer {
public:
    virtual ~FlowTimer() = default;
    virtual void after(int ms, QObject* context, std::function<void()> action) = 0;
};

class EventLoopTimer final : public FlowTimer {
public:
    void after(int ms, QObject* context, std::function<void()> action) override;
};

} // namespace tavro
