#include "library/LibraryState.h"

#include "LibraryFixture.h"
#include "TempLibrary.h"
#include "ledger/SyncLedger.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"
#include "store/Database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;
using tavro::test::TempLibrary;

namespace {

using TagsByName = std::unordered_map<std::string, std::vector<std::string>>;

// The reader's connection, and another program's beside it, on a small busy board.
struct Board {
    Board() {
        group.id = makeUUID();
        group.name = "Web";
        group.colorHex = "#6E7BF2";
        group.createdAt = group.updatedAt = 1;
        agent.upsertGroup(group);
        agent.setSyncMeta("user_id", "me");
        SyncLedger(agent).upsertPerson(Person{"me", "Me", {}, {}, "person"});
        SyncLedger(agent).upsertPerson(Person{"b-1", "Fixer", {}, {}, "bot"});
        for (int i = 0; i < 30; ++i) {
            Capture capture =
                LibraryFixture::makeCapture("note " + std::to_string(i), CapturePriority(i % 3),
                                            CaptureMode::region, 1000.0 + i % 20);
            capture.status = CaptureStatus(i % 4);
            capture.groupID = group.id;
            capture.assigneeID = i % 2 ? std::optional<std::string>("me") : std::nullopt;
            agent.insert(capture);
            if (i % 3 == 0)
                agent.setTags({"ui", "t" + std::to_string(i % 4)}, capture.id);
            ids.push_back(capture.id);
        }
        image.id = makeUUID();
        image.captureID = ids[0];
        image.position = -1;
        image.imagePath = "2024/01/shot.png";
        image.createdAt = 5;
        agent.addImage(image);
    }

    Comment comment(const std::string& captureID) {
        Comment c;
        c.id = makeUUID();
        c.captureID = captureID;
        c.author = "agent";
        c.body = "seen";
        c.createdAt = 7;
        c.kind = "comment";
        return c;
    }

    TempLibrary temp;
    CaptureStore reader{temp.database(), std::make_shared<NullStoreChangeNotifier>()};
    CaptureStore agent{temp.database(), std::make_shared<NullStoreChangeNotifier>()};
    CaptureGroup group;
    CaptureImage image;
    std::vector<std::string> ids;
};

} // namespace

TEST(LibraryStateTest, AReadOfWhatMovedEqualsAWholeRead) {
    struct Case {
        const char* name;
        std::function<void(Board&)> change;
        // Whether the change log places the change; otherwise the whole board is read.
        bool placed;
    };
    const std::vector<Case> cases{
        {"capture added",
         [](Board& b) {
             b.agent.insert(LibraryFixture::makeCapture("new", CapturePriority::high,
                                                        CaptureMode::region, 999));
         },
         true},
        {"status changed",
         [](Board& b) { b.agent.setStatus(b.ids[3], CaptureStatus::resolved, "agent"); }, true},
        {"priority changed",
         [](Board& b) {
             Capture capture = *b.agent.capture(b.ids[4]);
             capture.priority = CapturePriority::low;
             b.agent.update(capture);
         },
         true},
        {"assigned to me", [](Board& b) { b.agent.assign(b.ids[0], "me", "agent"); }, true},
        {"soft-deleted", [](Board& b) { b.agent.softDelete(b.ids[5]); }, true},
        {"row deleted outright",
         [](Board& b) { b.agent.db().execute("DELETE FROM captures WHERE id = ?;", {b.ids[6]}); },
         true},
        {"tags replaced",
         [](Board& b) {
             b.agent.setTags({"api", "new-tag"}, b.ids[9]);
         },
         true},
        {"last use of a tag gone", [](Board& b) { b.agent.setTags({}, b.ids[3]); }, true},
        {"comment added", [](Board& b) { b.agent.addComment(b.comment(b.ids[7])); }, true},
        {"screenshot deleted", [](Board& b) { b.agent.deleteImage(b.image.id); }, true},
        {"group renamed",
         [](Board& b) {
             CaptureGroup group = b.group;
             group.name = "Shop";
             b.agent.upsertGroup(group);
         },
         true},
        {"another user signed in", [](Board& b) { b.agent.setSyncMeta("user_id", "you"); }, true},
        {"several at once",
         [](Board& b) {
             b.agent.db().transaction([&] {
                 for (int i = 10; i < 20; ++i)
                     b.agent.setStatus(b.ids[size_t(i)], CaptureStatus::archived, "agent");
                 b.agent.insert(LibraryFixture::makeCapture("late", CapturePriority::normal,
                                                            CaptureMode::region, 1019));
             });
         },
         true},
        {"a tag renamed by hand",
         [](Board& b) {
             b.agent.db().executeRaw("UPDATE tags SET name = 'UI2' WHERE name = 'ui';");
         },
         false},
        {"the log trimmed past the last read",
         [](Board& b) {
             b.agent.db().transaction([&] {
                 for (int i = 0; i < 2100; ++i)
                     b.agent.setStatus(
                         b.ids[1], i % 2 ? CaptureStatus::open : CaptureStatus::resolved, "agent");
             });
         },
         false},
        {"an older program's triggers",
         [](Board& b) {
             const auto triggers = b.agent.db().query(
                 "SELECT name FROM sqlite_master WHERE type = 'trigger' AND name = "
                 "'store_changes_captures_update';");
             ASSERT_EQ(triggers.size(), 1u);
             b.agent.db().executeRaw(
                 "DROP TRIGGER store_changes_captures_update; CREATE TRIGGER "
                 "store_changes_captures_update AFTER UPDATE ON captures BEGIN UPDATE "
                 "store_changes SET counter = counter + 1 WHERE id = 1; END;");
             b.agent.setStatus(b.ids[2], CaptureStatus::archived, "agent");
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Board board;
        const LibraryState before = LibraryState::read(board.reader);
        ASSERT_EQ(before.captures.size(), 30u);
        c.change(board);
        std::vector<std::string> moved;
        const auto updated = LibraryState::update(before, board.reader, &moved);
        const LibraryState whole = LibraryState::read(board.reader);
        ASSERT_NE(whole.changeCounter, before.changeCounter);
        EXPECT_EQ(updated.has_value(), c.placed);
        if (updated) {
            EXPECT_TRUE(*updated == whole);
            EXPECT_FALSE(differences(before, *updated).empty());
            EXPECT_EQ(differences(*updated, whole), std::vector<LibraryProperty>{});
            EXPECT_EQ(updated->activeByGroup, whole.activeByGroup);
            // Every capture that came, went or differs is among those said to have moved.
            const auto saidMoved = [&](const std::string& id) {
                return std::find(moved.begin(), moved.end(), id) != moved.end();
            };
            for (const auto& item : whole.captures.items()) {
                const BoardItem* was = before.captures.find(item->capture.id);
                if (!was || !(*was == *item)) {
                    EXPECT_TRUE(saidMoved(item->capture.id)) << item->capture.id;
                }
            }
            for (const auto& item : before.captures.items()) {
                if (!whole.captures.find(item->capture.id)) {
                    EXPECT_TRUE(saidMoved(item->capture.id)) << item->capture.id;
                }
            }
            for (const CaptureGroup& group : whole.groups) {
                ASSERT_NE(updated->group(group.id), nullptr);
                EXPECT_EQ(*updated->group(group.id), group);
            }
            for (const Person& person : whole.people) {
                ASSERT_NE(updated->person(person.id), nullptr);
                EXPECT_EQ(*updated->person(person.id), person);
            }
        }
        // Each group's open and in-progress captures.
        std::map<std::string, std::int64_t, std::less<>> active;
        for (const BoardCapture& capture : whole.captures)
            if (capture.groupID && isActive(capture.status))
                ++active[*capture.groupID];
        EXPECT_EQ(whole.activeByGroup, active);
        EXPECT_EQ(whole.group("no such group"), nullptr);
        // Whatever the way in, the figures are the store's.
        EXPECT_EQ(whole.counts, board.reader.countsByStatus());
        EXPECT_EQ(whole.allTags, board.reader.allTags());
        const TagsByName tags = whole.tagsByCapture();
        EXPECT_EQ(tags, board.reader.tagsByCapture());
        for (std::size_t i = 1; i < whole.captures.size(); ++i)
            EXPECT_TRUE(boardOrder(whole.captures[i - 1], whole.captures[i]));
    }
}

TEST(LibraryStateTest, APublishedCaptureComesBackWholeAndSharesTheTextsItRepeats) {
    struct Case {
        const char* name;
        std::function<void(Capture&)> set;
    };
    const std::vector<Case> cases{
        {"only what every capture has",
         [](Capture&) {
         }},
        {"every text present",
         [](Capture& c) {
             c.appName = "Editor";
             c.appBundleID = "org.example.editor";
             c.windowTitle = "checkout - Editor";
             c.url = "https://shop.example.test/checkout";
             c.claimedBy = "claude";
             c.authorID = "me";
             c.assigneeID = "you";
             c.workspaceID = "ws-1";
             c.thumbPath = "2024/01/t.jpg";
         }},
        {"present but empty texts",
         [](Capture& c) {
             c.appName = "";
             c.windowTitle = "";
             c.workspaceID = "";
             c.localOnly = true;
         }},
        {"what the board never shows",
         [](Capture& c) {
             c.appName = "Editor";
             c.imageWidth = 3024;
             c.imageHeight = 1964;
             c.imageBytes = 812345;
             c.displayName = "DP-1";
             c.displayScale = 2;
             c.claimedAt = 1500.5;
             c.resolvedAt = 1600.25;
             c.resolutionRef = "abc123";
             c.remoteID = "r-9";
             c.syncState = SyncState::synced;
             c.dirty = true;
             c.claimedByID = "bot-1";
             c.version = 7;
         }},
    };
    Board board;
    std::vector<std::string> ids;
    for (const Case& c : cases) {
        Capture capture = LibraryFixture::makeCapture(c.name);
        c.set(capture);
        board.agent.insert(capture);
        ids.push_back(capture.id);
    }
    const LibraryState read = LibraryState::read(board.reader);
    // A capture filed after the first read comes in through the change log.
    Capture late = LibraryFixture::makeCapture("late");
    cases[1].set(late);
    board.agent.insert(late);
    const auto updated = LibraryState::update(read, board.reader);
    ASSERT_TRUE(updated.has_value());
    ids.push_back(late.id);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(i < cases.size() ? cases[i].name : "filed after the read");
        const BoardItem* item = updated->captures.find(ids[i]);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->capture.whole(), *board.reader.capture(ids[i]));
        if (i < cases.size()) {
            EXPECT_EQ(read.captures.find(ids[i])->capture.whole(), *board.reader.capture(ids[i]));
        }
    }
    // One read keeps a text that several captures hold once.
    const auto kept = [&](const std::string& id) -> const BoardCapture& {
        return read.captures.find(id)->capture;
    };
    EXPECT_EQ(&*kept(board.ids[0]).groupID, &*kept(board.ids[29]).groupID);
    EXPECT_EQ(&*kept(ids[1]).appName, &*kept(ids[3]).appName);
}
