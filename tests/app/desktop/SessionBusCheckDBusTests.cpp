#include "desktop/SessionBusCheck.h"

#include "SilentBus.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace tavro;

TEST(SessionBusCheckTest, ASilentBusIsGivenUpInTimeAndALiveOneKept) {
    const std::string live = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    test::MuteBus mute;
    const struct {
        const char* name;
        std::string address;
        bool givenUp;
        std::string after;
    } cases[] = {
        {"the test's own bus", live, false, live},
        {"a bus that never answers", mute.address(), true, "disabled:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("DBUS_SESSION_BUS_ADDRESS", c.address.c_str(), 1);
        QElapsedTimer clock;
        clock.start();
        SessionBusCheck check(std::chrono::milliseconds(500));
        EXPECT_EQ(check.giveUpIfSilent(), c.givenUp);
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_EQ(std::getenv("DBUS_SESSION_BUS_ADDRESS"), c.after);
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", live.c_str(), 1);
}
