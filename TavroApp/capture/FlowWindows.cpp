#include "capture/FlowWindows.h"

#include "desktop/AppWindows.h"

#include <QApplication>

namespace tavro {

namespace {

bool isOwn(const std::optional<ForegroundWindow>& window) {
    return window && window->pid == QCoreApplication::applicationPid();
}

} // namespace

void FlowWindows::begin() {
    if (active_)
        return;
    active_ = true;
    ++flows_;
    previous_ = desktop_.frontmostWindow();
    hidden_.clear();
    // Hidden even when one of them is in front: the screenshot is of what lies behind them.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        // Frameless panels, such as the note box, stay.
        if (!window->isVisible() || !isAppWindow(window) ||
            window->windowFlags().testFlag(Qt::FramelessWindowHint) ||
            window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)
            continue;
        hidden_.emplace_back(window);
    }
    for (const auto& window : hidden_)
        window->hide();
}

std::vector<std::uint32_t> FlowWindows::hiddenIds() const {
    std::vector<std::uint32_t> ids;
    for (const auto& window : hidden_)
        if (window)
            ids.push_back(std::uint32_t(window->winId()));
    return ids;
}

std::vector<std::uint32_t> FlowWindows::closedPanels() {
    std::vector<std::uint32_t> ids;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (!window->isVisible() && window->internalWinId() && isAppWindow(window) &&
            window->windowFlags().testFlag(Qt::FramelessWindowHint) &&
            !window->windowFlags().testFlag(Qt::X11BypassWindowManagerHint))
            ids.push_back(std::uint32_t(window->internalWinId()));
    return ids;
}

void FlowWindows::end(bool giveFocusBack, QObject* context) {
    if (!active_)
        return;
    active_ = false;
    auto windows = std::move(hidden_);
    hidden_.clear();
    auto app = giveFocusBack ? std::move(previous_) : std::nullopt;
    previous_.reset();
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
    if (app && !isOwn(app)) {
        desktop_.activate(*app);
        // A window manager may focus windows as they map again: give the focus back once more,
        // unless another flow has begun since; its note box has the focus by then, and the
        // windows still hidden come back when that flow ends.
        timer_.after(returnDelayMs, context, [this, windows, bringBack, app = *app, flow = flows_] {
            if (flow != flows_) {
                if (active_)
                    hidden_.insert(hidden_.end(), windows.begin(), windows.end());
                else
                    bringBack();
                return;
            }
            bringBack();
            desktop_.activate(app);
        });
    } else {
        bringBack();
        if (app)
            desktop_.returnFocus(*app);
    }
}

} // namespace tavro
