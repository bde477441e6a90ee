#include "board/CaptureBoardModel.h"
#include "board/CaptureFilterEngine.h"
#include "model/Uuid.h"
#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"

#include "LibraryFixture.h"
#include "TempLibrary.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

// A small busy board in a real library, read and brought up to date as the facade's reader does
// it, and another program writing beside it.
struct ReadBoard {
    ReadBoard() {
        group.id = makeUUID();
        group.name = "Web";
        group.colorHex = "#6E7BF2";
        agent.upsertGroup(group);
        const char* const apps[] = {"Zed", "firefox", "Files", nullptr};
        for (int i = 0; i < 24; ++i) {
            // Every third pair made at the same moment: the order among them is by id.
            Capture capture = LibraryFixture::makeCapture(
                "note " + std::to_string(i) + (i % 5 == 0 ? " checkout flow" : ""),
                CapturePriority(i % 3), CaptureMode::region, 1000.0 + i - (i % 3 == 1 ? 1 : 0));
            capture.status = CaptureStatus(i % 4);
            if (apps[i % 4])
                capture.appName = apps[i % 4];
            if (i % 2)
                capture.groupID = group.id;
            agent.insert(capture);
            if (i % 3 == 0)
                agent.setTags({"ui"}, capture.id);
            ids.push_back(capture.id);
        }
        state = std::make_shared<const LibraryState>(LibraryState::read(reader));
    }

    // What another program wrote, read as the reader reads it; the ids it read again.
    std::vector<std::string> readMoves() {
        std::vector<std::string> moved;
        auto next = LibraryState::update(*state, reader, &moved);
        EXPECT_TRUE(next.has_value());
        if (next)
            state = std::make_shared<const LibraryState>(std::move(*next));
        return moved;
    }

    Capture capture(std::size_t i) { return *agent.capture(ids[i]); }

    test::TempLibrary temp;
    CaptureStore reader{temp.database(), std::make_shared<NullStoreChangeNotifier>()};
    CaptureStore agent{temp.database(), std::make_shared<NullStoreChangeNotifier>()};
    CaptureGroup group;
    std::vector<std::string> ids;
    std::shared_ptr<const LibraryState> state;
};

// The ids a view following the model's signals holds, row by row.
struct Mirror {
    explicit Mirror(CaptureBoardModel& model)
        : model(model) {
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] {
            ids = rows();
            ++resets;
        });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int last) {
                             for (int r = first; r <= last; ++r)
                                 ids.insert(ids.begin() + r, idAt(r));
                             ++edits;
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex&, int first, int last) {
                             ids.erase(ids.begin() + first, ids.begin() + last + 1);
                             ++edits;
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsMoved,
                         [this](const QModelIndex&, int first, int, const QModelIndex&, int to) {
                             ++moves;
                             const std::string id = ids[std::size_t(first)];
                             ids.erase(ids.begin() + first);
                             ids.insert(ids.begin() + (to > first ? to - 1 : to), id);
                             ++edits;
                         });
        QObject::connect(&model, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex& first, const QModelIndex& last) {
                             for (int r = first.row(); r <= last.row(); ++r)
                                 EXPECT_EQ(ids[std::size_t(r)], idAt(r));
                             ++edits;
                         });
    }

    std::string idAt(int row) const { return model.item(std::size_t(row)).capture.id; }
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (std::size_t r = 0; r < model.count(); ++r)
            out.push_back(model.item(r).capture.id);
        return out;
    }

    CaptureBoardModel& model;
    std::vector<std::string> ids;
    int resets = 0;
    int edits = 0;
    int moves = 0;
};

struct Query {
    const char* name;
    LibraryFilter filter;
    const char* search;
    SortOrder sort;
    // How many of the steps move a shown capture to another row.
    int moves = 0;
};

// What CaptureFilterEngine::apply shows over the same state.
std::vector<std::string> applied(const LibraryState& state, const Query& q) {
    std::vector<std::string> out;
    for (std::size_t i : CaptureFilterEngine::apply(state.captures, q.filter, q.search, q.sort,
                                                    state.currentUserID))
        out.push_back(state.captures[i].id);
    return out;
}

std::size_t highIn(const LibraryState& state, const std::vector<std::string>& ids) {
    std::size_t high = 0;
    for (const std::string& id : ids)
        high += state.captures.find(id)->capture.priority == CapturePriority::high;
    return high;
}

void setStatus(ReadBoard& b, std::size_t i, CaptureStatus status) {
    b.agent.setStatus(b.ids[i], status, "agent");
}

template <class Edit> void edit(ReadBoard& b, std::size_t i, Edit change) {
    Capture capture = b.capture(i);
    change(capture);
    b.agent.update(capture);
}

} // namespace

TEST(CaptureBoardModelTest, EachChangeMovesOnlyItsRowAndTheRowsStayWhatTheEngineShows) {
    struct Step {
        const char* name;
        std::function<void(ReadBoard&)> change;
    };
    const std::vector<Step> steps{
        {"a new capture, newest of all",
         [](ReadBoard& b) {
             b.agent.insert(LibraryFixture::makeCapture("fresh checkout", CapturePriority::high,
                                                        CaptureMode::region, 2000));
         }},
        {"a new capture made at the same moment as others",
         [](ReadBoard& b) {
             b.agent.insert(LibraryFixture::makeCapture("tied", CapturePriority::low,
                                                        CaptureMode::region, 1003));
         }},
        {"resolved: out of the inbox",
         [](ReadBoard& b) {
             setStatus(b, 0, CaptureStatus::resolved);
         }},
        {"opened again: back into the inbox",
         [](ReadBoard& b) {
             setStatus(b, 2, CaptureStatus::open);
         }},
        {"priority raised: up under the priority sort",
         [](ReadBoard& b) {
             edit(b, 9, [](Capture& c) { c.priority = CapturePriority::high; });
         }},
        {"application renamed: elsewhere under the app sort",
         [](ReadBoard& b) {
             edit(b, 5, [](Capture& c) { c.appName = "Aardvark"; });
         }},
        {"application name gone: last under the app sort",
         [](ReadBoard& b) {
             edit(b, 20, [](Capture& c) { c.appName.reset(); });
         }},
        {"note edited to match the search",
         [](ReadBoard& b) {
             edit(b, 7, [](Capture& c) { c.note = "Checkout total wrong"; });
         }},
        {"note edited to match it no more",
         [](ReadBoard& b) {
             edit(b, 10, [](Capture& c) { c.note = "nothing to see"; });
         }},
        {"tagged",
         [](ReadBoard& b) {
             b.agent.setTags({"ui"}, b.ids[13]);
         }},
        {"untagged",
         [](ReadBoard& b) {
             b.agent.setTags({}, b.ids[12]);
         }},
        {"moved to the group",
         [](ReadBoard& b) {
             edit(b, 14, [&](Capture& c) { c.groupID = b.group.id; });
         }},
        {"a comment, nothing else",
         [](ReadBoard& b) {
             Comment comment;
             comment.id = makeUUID();
             comment.captureID = b.ids[5];
             comment.author = "agent";
             comment.body = "seen";
             comment.kind = "comment";
             b.agent.addComment(comment);
         }},
        {"deleted",
         [](ReadBoard& b) {
             b.agent.softDelete(b.ids[16]);
         }},
        {"several in one transaction",
         [](ReadBoard& b) {
             b.agent.db().transaction([&] {
                 setStatus(b, 17, CaptureStatus::archived);
                 edit(b, 18, [](Capture& c) { c.priority = CapturePriority::high; });
                 b.agent.softDelete(b.ids[19]);
             });
         }},
        {"the group renamed",
         [](ReadBoard& b) {
             CaptureGroup renamed = b.group;
             renamed.name = "Shop";
             b.agent.upsertGroup(renamed);
         }},
    };
    const std::vector<Query> queries{
        {"all, newest first", LibraryFilter::everything(), "", SortOrder::newest, 0},
        {"inbox by priority", LibraryFilter::inbox(), "", SortOrder::priority, 1},
        {"open, oldest first", LibraryFilter::status(CaptureStatus::open), "", SortOrder::oldest,
         0},
        {"a search by app", LibraryFilter::everything(), " CHECKOUT ", SortOrder::app, 2},
        {"a tag, newest first", LibraryFilter::tag("ui"), "", SortOrder::newest, 0},
        {"all by priority", LibraryFilter::everything(), "", SortOrder::priority, 2},
    };
    for (const Query& q : queries) {
        SCOPED_TRACE(q.name);
        ReadBoard board;
        CaptureBoardModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        Mirror mirror(model);
        model.setQuery(q.filter, q.search, q.sort);
        model.setState(board.state);
        ASSERT_EQ(mirror.rows(), applied(*board.state, q));
        const int resets = mirror.resets;
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            step.change(board);
            const std::vector<std::string> moved = board.readMoves();
            mirror.edits = 0;
            model.setState(board.state, &moved);
            const std::vector<std::string> expected = applied(*board.state, q);
            EXPECT_EQ(mirror.rows(), expected);
            EXPECT_EQ(mirror.ids, expected);
            EXPECT_EQ(model.highPriorityCount(), highIn(*board.state, expected));
            // A move and a change at most per capture read again; a renamed group changes every
            // row once.
            EXPECT_LE(std::size_t(mirror.edits), 2 * moved.size() + 1);
            for (std::size_t row = 0; row < expected.size(); ++row)
                EXPECT_EQ(model.rowOf(expected[row]), row);
        }
        EXPECT_EQ(mirror.resets, resets);
        EXPECT_EQ(mirror.moves, q.moves);
    }
}

TEST(CaptureBoardModelTest, AnythingElseWorksTheRowsOutAnew) {
    const Query all{"", LibraryFilter::everything(), "", SortOrder::newest};
    struct Case {
        const char* name;
        Query before;
        std::function<void(ReadBoard&, CaptureBoardModel&)> change;
        Query after;
    };
    const Case cases[] = {
        {"another filter",
         all,
         [](ReadBoard&, CaptureBoardModel& m) {
             m.setQuery(LibraryFilter::inbox(), "", SortOrder::newest);
         },
         {"", LibraryFilter::inbox(), "", SortOrder::newest}},
        {"a key in the search field",
         all,
         [](ReadBoard&, CaptureBoardModel& m) {
             m.setQuery(LibraryFilter::everything(), "note 1", SortOrder::newest);
         },
         {"", LibraryFilter::everything(), "note 1", SortOrder::newest}},
        {"another sort",
         all,
         [](ReadBoard&, CaptureBoardModel& m) {
             m.setQuery(LibraryFilter::everything(), "", SortOrder::app);
         },
         {"", LibraryFilter::everything(), "", SortOrder::app}},
        {"the whole board read again", all,
         [](ReadBoard& b, CaptureBoardModel& m) {
             setStatus(b, 1, CaptureStatus::resolved);
             m.setState(std::make_shared<const LibraryState>(LibraryState::read(b.reader)));
         },
         all},
        {"someone signed in",
         {"", LibraryFilter::mine(), "", SortOrder::newest},
         [](ReadBoard& b, CaptureBoardModel& m) {
             b.agent.setSyncMeta("user_id", "me");
             const auto moved = b.readMoves();
             m.setState(b.state, &moved);
         },
         {"", LibraryFilter::mine(), "", SortOrder::newest}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadBoard board;
        for (std::size_t i : {3u, 6u})
            edit(board, i, [](Capture& capture) { capture.authorID = "me"; });
        board.readMoves();
        CaptureBoardModel model;
        Mirror mirror(model);
        model.setQuery(c.before.filter, c.before.search, c.before.sort);
        model.setState(board.state);
        const int resets = mirror.resets;
        c.change(board, model);
        EXPECT_GT(mirror.resets, resets);
        EXPECT_EQ(mirror.ids, applied(*model.state(), c.after));
    }
}
