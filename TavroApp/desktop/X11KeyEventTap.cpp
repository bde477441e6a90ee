#include "desktop/X11KeyEventTap.h"

#include "desktop/KeyPositions.h"
#include "desktop/X11Keyboard.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <memory>

namespace tavro {

namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};

} // namespace

X11KeyEventTap::X11KeyEventTap(std::shared_ptr<X11Keyboard> keyboard)
    : keyboard_(std::move(keyboard)) {}

X11KeyEventTap::~X11KeyEventTap() {
    stop();
}

bool X11KeyEventTap::start(Sink& sink) {
    if (sink_)
        return true;
    xcb_connection_t* connection = keyboard_->connection();
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_input_id);
    if (!extension || !extension->present)
        return false;
    std::unique_ptr<xcb_input_xi_query_version_reply_t, FreeDeleter> version(
        xcb_input_xi_query_version_reply(connection, xcb_input_xi_query_version(connection, 2, 2),
                                         nullptr));
    if (!version || version->major_version < 2)
        return false;
    opcode_ = extension->major_opcode;
    if (!select(true))
        return false;
    down_.reset();
    sink_ = &sink;
    QCoreApplication::instance()->installNativeEventFilter(this);
    return true;
}

void X11KeyEventTap::stop() {
    if (!sink_)
        return;
    select(false);
    sink_ = nullptr;
    if (auto* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

bool X11KeyEventTap::select(bool on) {
    struct {
        xcb_input_event_mask_t header;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           on ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS |
                              XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE)
              : 0u};
    xcb_connection_t* connection = keyboard_->connection();
    xcb_generic_error_t* error = xcb_request_check(
        connection,
        xcb_input_xi_select_events_checked(connection, keyboard_->root(), 1, &mask.header));
    if (!error)
        return true;
    std::free(error);
    return false;
}

ModifierSet X11KeyEventTap::heldModifiers() const {
    ModifierSet held;
    for (size_t code = 0; code < down_.size(); ++code) {
        if (down_[code])
            held = held | keyboard_->modifierOfKey(static_cast<std::uint8_t>(code));
    }
    return held;
}

bool X11KeyEventTap::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!sink_ || eventType != "xcb_generic_event_t")
        return false;
    const auto* generic = static_cast<const xcb_ge_generic_event_t*>(message);
    if ((generic->response_type & 0x7F) != XCB_GE_GENERIC || generic->extension != opcode_)
        return false;
    if (generic->event_type != XCB_INPUT_RAW_KEY_PRESS &&
        generic->event_type != XCB_INPUT_RAW_KEY_RELEASE)
        return false;

    const auto* event = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(generic);
    if (event->detail > 255)
        return true;
    const auto code = static_cast<std::uint8_t>(event->detail);
    const double time = event->time / 1000.0;
    const bool press = generic->event_type == XCB_INPUT_RAW_KEY_PRESS;

    if (press == down_[code])
        return true; // auto-repeat, or a release whose press came before the tap started
    down_[code] = press;

    if (keyboard_->isModifierKey(code)) {
        if (!keyboard_->modifierOfKey(code).isEmpty())
            sink_->flagsChanged(heldModifiers(), time);
    } else if (press) {
        const auto designed = KeyPositions::bindingKeyCode(code);
        sink_->keyDown(designed.value_or(unnamedKey), heldModifiers(), time);
    }
    return true;
}

} // namespace tavro
