#include "compose/ComposeState.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

PendingImage image(const std::string& id) {
    PendingImage shot;
    shot.id = id;
    shot.written.relativePath = "2026/12/" + id + ".png";
    return shot;
}

PendingCapture pendingWith(std::vector<std::string> imageIDs, ComposeDraft draft = {}) {
    PendingCapture pending;
    pending.id = "c1";
    for (const auto& id : imageIDs)
        pending.images.push_back(image(id));
    pending.mode = imageIDs.empty() ? CaptureMode::text : CaptureMode::region;
    pending.draft = std::move(draft);
    return pending;
}

CaptureGroup group(const std::string& id, const std::string& name) {
    CaptureGroup made;
    made.id = id;
    made.name = name;
    made.colorHex = "#6E7BF2";
    return made;
}

std::vector<std::string> names(const std::vector<CaptureGroup>& groups) {
    std::vector<std::string> out;
    for (const auto& g : groups)
        out.push_back(g.id + ":" + g.name);
    return out;
}

ComposeState::CreateGroup creating(std::optional<CaptureGroup> result, int* calls = nullptr,
                                   std::string* named = nullptr) {
    return [=](const std::string& name) {
        if (calls)
            ++*calls;
        if (named)
            *named = name;
        return result ? WriteResult<CaptureGroup>::success(*result)
                      : WriteResult<CaptureGroup>::failure("disk full");
    };
}

} // namespace

TEST(ComposeStateTest, RestoringADraftSetsEveryFieldWithTheDefaultsForWhatItLacks) {
    ComposeDraft full{"Half typed\n", CapturePriority::high, "g2", false, "ui, Login", "i2",
                      "Onboard"};
    ComposeDraft noneChosen;
    ComposeDraft noGroupPicked;
    noGroupPicked.groupChosen = true;
    ComposeDraft staleSelection;
    staleSelection.selectedImageID = "gone";
    struct Case {
        const char* name;
        std::vector<std::string> images;
        ComposeDraft draft;
        std::optional<std::string> defaultGroup;
        std::optional<std::string> groupID;
        std::optional<std::string> selectedID;
        std::string selectedShown; // empty: no screenshot
        bool naming;
    } cases[] = {
        {"every field", {"i1", "i2"}, full, "g9", "g2", "i2", "i2", true},
        {"fresh draft, default group", {"i1"}, noneChosen, "g9", "g9", "i1", "i1", false},
        {"fresh draft, no default",
         {"i1"},
         noneChosen,
         std::nullopt,
         std::nullopt,
         "i1",
         "i1",
         false},
        {"note only", {}, noneChosen, std::nullopt, std::nullopt, std::nullopt, "", false},
        {"No group picked stays picked",
         {"i1"},
         noGroupPicked,
         "g9",
         std::nullopt,
         "i1",
         "i1",
         false},
        {"selection names no screenshot",
         {"i1", "i2"},
         staleSelection,
         std::nullopt,
         std::nullopt,
         "gone",
         "i1",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeState state(pendingWith(c.images, c.draft), {});
        state.restoreDraft(c.defaultGroup);
        EXPECT_EQ(state.note, c.draft.note);
        EXPECT_EQ(state.priority, c.draft.priority);
        EXPECT_EQ(state.tagText, c.draft.tagText);
        EXPECT_EQ(state.groupID(), c.groupID);
        EXPECT_EQ(state.selectedImageID, c.selectedID);
        EXPECT_EQ(state.selected() ? state.selected()->id : std::string(), c.selectedShown);
        EXPECT_EQ(state.isNamingGroup, c.naming);
        EXPECT_EQ(state.newGroupName, c.draft.pendingGroupName);
    }
}

TEST(ComposeStateTest, ADraftTakenAndRestoredComesBackAsItWas) {
    struct Case {
        const char* name;
        std::function<void(ComposeState&)> edit;
        std::optional<std::string> groupAfterRestore;
        bool naming;
        std::string pendingName;
    } cases[] = {
        {"default group kept as default", [](ComposeState&) {}, "g9", false, ""},
        {"No group chosen", [](ComposeState& s) { s.chooseGroup(std::nullopt); }, std::nullopt,
         false, ""},
        {"a group chosen", [](ComposeState& s) { s.chooseGroup("g1"); }, "g1", false, ""},
        {"naming a group",
         [](ComposeState& s) {
             s.beginNamingGroup();
             s.newGroupName = "Half";
         },
         "g9", true, "Half"},
        {"an empty new-group field closes", [](ComposeState& s) { s.beginNamingGroup(); }, "g9",
         false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeState first(pendingWith({"i1", "i2"}), {group("g1", "One")});
        first.restoreDraft("g9");
        first.note = "Typed";
        first.priority = CapturePriority::low;
        first.tagText = "a b";
        first.select("i2");
        c.edit(first);
        PendingCapture back = pendingWith({"i1", "i2", "i3"}, first.currentDraft());
        ComposeState second(back, {group("g1", "One")});
        second.restoreDraft("g9");
        EXPECT_EQ(second.note, "Typed");
        EXPECT_EQ(second.priority, CapturePriority::low);
        EXPECT_EQ(second.tagText, "a b");
        EXPECT_EQ(second.selected()->id, "i2") << "the stored selection wins over a new shot";
        EXPECT_EQ(second.groupID(), c.groupAfterRestore);
        EXPECT_EQ(second.isNamingGroup, c.naming);
        EXPECT_EQ(second.newGroupName, c.pendingName);
    }
}

TEST(ComposeStateTest, TagTextSplitsAtCommasAndSpacesIntoLowerCasedTags) {
    struct Case {
        std::string text;
        std::vector<std::string> tags;
    } cases[] = {
        {"ui, Login", {"ui", "login"}},
        {"UI,  Login", {"ui", "login"}},
        {"UI,,Login", {"ui", "login"}},
        {"bug bug", {"bug", "bug"}},
        {" , ,, ", {}},
        {"", {}},
        {"two\twords", {"two\twords"}},
        {"\tpadded\t,x", {"padded", "x"}},
        {"ÉTÉ, İstanbul, STRASSE", {"été", "i̇stanbul", "strasse"}},
        {"ΣΊΣΥΦΟΣ", {"σίσυφος"}},
        {"line\nbreak", {"line\nbreak"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ComposeState::splitTags(c.text), c.tags);
    }
}

TEST(ComposeStateTest, GroupsAreSortedByNameIgnoringCaseWithLibraryGroupsFirst) {
    ComposeState state(pendingWith({"i1"}), {group("b", "beta"), group("a1", "Alpha")});
    state.beginNamingGroup();
    state.newGroupName = "alpha";
    state.commitNewGroup(creating(group("a2", "alpha")));
    state.beginNamingGroup();
    state.newGroupName = "Gamma";
    state.commitNewGroup(creating(group("c", "Gamma")));
    EXPECT_EQ(names(state.allGroups()),
              (std::vector<std::string>{"a1:Alpha", "a2:alpha", "b:beta", "c:Gamma"}));
}

TEST(ComposeStateTest, CommittingANewGroupCreatesSelectsAndClosesTheField) {
    struct Case {
        const char* name;
        std::string typed;
        std::optional<CaptureGroup> created;
        int calls;
        std::string passedName;
        std::optional<std::string> result;
        std::optional<std::string> groupAfter;
        bool stillNaming;
        size_t groupCount;
    } cases[] = {
        {"a new group", "  Login  ", group("n1", "Login"), 1, "Login", "n1", "n1", false, 2},
        {"tabs are trimmed", "\tLogin\t", group("n1", "Login"), 1, "Login", "n1", "n1", false, 2},
        {"a pasted name is one line", "Log\nin\n", group("n1", "Log in"), 1, "Log in", "n1", "n1",
         false, 2},
        {"a blank name", "   ", group("n1", "x"), 0, "", std::nullopt, "g1", true, 1},
        {"the store failed", "Login", std::nullopt, 1, "Login", std::nullopt, "g1", false, 1},
        {"an existing group came back", "one", group("g1", "One"), 1, "one", "g1", "g1", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeState state(pendingWith({"i1"}), {group("g1", "One")});
        state.restoreDraft(std::nullopt);
        state.chooseGroup("g1");
        state.beginNamingGroup();
        state.newGroupName = c.typed;
        int calls = 0;
        std::string named;
        EXPECT_EQ(state.commitNewGroup(creating(c.created, &calls, &named)), c.result);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(named, c.passedName);
        EXPECT_EQ(state.groupID(), c.groupAfter);
        EXPECT_EQ(state.isNamingGroup, c.stillNaming);
        EXPECT_EQ(state.newGroupName, c.stillNaming ? c.typed : std::string());
        EXPECT_EQ(state.allGroups().size(), c.groupCount);
    }
}

TEST(ComposeStateTest, SavingHandsOnTheTrimmedNoteTheKnownGroupAndTheTags) {
    struct Case {
        const char* name;
        std::optional<std::string> defaultGroup;
        std::function<void(ComposeState&)> edit;
        std::optional<CaptureGroup> created;
        ComposeState::SaveArguments expected;
    } cases[] = {
        {"plain",
         std::nullopt,
         [](ComposeState& s) {
             s.note = "  Button misaligned \n\n";
             s.priority = CapturePriority::high;
             s.chooseGroup("g1");
             s.tagText = "ui, Login";
         },
         std::nullopt,
         {"Button misaligned", CapturePriority::high, "g1", {"ui", "login"}}},
        {"only blanks",
         std::nullopt,
         [](ComposeState& s) { s.note = " \n \n"; },
         std::nullopt,
         {"", CapturePriority::normal, std::nullopt, {}}},
        {"the default group",
         "g1",
         [](ComposeState&) {},
         std::nullopt,
         {"", CapturePriority::normal, "g1", {}}},
        {"a deleted default group saves no group",
         "deleted",
         [](ComposeState&) {},
         std::nullopt,
         {"", CapturePriority::normal, std::nullopt, {}}},
        {"a group named in the field is created first",
         "g1",
         [](ComposeState& s) {
             s.beginNamingGroup();
             s.newGroupName = "Fresh";
         },
         group("n1", "Fresh"),
         {"", CapturePriority::normal, "n1", {}}},
        {"a blank name in the field keeps the chosen group",
         "g1",
         [](ComposeState& s) { s.beginNamingGroup(); },
         group("n1", "x"),
         {"", CapturePriority::normal, "g1", {}}},
        {"a failed creation keeps the chosen group",
         "g1",
         [](ComposeState& s) {
             s.beginNamingGroup();
             s.newGroupName = "Fresh";
         },
         std::nullopt,
         {"", CapturePriority::normal, "g1", {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComposeState state(pendingWith({"i1"}), {group("g1", "One")});
        state.restoreDraft(c.defaultGroup);
        c.edit(state);
        EXPECT_EQ(state.saveArguments(creating(c.created)), c.expected);
    }
}

TEST(ComposeStateTest, AStaleGroupReadsAsNoGroupUntilTheUserPicksAgain) {
    ComposeState state(pendingWith({"i1"}), {group("g1", "One")});
    state.restoreDraft("deleted");
    EXPECT_EQ(state.groupID(), "deleted");
    EXPECT_FALSE(state.selectedGroup());
    state.chooseGroup("g1");
    ASSERT_TRUE(state.selectedGroup());
    EXPECT_EQ(state.selectedGroup()->name, "One");
}
