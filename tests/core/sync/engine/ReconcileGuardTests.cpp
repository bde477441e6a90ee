#include "sync/ReconcileGuard.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(ReconcileGuard, DropsOnlyIdsThatWereSentEachOnce) {
    struct Case {
        const char* name;
        std::vector<std::string> sent;
        std::vector<std::string> drop;
        std::vector<std::string> kept;
    };
    const std::vector<Case> cases = {
        {"all sent", {"a", "b", "c"}, {"c", "a"}, {"c", "a"}},
        {"unknown ids ignored", {"a"}, {"a", "x", "../etc"}, {"a"}},
        {"nothing sent drops nothing", {}, {"a", "b"}, {}},
        {"repeats once", {"a", "b"}, {"b", "b", "a", "b"}, {"b", "a"}},
        {"empty drop", {"a"}, {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reconcileDrops(c.sent, c.drop), c.kept) << c.name;
}
