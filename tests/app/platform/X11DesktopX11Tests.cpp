#include "platform/X11Desktop.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <thread>
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

} // namespace
