#include "library/CaptureList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace tavro;

namespace {

CaptureList::Item item(int n, std::string note, std::vector<std::string> tags = {}) {
    Capture capture;
    capture.id = "capture-" + std::to_string(n);
    capture.createdAt = 1000.0 + n;
    capture.note = std::move(note);
    capture.appName = n % 3 ? "Files" : "Éditeur";
    capture.windowTitle = "Window " + std::to_string(n % 7);
    return std::make_shared<const BoardItem>(BoardItem::make(capture, std::move(tags)));
}

// Enough captures for several search blocks.
CaptureList board() {
    std::vector<CaptureList::Item> items;
    for (int n = 0; n < 1500; ++n)
        items.push_back(item(n, "Note " + std::to_string(n) + (n % 10 ? "" : " SPINNER"),
                             n % 4 ? std::vector<std::string>{} : std::vector<std::string>{"ui"}));
    std::sort(items.begin(), items.end(),
              [](const auto& a, const auto& b) { return boardOrder(a->capture, b->capture); });
    return CaptureList::ordered(std::move(items));
}

// The search as each item's own folded text answers it.
std::vector<std::size_t> searched(const CaptureList& list, std::string_view needle) {
    std::vector<std::size_t> hits;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (foldedSearchText(list[i], list.item(i).tags).find(needle) != std::string::npos)
            hits.push_back(i);
    return hits;
}

} // namespace

TEST(CaptureListTest, SearchAndLookupHoldAfterEveryKindOfChange) {
    struct Change {
        const char* name;
        std::set<std::string> ids;
        std::vector<CaptureList::Item> replacements;
    };
    std::vector<CaptureList::Item> many;
    std::set<std::string> manyIDs;
    for (int n = 300; n < 900; n += 7) {
        many.push_back(item(n, "rewritten spinner " + std::to_string(n)));
        manyIDs.insert("capture-" + std::to_string(n));
    }
    const std::vector<Change> changes{
        {"note edited", {"capture-700"}, {item(700, "Now a SPINNER too")}},
        {"newest capture added", {"capture-5000"}, {item(5000, "fresh spinner")}},
        {"oldest removed", {"capture-0"}, {}},
        {"a whole block's worth removed",
         [] {
             std::set<std::string> ids;
             for (int n = 1000; n < 1400; ++n)
                 ids.insert("capture-" + std::to_string(n));
             return ids;
         }(),
         {}},
        {"many rewritten at once", manyIDs, many},
        {"tags replaced", {"capture-8"}, {item(8, "Note 8", {"checkout", "spinner-tag"})}},
        {"an id the list does not hold", {"capture-none"}, {}},
    };
    const std::vector<std::string> needles{"spinner",        "note 1",      "éditeur",
                                           "files window 3", "window 3 ui", "zzz"};
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        const CaptureList before = board();
        const CaptureList after = before.replacing(change.ids, change.replacements);
        for (std::size_t i = 1; i < after.size(); ++i)
            ASSERT_TRUE(boardOrder(after[i - 1], after[i]));
        for (const std::string& needle : needles)
            EXPECT_EQ(after.matching(needle), searched(after, needle)) << needle;
        for (const std::string& id : change.ids) {
            const auto replaced =
                std::find_if(change.replacements.begin(), change.replacements.end(),
                             [&](const auto& r) { return r->capture.id == id; });
            const BoardItem* found = after.find(id);
            if (replaced == change.replacements.end())
                EXPECT_EQ(found, nullptr) << id;
            else
                EXPECT_EQ(found, replaced->get()) << id;
        }
        EXPECT_NE(after.find("capture-1499"), nullptr);
        // The list it came from is as it was.
        EXPECT_EQ(before.matching("spinner"), searched(before, "spinner"));
        EXPECT_EQ(before.find("capture-0"), &before.item(before.size() - 1));
    }
}
