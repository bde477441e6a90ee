// The global shortcuts and the status item of the real program, on a real X server under icewm,
// pressed through xdotool as a person would.
#include "DesktopSession.h"

#include "store/CaptureStore.h"

#include "TempLibrary.h"
#include <gio/gio.h>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tavro;
using tavro::test::BackgroundProcess;
using tavro::test::DesktopSession;
using tavro::test::filesUnder;

namespace {

std::string environmentValue(const DesktopSession& session, const std::string& name) {
    for (const std::string& entry : session.environment())
        if (entry.starts_with(name + "="))
            return entry.substr(name.size() + 1);
    return {};
}

std::string readLog(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The app runs with onboarding done and its board up; the xterm is in front, so that the flow
// hides the board while its overlay shows.
struct RunningApp {
    explicit RunningApp(DesktopSession& session, const std::string& settings = {},
                        const std::vector<std::string>& env = {})
        : session(session) {
        session.completeOnboarding();
        if (!settings.empty())
            std::ofstream(session.home() / ".config/tavro/Tavro.conf", std::ios::app) << settings;
        app = &session.launchTavro({}, env);
        EXPECT_TRUE(session.focusXtermOnceTheBoardIsUp());
    }

    bool boardHidden() const { return session.windowsNamed("^Tavro$").empty(); }
    bool waitForOverlay() const {
        return DesktopSession::waitUntil([&] { return boardHidden(); }, 3s);
    }

    DesktopSession& session;
    BackgroundProcess* app = nullptr;
};

TEST(ShortcutTest, RegionShortcutOpensTheOverlayAndASecondPressTheNoteOnlyBox) {
    DesktopSession session;
    RunningApp app(session);
    session.key("alt+shift+2");
    ASSERT_TRUE(app.waitForOverlay());
    session.screenshot("shortcut-overlay");
    EXPECT_TRUE(session.windowsNamed("^Tavro Note$").empty());

    session.key("alt+shift+2");
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$", 5s));
    session.screenshot("shortcut-second-press-note-box");
    EXPECT_EQ(filesUnder(session.library() / "captures"), 0u);
}

TEST(ShortcutTest, HoldingTheRegionShortcutForASecondIsOnePress) {
    DesktopSession session;
    RunningApp app(session);
    session.xdotool({"keydown", "alt+shift+2", "sleep", "1", "keyup", "alt+shift+2"});
    ASSERT_TRUE(app.waitForOverlay());
    EXPECT_TRUE(DesktopSession::holdsFor(
        [&] { return session.windowsNamed("^Tavro Note$").empty(); }, 500ms));
    EXPECT_TRUE(session.windowsNamed("^Tavro Note$").empty()) << "a repeat is no second press";
    EXPECT_TRUE(app.boardHidden()) << "the overlay is still up";

    session.drag(200, 150, 500, 350);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$", 5s));
    EXPECT_EQ(filesUnder(session.library() / "captures"), 1u);
}

TEST(ShortcutTest, FullScreenShortcutWritesAPngAndTwoQuickPressesOnlyTheNoteBox) {
    DesktopSession session;
    RunningApp app(session);
    session.key("alt+shift+3");
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$", 5s));
    // The box shows the screenshot from memory while its file is written.
    DesktopSession::waitUntil([&] { return filesUnder(session.library() / "captures") == 1u; }, 5s);
    ASSERT_EQ(filesUnder(session.library() / "captures"), 1u);
    session.screenshot("shortcut-full-screen-note-box");
    session.key("ctrl+Return");
    const auto found = session.waitForOneCapture(5s);
    ASSERT_TRUE(found);
    const Capture stored = *found;
    EXPECT_EQ(stored.captureMode, CaptureMode::fullscreen);
    EXPECT_EQ(stored.imageWidth, 1280);
    EXPECT_EQ(stored.imageHeight, 800);
    EXPECT_TRUE(stored.imagePath.ends_with(".png"));

    session.focusXterm();
    session.xdotool({"key", "--delay", "60", "alt+shift+3", "alt+shift+3"});
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$", 5s));
    DesktopSession::holdsFor([&] { return filesUnder(session.library() / "captures") == 1u; },
                             500ms);
    EXPECT_EQ(filesUnder(session.library() / "captures"), 1u) << "the second press wrote nothing";
}

TEST(ShortcutTest, DoubleTapOfAltOpensTheOverlayAndOneTapDoesNot) {
    DesktopSession session;
    RunningApp app(session,
                   "hotkey.region=\"@ByteArray({\\\"modifiers\\\":2,\\\"tapCount\\\":2})\"\n");
    session.key("alt");
    DesktopSession::holdsFor([&] { return !app.boardHidden(); }, 800ms);
    EXPECT_FALSE(app.boardHidden()) << "one tap is not the shortcut";

    session.xdotool({"key", "--delay", "80", "alt", "alt"});
    ASSERT_TRUE(app.waitForOverlay());
    ASSERT_TRUE(session.waitForKeyboardGrab());
    session.key("Escape");
    EXPECT_TRUE(session.waitForWindow("^Tavro$", 5s));
}

// Another X client that grabs a key combination first.
class KeyHolder {
public:
    KeyHolder(const std::string& display, std::uint8_t keyCode, std::uint16_t modifiers) {
        connection_ = xcb_connect(display.c_str(), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        xcb_generic_error_t* error = xcb_request_check(
            connection_, xcb_grab_key_checked(connection_, 1, root, modifiers, keyCode,
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        held_ = error == nullptr;
        free(error);
    }
    ~KeyHolder() { xcb_disconnect(connection_); }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;

    bool held() const { return held_; }

private:
    xcb_connection_t* connection_ = nullptr;
    bool held_ = false;
};

TEST(ShortcutTest, ACombinationAnotherClientHoldsIsReportedAsAConflict) {
    DesktopSession session;
    // The "2" key (input code 3, plus 8) with Shift and Alt (Mod1 on this server).
    KeyHolder holder(environmentValue(session, "DISPLAY"), 11, XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_1);
    ASSERT_TRUE(holder.held());
    RunningApp app(session);
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] {
            return readLog(session.log("tavro"))
                       .find("Capture a region: Another app already owns this shortcut — pick a "
                             "different one.") != std::string::npos;
        },
        3s))
        << readLog(session.log("tavro"));

    // The settings show it beside the region shortcut.
    EXPECT_TRUE(session.activate(session.windowsNamed("^Tavro$").front()));
    session.key("ctrl+comma");
    ASSERT_TRUE(session.waitForWindow("^Tavro Settings$"));
    session.screenshot("settings-shortcut-conflict");

    // Nothing fires for it, and the other shortcut works.
    session.focusXterm();
    session.key("alt+shift+2");
    DesktopSession::holdsFor([&] { return session.windowsNamed("^Tavro Note$").empty(); }, 600ms);
    EXPECT_TRUE(session.windowsNamed("^Tavro Note$").empty());
    session.key("alt+shift+3");
    EXPECT_TRUE(session.waitForWindow("^Tavro Note$", 5s));
}

constexpr const char* watcherInterface = R"(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
  </interface>
</node>)";

void answerMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                  GVariant*, GDBusMethodInvocation* invocation, gpointer) {
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* answerProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                         const gchar* property, GError**, gpointer) {
    const std::string name = property;
    if (name == "IsStatusNotifierHostRegistered")
        return g_variant_new_boolean(TRUE);
    if (name == "ProtocolVersion")
        return g_variant_new_int32(0);
    return g_variant_new_strv(nullptr, 0);
}

// A session bus with a stand-in status-notifier host, so that the app's tray icon speaks the
// StatusNotifierItem protocol and its tool tip can be read back. The host answers on a thread
// of its own.
class TrayHost {
public:
    explicit TrayHost(const DesktopSession& session)
        : socket_(fs::path(environmentValue(session, "XDG_RUNTIME_DIR")) / "bus")
        , address_("unix:path=" + socket_.string())
        , daemon_({"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile",
                   "--address=" + address_},
                  session.environment(), session.home() / "dbus.log") {
        DesktopSession::waitUntil([&] { return fs::exists(socket_); }, 5s);
        GError* error = nullptr;
        bus_ = g_dbus_connection_new_for_address_sync(
            address_.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (!bus_)
            throw std::runtime_error(error->message);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(watcherInterface, nullptr);
        static const GDBusInterfaceVTable vtable{answerMethod, answerProperty, nullptr, {}};
        g_main_context_push_thread_default(context_);
        g_dbus_connection_register_object(bus_, "/StatusNotifierWatcher", node->interfaces[0],
                                          &vtable, nullptr, nullptr, nullptr);
        g_main_context_pop_thread_default(context_);
        g_dbus_node_info_unref(node);
        host_ = std::thread([this] {
            while (!stopping_)
                g_main_context_iteration(context_, TRUE);
        });
        GVariant* reply =
            call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                 "RequestName", g_variant_new("(su)", "org.kde.StatusNotifierWatcher", 4u));
        if (reply)
            g_variant_unref(reply);
    }
    ~TrayHost() {
        stopping_ = true;
        g_main_context_wakeup(context_);
        host_.join();
        g_object_unref(bus_);
        g_main_context_unref(context_);
    }
    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;

    std::string busAddress() const { return "DBUS_SESSION_BUS_ADDRESS=" + address_; }

    // The tool tip title of the tray item that the process `pid` shows, if any. The process
    // may hold more than one connection to the bus (the keyring's is another), so each is asked.
    std::optional<std::string> toolTip(int pid) {
        for (const auto& owner : connectionsOf(pid))
            if (auto title = toolTipOf(owner))
                return title;
        return std::nullopt;
    }

private:
    GVariant* call(const char* destination, const char* path, const char* interface,
                   const char* method, GVariant* arguments) {
        return g_dbus_connection_call_sync(bus_, destination, path, interface, method, arguments,
                                           nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    }

    std::optional<std::string> toolTipOf(const std::string& owner) {
        GVariant* reply =
            call(owner.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                 g_variant_new("(ss)", "org.kde.StatusNotifierItem", "ToolTip"));
        if (!reply)
            return std::nullopt;
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        std::optional<std::string> title;
        if (g_variant_is_of_type(value, G_VARIANT_TYPE("(sa(iiay)ss)"))) {
            const gchar* text = nullptr;
            g_variant_get_child(value, 2, "&s", &text);
            title = text;
        }
        g_variant_unref(value);
        g_variant_unref(reply);
        return title;
    }

    std::vector<std::string> connectionsOf(int pid) {
        GVariant* names = call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "ListNames", nullptr);
        if (!names)
            return {};
        std::vector<std::string> found;
        GVariantIter* iter = nullptr;
        const gchar* name = nullptr;
        g_variant_get(names, "(as)", &iter);
        while (g_variant_iter_next(iter, "&s", &name)) {
            if (name[0] != ':')
                continue;
            GVariant* owner =
                call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                     "GetConnectionUnixProcessID", g_variant_new("(s)", name));
            if (!owner)
                continue;
            guint32 ownerPid = 0;
            g_variant_get(owner, "(u)", &ownerPid);
            if (static_cast<int>(ownerPid) == pid)
                found.emplace_back(name);
            g_variant_unref(owner);
        }
        g_variant_iter_free(iter);
        g_variant_unref(names);
        return found;
    }

    fs::path socket_;
    std::string address_;
    BackgroundProcess daemon_;
    GDBusConnection* bus_ = nullptr;
    GMainContext* context_ = g_main_context_new();
    std::atomic<bool> stopping_ = false;
    std::thread host_;
};

TEST(StatusItemTest, ToolTipCountsTheOpenCaptures) {
    DesktopSession session;
    TrayHost tray(session);
    RunningApp app(session, {}, {tray.busAddress()});
    std::optional<std::string> tip;
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return (tip = tray.toolTip(app.app->pid())) == "Tavro — nothing open"; }, 5s))
        << tip.value_or("(no tray item)");

    EXPECT_EQ(session.runTavro({"--new-issue"}), 0);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$"));
    session.type("Crash on start");
    session.key("ctrl+Return");
    ASSERT_TRUE(session.waitForOneCapture(5s));
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return (tip = tray.toolTip(app.app->pid())) == "Tavro — 1 open capture"; }, 5s))
        << tip.value_or("(no tray item)");
}

} // namespace

namespace {

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// "Position: 1100,780 (screen: 0)" and "Geometry: 22x22" from xdotool.
std::optional<Geometry> geometryOf(const DesktopSession& session, const std::string& window) {
    const std::string out = session.xdotool({"getwindowgeometry", window});
    Geometry g;
    const auto position = out.find("Position: ");
    const auto size = out.find("Geometry: ");
    if (position == std::string::npos || size == std::string::npos ||
        std::sscanf(out.c_str() + position, "Position: %d,%d", &g.x, &g.y) != 2 ||
        std::sscanf(out.c_str() + size, "Geometry: %dx%d", &g.width, &g.height) != 2)
        return std::nullopt;
    return g;
}

// The app's icon in icewm's tray: a small window of the app's class on the task bar.
std::optional<Geometry> trayIcon(const DesktopSession& session) {
    std::istringstream windows(session.xdotool({"search", "--onlyvisible", "--class", "tavro"}));
    for (std::string window; std::getline(windows, window);) {
        auto g = geometryOf(session, window);
        if (g && g->width <= 48 && g->height <= 48 && g->y > 700)
            return g;
    }
    return std::nullopt;
}

void click(const DesktopSession& session, int x, int y) {
    session.xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

TEST(StatusItemTest, TheTrayIconInIcewmOpensTheStatusMenuAndTheBoardHasTheMainMenu) {
    DesktopSession session;
    RunningApp app(session);
    std::optional<Geometry> icon;
    ASSERT_TRUE(
        DesktopSession::waitUntil([&] { return (icon = trayIcon(session)).has_value(); }, 5s));

    session.xdotool({"mousemove", std::to_string(icon->x + icon->width / 2),
                     std::to_string(icon->y + icon->height / 2)});
    // A tool-tip shows only after the pointer has rested a while; the screenshot is its record.
    std::this_thread::sleep_for(1500ms);
    session.screenshot("tray-tool-tip");

    click(session, icon->x + icon->width / 2, icon->y + icon->height / 2);
    session.screenshot("status-menu");
    session.key("Escape");

    const auto board = session.windowsNamed("^Tavro$");
    ASSERT_FALSE(board.empty());
    EXPECT_TRUE(session.activate(board.front()));
    const auto frame = geometryOf(session, board.front());
    ASSERT_TRUE(frame);
    click(session, frame->x + 20, frame->y + 10);
    session.screenshot("main-menu");
    session.key("Escape");
}

TEST(StatusItemTest, HideTavroHidesTheBoardButKeepsTheTrayIcon) {
    DesktopSession session;
    RunningApp app(session);
    ASSERT_TRUE(DesktopSession::waitUntil([&] { return trayIcon(session).has_value(); }, 5s));
    EXPECT_TRUE(session.activate(session.windowsNamed("^Tavro$").front()));
    session.key("ctrl+h");
    ASSERT_TRUE(DesktopSession::waitUntil([&] { return app.boardHidden(); }, 5s));
    DesktopSession::holdsFor([&] { return trayIcon(session).has_value(); }, 300ms);
    EXPECT_TRUE(trayIcon(session).has_value());
}

} // namespace

namespace {

std::string settingsFile(const DesktopSession& session) {
    return readLog(session.home() / ".config/tavro/Tavro.conf");
}

// The region recorder on the settings' Shortcuts tab, recording.
void recordRegionShortcut(DesktopSession& session) {
    EXPECT_TRUE(session.activate(session.windowsNamed("^Tavro$").front()));
    session.key("ctrl+comma");
    ASSERT_TRUE(session.waitForWindow("^Tavro Settings$"));
    ASSERT_TRUE(session.waitForFocus(session.windowsNamed("^Tavro Settings$").front()));
    ASSERT_TRUE(session.clickControl("Tavro Settings", "page tab", "Shortcuts"));
    // The recorder listens through the app's own events, so keys sent after the click are
    // handled after it.
    ASSERT_TRUE(session.clickControl("Tavro Settings", "push button", "Capture a region"));
}

TEST(RecorderTest, AltShift4PressedTwiceIsStoredAndEscapeAloneChangesNothing) {
    DesktopSession session;
    RunningApp app(session);

    recordRegionShortcut(session);
    session.key("Escape");
    DesktopSession::holdsFor(
        [&] { return settingsFile(session).find("hotkey.region") == std::string::npos; }, 800ms);
    EXPECT_EQ(settingsFile(session).find("hotkey.region"), std::string::npos);

    ASSERT_TRUE(session.waitForControlFocus("Tavro Settings", "push button", "Capture a region"));
    session.key("space");
    session.xdotool({"key", "--delay", "100", "alt+shift+4", "alt+shift+4"});
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] {
            return settingsFile(session).find(
                       R"x(hotkey.region="@ByteArray({\"keyCode\":21,\"modifiers\":10,\"tapCount\":2})")x") !=
                   std::string::npos;
        },
        3s))
        << settingsFile(session);
    session.screenshot("settings-recorded-shortcut");

    // The new shortcut is armed: two quick presses open the overlay.
    session.focusXterm();
    session.xdotool({"key", "--delay", "100", "alt+shift+4", "alt+shift+4"});
    EXPECT_TRUE(app.waitForOverlay());
}

} // namespace
