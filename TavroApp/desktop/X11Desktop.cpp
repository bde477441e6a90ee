// GIO first: its headers use the word "signals", which Qt defines as a macro.
#include <gio/gdesktopappinfo.h>

#include "desktop/X11Desktop.h"

#include "desktop/X11TextProperty.h"
#include "values/Utf8.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace tavro {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

Display* xlibDisplay() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    return it.data ? it.data->root : xcb_window_t(0);
}

// The atoms this file asks about, interned once per connection: every request goes out before
// the first reply is read, so that the whole set costs one round trip.
struct Atoms {
    xcb_atom_t activeWindow;
    xcb_atom_t clientList;
    xcb_atom_t clientListStacking;
    xcb_atom_t pid;
    xcb_atom_t name;
    xcb_atom_t utf8String;
    xcb_atom_t windowType;
    xcb_atom_t dockType;
    xcb_atom_t desktopType;
    xcb_atom_t changeState;
};

const Atoms& atoms(xcb_connection_t* c) {
    static xcb_connection_t* internedOn = nullptr;
    static Atoms interned{};
    if (internedOn == c)
        return interned;
    constexpr std::array<const char*, 10> names{"_NET_ACTIVE_WINDOW",
                                                "_NET_CLIENT_LIST",
                                                "_NET_CLIENT_LIST_STACKING",
                                                "_NET_WM_PID",
                                                "_NET_WM_NAME",
                                                "UTF8_STRING",
                                                "_NET_WM_WINDOW_TYPE",
                                                "_NET_WM_WINDOW_TYPE_DOCK",
                                                "_NET_WM_WINDOW_TYPE_DESKTOP",
                                                "WM_CHANGE_STATE"};
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
    for (size_t i = 0; i < names.size(); ++i)
        cookies[i] = xcb_intern_atom(c, 0, uint16_t(std::strlen(names[i])), names[i]);
    std::array<xcb_atom_t, names.size()> values{};
    for (size_t i = 0; i < names.size(); ++i) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c, cookies[i], nullptr), &std::free);
        values[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    interned = {values[0], values[1], values[2], values[3], values[4],
                values[5], values[6], values[7], values[8], values[9]};
    internedOn = c;
    return interned;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto cookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)>;

xcb_get_property_cookie_t ask(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                              xcb_atom_t type, uint32_t words = 4096) {
    return xcb_get_property(c, 0, window, name, type, 0, words);
}

PropertyReply answer(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    return PropertyReply(xcb_get_property_reply(c, cookie, nullptr), &std::free);
}

std::vector<uint32_t> cardinals(const PropertyReply& reply) {
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::vector<uint32_t>(values, values + count);
}

std::optional<std::int64_t> pidOf(const PropertyReply& reply) {
    const auto values = cardinals(reply);
    if (values.empty())
        return std::nullopt;
    return std::int64_t(values[0]);
}

std::optional<std::string> bytes(const PropertyReply& reply) {
    if (!reply || reply->format != 8)
        return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    if (length <= 0)
        return std::nullopt;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       size_t(length));
}

// WM_CLASS holds two NUL-terminated strings: instance, then class.
std::optional<std::pair<std::string, std::string>> classOf(const PropertyReply& reply) {
    const auto value = bytes(reply);
    if (!value)
        return std::nullopt;
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

// The two requests for a window's title: _NET_WM_NAME first, WM_NAME in whatever type it has.
struct TitleCookies {
    xcb_get_property_cookie_t netName;
    xcb_get_property_cookie_t name;
};

TitleCookies askTitle(xcb_connection_t* c, const Atoms& a, xcb_window_t window) {
    return {ask(c, window, a.name, a.utf8String),
            ask(c, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY)};
}

std::optional<std::string> decoded(const Atoms& a, const PropertyReply& reply) {
    if (!reply || reply->format != 8)
        return std::nullopt;
    const auto value = bytes(reply);
    if (!value)
        return std::nullopt;
    return decodeTextProperty(xlibDisplay(), X11TextAtoms{a.utf8String, XCB_ATOM_STRING},
                              reply->type, reply->format, *value);
}

std::optional<std::string> answerTitle(xcb_connection_t* c, const Atoms& a, TitleCookies cookies) {
    const auto netName = answer(c, cookies.netName);
    const auto name = answer(c, cookies.name);
    if (auto title = decoded(a, netName))
        return title;
    return decoded(a, name);
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

namespace {

std::optional<DesktopEntry> searchDesktopEntry(const std::string& instance,
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

using EntryCache = std::map<std::pair<std::string, std::string>, std::optional<DesktopEntry>>;

void forgetEntries(GAppInfoMonitor*, gpointer cache) {
    static_cast<EntryCache*>(cache)->clear();
}

} // namespace

std::optional<DesktopEntry> desktopEntryForClass(const std::string& instance,
                                                 const std::string& windowClass) {
    // Reading every desktop entry takes far longer than the capture flow may wait before its
    // overlay shows: answers are kept until the installed entries change.
    static EntryCache cache;
    static const bool watching = [] {
        g_signal_connect(g_app_info_monitor_get(), "changed", G_CALLBACK(forgetEntries), &cache);
        return true;
    }();
    (void)watching;
    const auto key = std::make_pair(instance, windowClass);
    if (auto it = cache.find(key); it != cache.end())
        return it->second;
    return cache[key] = searchDesktopEntry(instance, windowClass);
}

std::optional<std::uint32_t> X11Desktop::activeWindow() {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    const auto values =
        cardinals(answer(c, ask(c, rootWindow(c), atoms(c).activeWindow, XCB_ATOM_WINDOW, 1)));
    if (values.empty() || values[0] == 0)
        return std::nullopt;
    return values[0];
}

std::optional<std::int64_t> X11Desktop::windowPID(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    return pidOf(answer(c, ask(c, window, atoms(c).pid, XCB_ATOM_CARDINAL, 1)));
}

std::optional<std::pair<std::string, std::string>> X11Desktop::windowClass(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    return classOf(answer(c, ask(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING)));
}

std::optional<std::string> X11Desktop::windowTitle(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    const Atoms& a = atoms(c);
    return answerTitle(c, a, askTitle(c, a, window));
}

std::optional<FrontWindow> X11Desktop::frontWindow() {
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    const Atoms& a = atoms(c);
    const xcb_window_t root = rootWindow(c);
    // Two round trips in all: the root's two lists, then every window's process and title.
    const auto activeCookie = ask(c, root, a.activeWindow, XCB_ATOM_WINDOW, 1);
    const auto stackingCookie = ask(c, root, a.clientListStacking, XCB_ATOM_WINDOW);
    const auto active = cardinals(answer(c, activeCookie));
    const auto stacking = cardinals(answer(c, stackingCookie));
    if (active.empty() || active[0] == 0)
        return std::nullopt;

    FrontWindow front;
    front.window = active[0];
    const auto classCookie = ask(c, front.window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    const auto pidCookie = ask(c, front.window, a.pid, XCB_ATOM_CARDINAL, 1);
    std::vector<xcb_get_property_cookie_t> pidCookies;
    std::vector<TitleCookies> titleCookies;
    for (const uint32_t window : stacking) {
        pidCookies.push_back(ask(c, window, a.pid, XCB_ATOM_CARDINAL, 1));
        titleCookies.push_back(askTitle(c, a, window));
    }
    if (auto classes = classOf(answer(c, classCookie))) {
        front.instance = std::move(classes->first);
        front.windowClass = std::move(classes->second);
    }
    front.pid = pidOf(answer(c, pidCookie)).value_or(0);
    // Bottom to top: the front window is the last of the process's windows. Every reply is
    // collected, so that none is left waiting on the connection.
    std::optional<size_t> frontmostOfProcess;
    std::vector<std::optional<std::int64_t>> pids;
    for (const auto& cookie : pidCookies)
        pids.push_back(pidOf(answer(c, cookie)));
    for (size_t i = pids.size(); i-- > 0;)
        if (front.pid > 0 && pids[i] == front.pid) {
            frontmostOfProcess = i;
            break;
        }
    for (size_t i = 0; i < titleCookies.size(); ++i) {
        if (frontmostOfProcess == i) {
            front.title = answerTitle(c, a, titleCookies[i]);
        } else {
            xcb_discard_reply(c, titleCookies[i].netName.sequence);
            xcb_discard_reply(c, titleCookies[i].name.sequence);
        }
    }
    return front;
}

std::optional<FrontApplication> X11Desktop::frontmostApplication() {
    const auto window = frontWindow();
    if (!window)
        return std::nullopt;
    FrontApplication app;
    app.pid = window->pid;
    app.windowTitle = window->title;
    if (auto entry = desktopEntryForClass(window->instance, window->windowClass)) {
        app.name = entry->name;
        app.bundleID = entry->id;
    } else {
        const std::string& name =
            window->windowClass.empty() ? window->instance : window->windowClass;
        if (!name.empty()) {
            app.name = name;
            app.bundleID = name;
        }
    }
    return app;
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
    event.type = atoms(c).activeWindow;
    event.data.data32[0] = 2; // from a pager: the window manager does not second-guess it
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, rootWindow(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

void X11Desktop::focus(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return;
    // A window closed or unmapped meanwhile refuses the focus; that error is no one's business.
    std::free(xcb_request_check(
        c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME)));
    activate(window);
}

std::vector<std::uint32_t> X11Desktop::topLevelFrames(const std::vector<std::uint32_t>& windows) {
    xcb_connection_t* c = connection();
    if (!c)
        return {};
    const xcb_window_t root = rootWindow(c);
    using TreeReply = std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)>;
    // One round trip per level of nesting, for all the windows at once.
    std::vector<std::uint32_t> current = windows;
    std::vector<std::uint32_t> frames;
    for (int depth = 0; depth < 8 && !current.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        for (const uint32_t window : current)
            cookies.push_back(xcb_query_tree(c, window));
        std::vector<std::uint32_t> parents;
        for (size_t i = 0; i < cookies.size(); ++i) {
            xcb_generic_error_t* error = nullptr;
            TreeReply tree(xcb_query_tree_reply(c, cookies[i], &error), &std::free);
            std::free(error);
            if (!tree)
                continue;
            if (tree->parent == root || tree->parent == XCB_WINDOW_NONE)
                frames.push_back(current[i]);
            else
                parents.push_back(tree->parent);
        }
        current = std::move(parents);
    }
    return frames;
}

bool X11Desktop::anyViewable(const std::vector<std::uint32_t>& windows) {
    xcb_connection_t* c = connection();
    if (!c)
        return false;
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    for (const uint32_t window : windows)
        cookies.push_back(xcb_get_window_attributes(c, window));
    bool viewable = false;
    for (const auto& cookie : cookies) {
        // A frame the window manager destroyed meanwhile answers with an error, kept here.
        xcb_generic_error_t* error = nullptr;
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> reply(
            xcb_get_window_attributes_reply(c, cookie, &error), &std::free);
        std::free(error);
        viewable = viewable || (reply && reply->map_state == XCB_MAP_STATE_VIEWABLE);
    }
    return viewable;
}

void X11Desktop::hideOtherApplications() {
    xcb_connection_t* c = connection();
    if (!c)
        return;
    const Atoms& a = atoms(c);
    const xcb_window_t root = rootWindow(c);
    const auto ownPID = std::int64_t(QCoreApplication::applicationPid());
    constexpr uint32_t iconicState = 3;
    const auto clients = cardinals(answer(c, ask(c, root, a.clientList, XCB_ATOM_WINDOW)));
    std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
    for (const uint32_t window : clients)
        cookies.emplace_back(ask(c, window, a.pid, XCB_ATOM_CARDINAL, 1),
                             ask(c, window, a.windowType, XCB_ATOM_ATOM));
    for (size_t i = 0; i < clients.size(); ++i) {
        const bool own = pidOf(answer(c, cookies[i].first)) == ownPID;
        const auto types = cardinals(answer(c, cookies[i].second));
        if (own || std::any_of(types.begin(), types.end(), [&](uint32_t type) {
                return type == a.dockType || type == a.desktopType;
            }))
            continue;
        // The ICCCM request to iconify a managed window.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = clients[i];
        event.type = a.changeState;
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
    static xcb_connection_t* internedOn = nullptr;
    static xcb_atom_t selection = XCB_ATOM_NONE;
    if (internedOn != c) {
        const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
        selection = atom(c, name.c_str());
        internedOn = c;
    }
    auto cookie = xcb_get_selection_owner(c, selection);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(c, cookie, nullptr), &std::free);
    return reply && reply->owner != XCB_NONE;
}

void X11Desktop::stickOnEveryDesktop(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c)
        return;
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t sticky = atom(c, "_NET_WM_STATE_STICKY");
    const xcb_atom_t desktop = atom(c, "_NET_WM_DESKTOP");
    // Appended: Qt adds its own states to this property when it maps the window, keeping ours.
    xcb_change_property(c, XCB_PROP_MODE_APPEND, window, state, XCB_ATOM_ATOM, 32, 1, &sticky);
    const std::uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, desktop, XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    xcb_flush(c);
}

} // namespace tavro
