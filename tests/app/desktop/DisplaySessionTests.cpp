#include "desktop/DisplaySession.h"

#include <gtest/gtest.h>

#include <map>

using namespace tavro;

TEST(DisplaySession, PicksXcbOrExplainsWhatIsMissing) {
    struct Case {
        std::map<std::string, std::string> environment;
        std::optional<std::string> platform;
        bool problem;
    };
    const Case cases[] = {
        {{{"DISPLAY", ":0"}}, "xcb", false},
        {{{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, "xcb", false},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, std::nullopt, true},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}}, std::nullopt, true},
        {{{"QT_QPA_PLATFORM", "offscreen"}, {"WAYLAND_DISPLAY", "wayland-0"}}, std::nullopt, false},
        {{}, std::nullopt, false},
    };
    for (const auto& c : cases) {
        auto choice = chooseDisplaySession([&](const char* name) -> std::optional<std::string> {
            auto it = c.environment.find(name);
            if (it == c.environment.end())
                return std::nullopt;
            return it->second;
        });
        EXPECT_EQ(choice.platform, c.platform);
        EXPECT_EQ(choice.problem.has_value(), c.problem);
    }
}
