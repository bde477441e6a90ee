#include "sync/RetryBackoff.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace tavro;
using namespace std::chrono_literals;
using Action = RetryBackoff::PollStep::Action;
using Kind = DevicePoll::Kind;

TEST(RetryBackoff, EachPollAnswerDecidesTheNextStepAndPace) {
    struct Case {
        const char* name;
        std::vector<Kind> answers;
        RetryBackoff::PollStep last;
    };
    const std::vector<Case> cases = {
        {"pending keeps the pace", {Kind::pending, Kind::pending}, {Action::poll, 5}},
        {"slow down adds five seconds each time",
         {Kind::slowDown, Kind::slowDown},
         {Action::poll, 15}},
        {"slow down then pending stays slower",
         {Kind::slowDown, Kind::pending},
         {Action::poll, 10}},
        {"token signs in", {Kind::pending, Kind::token}, {Action::signedIn, 5}},
        {"denied", {Kind::denied}, {Action::denied, 5}},
        {"expired", {Kind::slowDown, Kind::expired}, {Action::expired, 10}},
    };
    for (const auto& c : cases) {
        RetryBackoff::PollStep step{Action::poll, 5};
        for (auto answer : c.answers)
            step = RetryBackoff::afterPoll({.kind = answer}, step.interval);
        EXPECT_EQ(step, c.last) << c.name;
    }
}

TEST(RetryBackoff, WaitsAreScaledByTheTimings) {
    SyncTimings real;
    SyncTimings scaled{.reconnect = 15ms, .pollSecond = 1ms};
    struct Case {
        double interval;
        const SyncTimings& timings;
        SyncTimings::Duration wait;
    };
    const std::vector<Case> cases = {
        {2, real, 2000ms}, {7.5, real, 7500ms},
        {2, scaled, 2ms},  {15, scaled, 15ms},
        {-1, real, 0ms},   {std::numeric_limits<double>::quiet_NaN(), real, 0ms},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RetryBackoff::pollWait(c.interval, c.timings), c.wait) << c.interval;
    EXPECT_EQ(RetryBackoff::reconnectDelay(real), 15000ms);
    EXPECT_EQ(RetryBackoff::reconnectDelay(scaled), 15ms);
}
