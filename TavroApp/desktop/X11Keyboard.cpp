#include "desktop/X11Keyboard.h"

#include "model/Text.h"

#include <QCoreApplication>
#include <QGuiApplication>

// xcb/xkb.h names a field after a C++ keyword.
#define explicit explicit_
#include <xcb/xcb.h>
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace tavro {

namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

struct StateDeleter {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};

constexpr std::uint8_t shiftIndex = 0;
constexpr std::uint8_t lockIndex = 1;
constexpr std::uint8_t controlIndex = 2;

} // namespace

std::unique_ptr<X11Keyboard> X11Keyboard::open() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    xcb_connection_t* connection = x11->connection();

    std::uint8_t eventBase = 0;
    if (!xkb_x11_setup_xkb_extension(
            connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &eventBase, nullptr))
        return nullptr;
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0)
        return nullptr;

    // A key held down repeats as presses only, with no release in between, so that a repeat
    // can be told from a fresh press.
    const std::uint32_t repeat = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    Reply<xcb_xkb_per_client_flags_reply_t>(xcb_xkb_per_client_flags_reply(
        connection,
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, repeat, repeat, 0, 0, 0),
        nullptr));

    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    std::unique_ptr<X11Keyboard> keyboard(
        new X11Keyboard(connection, screen->root, device, eventBase));
    if (!keyboard->keymap_)
        return nullptr;
    return keyboard;
}

X11Keyboard::X11Keyboard(xcb_connection_t* connection, std::uint32_t root, std::int32_t deviceID,
                         std::uint8_t xkbEventBase)
    : connection_(connection)
    , root_(root)
    , deviceID_(deviceID)
    , xkbEventBase_(xkbEventBase)
    , context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
    refresh();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Keyboard::~X11Keyboard() {
    if (auto* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

void X11Keyboard::refresh() {
    if (!context_)
        return;
    if (xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context_, connection_, deviceID_,
                                                            XKB_KEYMAP_COMPILE_NO_FLAGS)) {
        xkb_keymap_unref(keymap_);
        keymap_ = keymap;
    }
    if (keymap_)
        readModifierMap();
}

void X11Keyboard::readModifierMap() {
    altMask_ = superMask_ = numLockMask_ = 0;
    modifierOfKey_.fill(std::nullopt);
    Reply<xcb_get_modifier_mapping_reply_t> reply(xcb_get_modifier_mapping_reply(
        connection_, xcb_get_modifier_mapping(connection_), nullptr));
    if (!reply)
        return;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;

    auto firstSym = [this](xcb_keycode_t code) -> xkb_keysym_t {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap_, code, 0, 0, &syms);
        return count > 0 ? syms[0] : XKB_KEY_NoSymbol;
    };

    for (std::uint8_t index = 0; index < 8; ++index) {
        for (int slot = 0; slot < perModifier; ++slot) {
            const xcb_keycode_t code = codes[index * perModifier + slot];
            if (code == 0)
                continue;
            const xkb_keysym_t sym = firstSym(code);
            const std::uint16_t bit = static_cast<std::uint16_t>(1u << index);
            ModifierSet member;
            if (index == shiftIndex) {
                member = ModifierSet::shift;
            } else if (index == controlIndex) {
                member = ModifierSet::control;
            } else if (sym == XKB_KEY_Alt_L || sym == XKB_KEY_Alt_R) {
                altMask_ = bit;
                member = ModifierSet::option;
            } else if (sym == XKB_KEY_Super_L || sym == XKB_KEY_Super_R) {
                superMask_ = bit;
                member = ModifierSet::command;
            } else if (sym == XKB_KEY_Num_Lock) {
                numLockMask_ = bit;
            }
            modifierOfKey_[code] = member;
        }
    }
}

std::uint16_t X11Keyboard::lockMask() const {
    return XCB_MOD_MASK_LOCK;
}

std::optional<std::uint16_t> X11Keyboard::modifierMask(ModifierSet modifiers) const {
    std::uint16_t mask = 0;
    if (modifiers.contains(ModifierSet::shift))
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers.contains(ModifierSet::control))
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers.contains(ModifierSet::option)) {
        if (!altMask_)
            return std::nullopt;
        mask |= altMask_;
    }
    if (modifiers.contains(ModifierSet::command)) {
        if (!superMask_)
            return std::nullopt;
        mask |= superMask_;
    }
    return mask;
}

ModifierSet X11Keyboard::modifiersOfState(std::uint16_t state) const {
    ModifierSet set;
    if (state & XCB_MOD_MASK_SHIFT)
        set = set | ModifierSet::shift;
    if (state & XCB_MOD_MASK_CONTROL)
        set = set | ModifierSet::control;
    if (altMask_ && (state & altMask_))
        set = set | ModifierSet::option;
    if (superMask_ && (state & superMask_))
        set = set | ModifierSet::command;
    return set;
}

std::optional<std::string> X11Keyboard::character(std::uint8_t keyCode) const {
    if (!keymap_)
        return std::nullopt;
    std::unique_ptr<xkb_state, StateDeleter> current(
        xkb_x11_state_new_from_device(keymap_, connection_, deviceID_));
    std::unique_ptr<xkb_state, StateDeleter> plain(xkb_state_new(keymap_));
    if (!plain)
        return std::nullopt;
    const xkb_layout_index_t group =
        current ? xkb_state_serialize_layout(current.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    xkb_state_update_mask(plain.get(), 0, 0, 0, 0, 0, group);

    char buffer[16] = {};
    const int length = xkb_state_key_get_utf8(plain.get(), keyCode, buffer, sizeof buffer);
    if (length <= 0 || length >= static_cast<int>(sizeof buffer))
        return std::nullopt;
    const unsigned char first = static_cast<unsigned char>(buffer[0]);
    if (first < 0x20 || first == 0x7F)
        return std::nullopt;
    return text::uppercased(std::string(buffer, static_cast<size_t>(length)));
}

bool X11Keyboard::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7F;
    if (type == XCB_MAPPING_NOTIFY) {
        refresh();
    } else if (type == xkbEventBase_) {
        const std::uint8_t xkbType = reinterpret_cast<const std::uint8_t*>(event)[1];
        if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY)
            refresh();
    }
    return false;
}

} // namespace tavro
