// GIO first: its headers use the word "signals", which Qt defines as a macro.
#include <gio/gdesktopappinfo.h>

#include "platform/X11Desktop.h"

#include "shell/Utf8.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace tavro {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    return it.data ? it.data->root : xcb_window_t(0);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto cookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)>;

PropertyReply property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                       uint32_t words = 4096) {
    auto cookie = xcb_get_property(c, 0, window, name, type, 0, words);
    return PropertyReply(xcb_get_property_reply(c, cookie, nullptr), &std::free);
}

std::vector<uint32_t> cardinals(xcb_connection_t* c, xcb_window_t window, const char* name,
                                xcb_atom_t type) {
    auto reply = property(c, window, atom(c, name), type);
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::vector<uint32_t>(values, values + count);
}

std::optional<std::string> text(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                xcb_atom_t type) {
    auto reply = property(c, window, name, type);
    if (!reply || reply->format != 8)
        return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    if (length <= 0)
        return std::nullopt;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       size_t(length));
}

std::string lowercaseASCII(std::string text) {
    for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z')
            ch = char(ch - 'A' + 'a');
    return text;
}

std::optional<DesktopEntry> entryFrom(GDesktopAppInfo* info) {
    if (!info)
        return std::nullopt;
    DesktopEntry entry;
    if (const char* id = g_app_info_get_id(G_APP_INFO(info))) {
        entry.id = id;
        constexpr std::string_view suffix = ".desktop";
        if (entry.id.size() > suffix.size() && entry.id.ends_with(suffix))
            entry.id.resize(entry.id.size() - suffix.size());
    }
    if (const char* name = g_app_info_get_name(G_APP_INFO(info)))
        entry.name = name;
    g_object_unref(info);
    if (entry.id.empty() || entry.name.empty())
        return std::nullopt;
    return entry;
}

} // namespace

std::optional<DesktopEntry> desktopEntryForClass(const std::string& instance,
                                                 const std::string& windowClass) {
    for (const std::string& candidate :
         {windowClass, lowercaseASCII(windowClass), instance, lowercaseASCII(instance)}) {
        if (candidate.empty())
            continue;
        const std::string id = candidate + ".desktop";
        if (auto entry = entryFrom(g_desktop_app_info_new(id.c_str())))
            return entry;
    }
    // Entries that name the class they open their windows with.
    GList* all = g_app_info_get_all();
    std::optional<DesktopEntry> found;
    for (GList* item = all; item && !found; item = item->next) {
        auto* info = G_DESKTOP_APP_INFO(item->data);
        const char* wmClass = g_desktop_app_info_get_startup_wm_class(info);
        if (wmClass && (windowClass == wmClass || instance == wmClass))
            found = entryFrom(G_DESKTOP_APP_INFO(g_object_ref(info)));
    }
    g_list_free_full(all, g_object_unref);
    return found;
}

std::optional<std::uint32_t> X11Desktop::activeWindow() {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    auto values = cardinals(c, rootWindow(c), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
    if (values.empty() || values[0] == 0)
        return std::nullopt;
    return values[0];
}

std::optional<std::int64_t> X11Desktop::windowPID(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    auto values = cardinals(c, window, "_NET_WM_PID", XCB_ATOM_CARDINAL);
    if (values.empty())
        return std::nullopt;
    return std::int64_t(values[0]);
}

std::optional<std::pair<std::string, std::string>> X11Desktop::windowClass(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    auto value = text(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    if (!value)
        return std::nullopt;
    // Two NUL-terminated strings: instance, then class.
    const auto split = value->find('\0');
    std::string instance = value->substr(0, split);
    std::string windowClass;
    if (split != std::string::npos) {
        windowClass = value->substr(split + 1);
        if (auto end = windowClass.find('\0'); end != std::string::npos)
            windowClass.resize(end);
    }
    return std::make_pair(instance, windowClass);
}

std::optional<std::string> X11Desktop::windowTitle(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    if (auto title = text(c, window, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING")))
        return title;
    return text(c, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY);
}

std::optional<FrontApplication> X11Desktop::frontmostApplication() {
    const auto window = activeWindow();
    if (!window)
        return std::nullopt;
    FrontApplication app;
    app.pid = windowPID(*window).value_or(0);
    if (auto classes = windowClass(*window)) {
        if (auto entry = desktopEntryForClass(classes->first, classes->second)) {
            app.name = entry->name;
            app.bundleID = entry->id;
        } else {
            const std::string& name = classes->second.empty() ? classes->first : classes->second;
            if (!name.empty()) {
                app.name = name;
                app.bundleID = name;
            }
        }
    }
    return app;
}

std::optional<std::string> X11Desktop::frontWindowTitle(std::int64_t pid) {
    xcb_connection_t* c = connection();
    if (!c || pid <= 0)
        return std::nullopt;
    const auto stacking = cardinals(c, rootWindow(c), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
    // Bottom to top: the front window is the last of the process's windows.
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        if (windowPID(*it) != pid)
            continue;
        auto title = windowTitle(*it);
        if (!title || title->empty())
            return std::nullopt;
        return title;
    }
    return std::nullopt;
}

std::optional<std::string> X11Desktop::displayUnderCursor() {
    const QPoint pointer = QCursor::pos();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().contains(pointer))
            return toStdString(screen->name());
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return toStdString(primary->name());
    return std::nullopt;
}

void X11Desktop::activate(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(c, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2; // from a pager: the window manager does not second-guess it
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, rootWindow(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

void X11Desktop::hideOtherApplications() {
    xcb_connection_t* c = connection();
    if (!c)
        return;
    const xcb_window_t root = rootWindow(c);
    const xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    const xcb_atom_t desktop = atom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
    const xcb_atom_t changeState = atom(c, "WM_CHANGE_STATE");
    const auto ownPID = std::int64_t(QCoreApplication::applicationPid());
    constexpr uint32_t iconicState = 3;
    for (const uint32_t window : cardinals(c, root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW)) {
        if (windowPID(window) == ownPID)
            continue;
        const auto types = cardinals(c, window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM);
        if (std::any_of(types.begin(), types.end(),
                        [&](uint32_t type) { return type == dock || type == desktop; }))
            continue;
        // The ICCCM request to iconify a managed window.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = changeState;
        event.data.data32[0] = iconicState;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(c);
}

bool X11Desktop::compositorRunning() {
    xcb_connection_t* c = connection();
    if (!c)
        return false;
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    if (auto dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':'))
        screen = display.mid(dot + 1).toInt();
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    auto cookie = xcb_get_selection_owner(c, atom(c, name.c_str()));
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(c, cookie, nullptr), &std::free);
    return reply && reply->owner != XCB_NONE;
}

} // namespace tavro
