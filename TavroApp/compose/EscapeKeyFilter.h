#pragma once

#include <QObject>

#include <functional>

namespace tavro {

// Watches every key press of the application and turns Escape (without Ctrl) into `onEscape`,
// swallowing it. Leaves Escape alone while a popup menu is open, an input method is composing
// text or a window that bypasses the window manager has the keys, so those can close or cancel
// themselves.
class EscapeKeyFilter final : public QObject {
    Q_OBJECT

public:
    explicit EscapeKeyFilter(std::function<void()> onEscape, QObject* parent = nullptr);
    ~EscapeKeyFilter() override;
    EscapeKeyFilter(const EscapeKeyFilter&) = delete;
    EscapeKeyFilter& operator=(const EscapeKeyFilter&) = delete;

    // Stops watching; safe to call from inside `onEscape`.
    void uninstall();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> onEscape_;
    bool installed_ = false;
    bool composing_ = false;
};

} // namespace tavro
