#include "desktop/X11Desktop.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace tavro;

namespace {

// A stand-in window manager on a connection of its own: it manages a few client windows,
// publishes them in _NET_CLIENT_LIST and receives the requests that clients send to the root
// window, as a real window manager does.
class FakeWindowManager {
public:
    FakeWindowManager()
        : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        xcb_generic_error_t* error = xcb_request_check(
            c_, xcb_change_window_attributes_checked(c_, root_, XCB_CW_EVENT_MASK, &mask));
        redirected_ = !error;
        std::free(error);
    }
    ~FakeWindowManager() {
        xcb_delete_property(c_, root_, atom("_NET_CLIENT_LIST"));
        xcb_flush(c_);
        xcb_disconnect(c_);
    }
    FakeWindowManager(const FakeWindowManager&) = delete;
    FakeWindowManager& operator=(const FakeWindowManager&) = delete;

    bool redirected() const { return redirected_; }

    xcb_atom_t atom(const char* name) {
        auto cookie = xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c_, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    // A client window, with the process id and window type its client would set.
    xcb_window_t client(std::optional<uint32_t> pid, std::optional<const char*> type = {}) {
        const xcb_window_t window = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        if (pid)
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"),
                                XCB_ATOM_CARDINAL, 32, 1, &*pid);
        if (type) {
            const xcb_atom_t value = atom(*type);
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_WINDOW_TYPE"),
                                XCB_ATOM_ATOM, 32, 1, &value);
        }
        clients_.push_back(window);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, atom("_NET_CLIENT_LIST"),
                            XCB_ATOM_WINDOW, 32, uint32_t(clients_.size()), clients_.data());
        xcb_flush(c_);
        return window;
    }

    // The WM_CHANGE_STATE requests received within `wait`: window to requested state.
    std::map<xcb_window_t, uint32_t> stateRequests(std::chrono::milliseconds wait) {
        const xcb_atom_t changeState = atom("WM_CHANGE_STATE");
        std::map<xcb_window_t, uint32_t> requests;
        const auto end = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents();
            std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(c_),
                                                                             &std::free);
            if (!event) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
                continue;
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event.get());
            if (message->type == changeState)
                requests[message->window] = message->data.data32[0];
        }
        return requests;
    }

private:
    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    bool redirected_ = false;
    std::vector<xcb_window_t> clients_;
};

TEST(X11DesktopTest, HideOthersAsksToIconifyEveryOtherApplicationsWindowButPanels) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    FakeWindowManager wm;
    ASSERT_TRUE(wm.redirected());
    const auto ownPID = uint32_t(QCoreApplication::applicationPid());
    const xcb_window_t editor = wm.client(ownPID + 1);
    const xcb_window_t withoutPID = wm.client(std::nullopt);
    wm.client(ownPID);
    wm.client(ownPID + 1, "_NET_WM_WINDOW_TYPE_DOCK");
    wm.client(ownPID + 1, "_NET_WM_WINDOW_TYPE_DESKTOP");

    X11Desktop::hideOtherApplications();

    constexpr uint32_t iconic = 3;
    const auto requests = wm.stateRequests(std::chrono::milliseconds(500));
    // Nothing for our own window, the panel or the desktop.
    EXPECT_EQ(requests, (std::map<xcb_window_t, uint32_t>{{editor, iconic}, {withoutPID, iconic}}));
}

// A client window of another program, made on a connection of the test's own.
class ForeignClient {
public:
    ForeignClient()
        : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~ForeignClient() {
        xcb_delete_property(c_, root_, atom("_NET_ACTIVE_WINDOW"));
        xcb_delete_property(c_, root_, atom("_NET_CLIENT_LIST_STACKING"));
        for (xcb_window_t window : windows_)
            xcb_destroy_window(c_, window);
        sync();
        xcb_disconnect(c_);
    }
    ForeignClient(const ForeignClient&) = delete;
    ForeignClient& operator=(const ForeignClient&) = delete;

    xcb_atom_t atom(const char* name) {
        auto cookie = xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c_, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    xcb_window_t window(uint32_t pid) {
        const xcb_window_t window = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
        windows_.push_back(window);
        return window;
    }

    void set(xcb_window_t window, const char* name, const char* type, const std::string& value) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, atom(name), atom(type), 8,
                            uint32_t(value.size()), value.data());
    }

    // What a window manager publishes: the stacking list, bottom to top, and the active window.
    void publish(const std::vector<xcb_window_t>& stacking, xcb_window_t active) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, atom("_NET_CLIENT_LIST_STACKING"),
                            XCB_ATOM_WINDOW, 32, uint32_t(stacking.size()), stacking.data());
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, atom("_NET_ACTIVE_WINDOW"),
                            XCB_ATOM_WINDOW, 32, 1, &active);
        sync();
    }

    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    // The top-level window of the class, once one is there.
    std::optional<xcb_window_t> topLevelOfClass(const std::string& windowClass,
                                                std::chrono::milliseconds wait) {
        const auto end = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < end) {
            std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
                xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr), &std::free);
            const xcb_window_t* children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
            for (int i = 0; tree && i < xcb_query_tree_children_length(tree.get()); ++i) {
                const auto classes = X11Desktop::windowClass(children[i]);
                const auto title = X11Desktop::windowTitle(children[i]);
                if (classes && classes->second == windowClass && title)
                    return children[i];
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::nullopt;
    }

private:
    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    std::vector<xcb_window_t> windows_;
};

// Compound text and the locale's encodings convert as a UTF-8 locale reads them.
class UTF8Locale {
public:
    UTF8Locale()
        : saved_(std::setlocale(LC_CTYPE, nullptr)) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    ~UTF8Locale() { std::setlocale(LC_CTYPE, saved_.c_str()); }
    UTF8Locale(const UTF8Locale&) = delete;
    UTF8Locale& operator=(const UTF8Locale&) = delete;

private:
    std::string saved_;
};

TEST(X11DesktopTest, TitlesAreDecodedByTheirPropertyTypeIntoUTF8) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    UTF8Locale locale;
    struct Case {
        const char* name;
        std::vector<std::tuple<const char*, const char*, std::string>> properties;
        std::optional<std::string> title;
    };
    const std::vector<Case> cases{
        {"_NET_WM_NAME wins over WM_NAME",
         {{"_NET_WM_NAME", "UTF8_STRING", "Caf\xc3\xa9"}, {"WM_NAME", "STRING", "other"}},
         "Café"},
        {"WM_NAME as STRING is Latin-1",
         {{"WM_NAME", "STRING", "Caf\xe9 M\xfcnster"}},
         "Café Münster"},
        {"WM_NAME as UTF8_STRING", {{"WM_NAME", "UTF8_STRING", "Caf\xc3\xa9"}}, "Café"},
        {"COMPOUND_TEXT switches charsets by escape sequences",
         {{"WM_NAME", "COMPOUND_TEXT", "Greek \x1b-F\xe1\xe2\xe3"}},
         "Greek αβγ"},
        {"COMPOUND_TEXT's default right half is Latin-1",
         {{"WM_NAME", "COMPOUND_TEXT", "M\xfcnster"}},
         "Münster"},
        {"an empty _NET_WM_NAME falls back to WM_NAME",
         {{"_NET_WM_NAME", "UTF8_STRING", ""}, {"WM_NAME", "STRING", "plain"}},
         "plain"},
        {"invalid UTF-8 is replaced, never passed on",
         {{"_NET_WM_NAME", "UTF8_STRING", "a\xff"}},
         "a\xef\xbf\xbd"},
        {"no title at all", {}, std::nullopt},
    };
    ForeignClient client;
    for (const Case& c : cases) {
        const xcb_window_t window = client.window(4242);
        for (const auto& [name, type, value] : c.properties)
            client.set(window, name, type, value);
        client.sync();
        EXPECT_EQ(X11Desktop::windowTitle(window), c.title) << c.name;
    }
}

TEST(X11DesktopTest, TheFrontWindowIsTheProcesssTopmostWindowAndItsTitleIsDecoded) {
    UTF8Locale locale;
    ForeignClient client;
    const xcb_window_t lower = client.window(4242);
    client.set(lower, "WM_NAME", "STRING", "lower");
    const xcb_window_t upper = client.window(4242);
    client.set(upper, "WM_NAME", "STRING", "Caf\xe9");
    client.set(upper, "WM_CLASS", "STRING", std::string("editor\0Editor\0", 14));
    const xcb_window_t otherProcess = client.window(4343);
    client.set(otherProcess, "WM_NAME", "STRING", "other");
    client.publish({lower, upper, otherProcess}, lower);

    const auto front = X11Desktop::frontWindow();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->window, lower);
    EXPECT_EQ(front->pid, 4242);
    EXPECT_EQ(front->title, "Café");

    X11Desktop desktop;
    const auto app = desktop.frontmostApplication();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->windowTitle, "Café");
}

TEST(X11DesktopTest, AnXtermTitledInLatin1ReadsAsUTF8) {
    UTF8Locale locale;
    ForeignClient client;
    QProcess xterm;
    xterm.start(QStringLiteral("xterm"),
                {QStringLiteral("-title"), QStringLiteral("Café Münster")});
    ASSERT_TRUE(xterm.waitForStarted());
    const auto window = client.topLevelOfClass("XTerm", std::chrono::seconds(10));
    EXPECT_TRUE(window);
    if (window) {
        EXPECT_EQ(X11Desktop::windowTitle(*window), "Café Münster");
        // xterm sets its _NET_WM_PID a moment after its class and title.
        std::optional<std::int64_t> pid;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return (pid = X11Desktop::windowPID(*window)).has_value(); }, 5000));
        client.publish({*window}, *window);
        const auto front = X11Desktop::frontWindow();
        ASSERT_TRUE(front);
        EXPECT_EQ(front->pid, pid.value_or(-1));
        EXPECT_EQ(front->title, "Café Münster");
    }
    xterm.kill();
    xterm.waitForFinished();
}

} // namespace
