#include "desktop/X11HotkeyRegistrar.h"

#include "desktop/KeyPositions.h"
#include "desktop/X11Keyboard.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace tavro {

class X11HotkeyRegistrar::Grab final : public RegisteredHotkey {
public:
    Grab(X11HotkeyRegistrar& owner, std::uint8_t keyCode, std::vector<std::uint16_t> masks)
        : owner_(&owner)
        , keyCode_(keyCode)
        , masks_(std::move(masks)) {}
    ~Grab() override {
        if (owner_)
            owner_->release(this);
    }

    std::uint8_t keyCode() const { return keyCode_; }
    const std::vector<std::uint16_t>& masks() const { return masks_; }

private:
    QPointer<X11HotkeyRegistrar> owner_;
    std::uint8_t keyCode_;
    std::vector<std::uint16_t> masks_;
};

namespace {

constexpr std::uint16_t coreModifierBits = 0xFF;

bool grabKey(xcb_connection_t* connection, xcb_window_t root, std::uint16_t mask,
             std::uint8_t keyCode) {
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_grab_key_checked(connection, 0, root, mask, keyCode, XCB_GRAB_MODE_ASYNC,
                                         XCB_GRAB_MODE_ASYNC));
    if (!error)
        return true;
    std::free(error);
    return false;
}

} // namespace

X11HotkeyRegistrar::X11HotkeyRegistrar(std::shared_ptr<X11Keyboard> keyboard, QObject* parent)
    : QObject(parent)
    , keyboard_(std::move(keyboard)) {
    releaseWatch_.setInterval(100);
    connect(&releaseWatch_, &QTimer::timeout, this, &X11HotkeyRegistrar::forgetReleasedKeys);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

void X11HotkeyRegistrar::forgetReleasedKeys() {
    xcb_connection_t* connection = keyboard_->connection();
    std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> keymap(
        xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr), &std::free);
    if (!keymap)
        return;
    std::erase_if(
        held_, [&](std::uint8_t code) { return !(keymap->keys[code / 8] & (1u << (code % 8))); });
    if (held_.empty())
        releaseWatch_.stop();
}

X11HotkeyRegistrar::~X11HotkeyRegistrar() {
    if (auto* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
    while (!live_.empty())
        release(live_.front().grab);
}

std::vector<std::uint16_t> X11HotkeyRegistrar::lockVariants(std::uint16_t mask) const {
    const std::uint16_t locks[] = {
        0, keyboard_->lockMask(), keyboard_->numLockMask(),
        static_cast<std::uint16_t>(keyboard_->lockMask() | keyboard_->numLockMask())};
    std::vector<std::uint16_t> variants;
    for (std::uint16_t lock : locks) {
        const std::uint16_t variant = mask | lock;
        if (std::find(variants.begin(), variants.end(), variant) == variants.end())
            variants.push_back(variant);
    }
    return variants;
}

std::unique_ptr<RegisteredHotkey>
X11HotkeyRegistrar::registerHotkey(std::uint16_t keyCode, ModifierSet modifiers,
                                   std::function<void()> handler) {
    const auto x11Code = KeyPositions::x11KeyCode(keyCode);
    const auto mask = keyboard_->modifierMask(modifiers);
    if (!x11Code || !mask)
        return nullptr;

    xcb_connection_t* connection = keyboard_->connection();
    std::vector<std::uint16_t> grabbed;
    for (std::uint16_t variant : lockVariants(*mask)) {
        if (!grabKey(connection, keyboard_->root(), variant, *x11Code)) {
            for (std::uint16_t done : grabbed)
                xcb_ungrab_key(connection, *x11Code, keyboard_->root(), done);
            xcb_flush(connection);
            return nullptr;
        }
        grabbed.push_back(variant);
    }

    auto grab = std::make_unique<Grab>(*this, *x11Code, std::move(grabbed));
    live_.push_back({grab.get(), *x11Code, *mask, std::move(handler)});
    return grab;
}

void X11HotkeyRegistrar::release(Grab* grab) {
    auto it = std::find_if(live_.begin(), live_.end(),
                           [grab](const Live& live) { return live.grab == grab; });
    if (it == live_.end())
        return;
    // A combination registered twice by this process is one grab on the server: it stays until
    // the last registration goes.
    const bool shared = std::any_of(live_.begin(), live_.end(), [&](const Live& other) {
        return other.grab != grab && other.keyCode == it->keyCode && other.mask == it->mask;
    });
    if (!shared) {
        for (std::uint16_t mask : grab->masks())
            xcb_ungrab_key(keyboard_->connection(), grab->keyCode(), keyboard_->root(), mask);
        xcb_flush(keyboard_->connection());
    }
    live_.erase(it);
}

bool X11HotkeyRegistrar::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* generic = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = generic->response_type & 0x7F;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Mostly reported to the root window through the grab; while one of the app's own windows
    // holds the keyboard (the selection overlay does), to that window instead.
    const auto* event = reinterpret_cast<const xcb_key_press_event_t*>(generic);

    const std::uint16_t locks = keyboard_->lockMask() | keyboard_->numLockMask();
    const std::uint16_t state = event->state & coreModifierBits & ~locks;
    auto live = std::find_if(live_.begin(), live_.end(), [&](const Live& entry) {
        return entry.keyCode == event->detail && entry.mask == state;
    });
    auto held = std::find(held_.begin(), held_.end(), event->detail);

    if (type == XCB_KEY_RELEASE) {
        if (held == held_.end())
            return false;
        held_.erase(held);
        return true;
    }
    if (live == live_.end())
        return false;
    if (held != held_.end())
        return true;
    held_.push_back(event->detail);
    releaseWatch_.start();
    QTimer::singleShot(0, this, [handler = live->handler] {
        if (handler)
            handler();
    });
    return true;
}

} // namespace tavro
