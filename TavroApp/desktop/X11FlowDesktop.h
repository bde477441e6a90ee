#pragma once

#include "desktop/CaptureServices.h"

namespace tavro {

// The capture flow's desktop on X11: EWMH for the active window and to give the focus back,
// the freedesktop "screen-capture" sound through libcanberra (silent without a sound server),
// the clipboard, and modal alerts.
class X11FlowDesktop final : public FlowDesktop {
public:
    X11FlowDesktop();
    ~X11FlowDesktop() override;
    X11FlowDesktop(const X11FlowDesktop&) = delete;
    X11FlowDesktop& operator=(const X11FlowDesktop&) = delete;

    std::optional<ForegroundWindow> frontmostWindow() override;
    void activate(const ForegroundWindow& window) override;
    void returnFocus(const ForegroundWindow& window) override;
    void afterWindowsLeave(const std::vector<std::uint32_t>& windows, int timeoutMs,
                           QObject* context, std::function<void()> action) override;
    QPointF pointerPosition() override;
    void playCaptureSound() override;
    void copyPNGToClipboard(const QByteArray& png) override;
    bool showCaptureFailure(const std::string& message, bool offerSettings) override;
    void showSaveFailure(const std::string& message) override;
    void hideOtherApplications() override;
    bool compositorRunning() override;
    void stickOnEveryDesktop(std::uint32_t window) override;

private:
    struct Sound;
    Sound* sound_ = nullptr;
};

} // namespace tavro
