#include "board/CaptureBoardView.h"
#include "library/ThumbnailLoader.h"
#include "model/Paths.h"
#include "model/Uuid.h"
#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QAccessible>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace tavro {
namespace {

Capture entry(std::string id, CaptureStatus status, bool image) {
    Capture capture;
    capture.id = std::move(id);
    capture.note = "Title of " + capture.id;
    capture.status = status;
    capture.createdAt = now();
    if (image)
        capture.imagePath = "2026/12/" + capture.id + ".png";
    return capture;
}

// A published state of these captures, newest first in the order given: their creation times
// are set so.
std::shared_ptr<const LibraryState> inOrder(std::vector<Capture> captures) {
    std::vector<CaptureList::Item> items;
    for (std::size_t i = 0; i < captures.size(); ++i) {
        captures[i].createdAt = 1.7e9 - double(i);
        items.push_back(std::make_shared<const BoardItem>(BoardItem::make(captures[i])));
    }
    auto state = std::make_shared<LibraryState>();
    state->captures = CaptureList::ordered(std::move(items));
    return state;
}

// Every capture, newest first.
struct AllCaptures {
    AllCaptures() { model.setQuery(LibraryFilter::everything(), "", SortOrder::newest); }
    // As a whole board read again.
    void show(std::vector<Capture> captures) { model.setState(inOrder(std::move(captures))); }

    CaptureBoardModel model;
};

struct Recorded {
    std::vector<std::string> calls;
};

struct BoardFixture {
    test::TempLibrary library;
    ThumbnailLoader thumbnails;
    Recorded recorded;
    AllCaptures all;
    CaptureBoardView view{
        all.model, thumbnails,
        CaptureBoardView::Actions{
            [this](const std::string& id) { recorded.calls.push_back("open " + id); },
            [this](const std::string& id) { recorded.calls.push_back("resolve " + id); },
            [this](const std::string& id) {
                recorded.calls.push_back("delete " + id);
            }}};

    BoardFixture() {
        view.resize(900, 700);
        all.show({entry("a", CaptureStatus::open, true), entry("b", CaptureStatus::resolved, false),
                  entry("c", CaptureStatus::inProgress, true)});
        view.show();
    }

    void click(QPoint point) {
        QTest::mouseMove(view.viewport(), point);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
    }
};

TEST(CaptureBoardView, AClickOnAHoverButtonRunsOnlyItsAction) {
    BoardFixture board;
    struct Case {
        std::size_t index;
        std::optional<CardAction> button;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {0, CardAction::resolve, {"resolve a"}}, {0, CardAction::remove, {"delete a"}},
        {0, std::nullopt, {"open a"}},           {1, CardAction::remove, {"delete b"}},
        {2, CardAction::resolve, {"resolve c"}},
    };
    for (const auto& c : cases) {
        board.recorded.calls.clear();
        const QRect target =
            c.button ? board.view.actionRect(c.index, *c.button) : board.view.itemRect(c.index);
        ASSERT_FALSE(target.isEmpty()) << c.index;
        board.click(c.button ? target.center() : target.topLeft() + QPoint(20, 60));
        EXPECT_EQ(board.recorded.calls, c.calls) << c.index;
        EXPECT_EQ(board.view.hoveredIndex(), c.index);
    }
    // The hovered card rises over 0.16 s; the one left behind settles the same way.
    EXPECT_TRUE(QTest::qWaitFor([&] { return board.view.liftOf(2) == 1.0; }, 1000));
    board.click(board.view.itemRect(0).topLeft() + QPoint(20, 60));
    EXPECT_TRUE(QTest::qWaitFor([&] { return board.view.liftOf(0) == 1.0; }, 1000));
    EXPECT_EQ(board.view.liftOf(2), 0.0);

    // A resolved capture has no resolve button: where it would be, the click opens the card.
    EXPECT_TRUE(board.view.actionRect(1, CardAction::resolve).isEmpty());
    board.recorded.calls.clear();
    const QRect remove = board.view.actionRect(1, CardAction::remove);
    board.click(remove.center() - QPoint(30, 0));
    EXPECT_EQ(board.recorded.calls, std::vector<std::string>{"open b"});

    // A press on one button and a release on another runs nothing.
    board.recorded.calls.clear();
    QTest::mousePress(board.view.viewport(), Qt::LeftButton, {},
                      board.view.actionRect(0, CardAction::resolve).center());
    QTest::mouseRelease(board.view.viewport(), Qt::LeftButton, {},
                        board.view.actionRect(0, CardAction::remove).center());
    EXPECT_TRUE(board.recorded.calls.empty());

    EXPECT_EQ(board.view.toolTipAt(board.view.actionRect(0, CardAction::resolve).center()),
              u"Mark resolved"_s);
    EXPECT_EQ(board.view.toolTipAt(remove.center()), u"Delete"_s);
    EXPECT_EQ(board.view.toolTipAt(board.view.itemRect(0).center()), QString());

    // Rows have no hover buttons: a click anywhere opens.
    board.view.setLayoutMode(LayoutMode::list);
    board.recorded.calls.clear();
    board.click(board.view.itemRect(2).center());
    EXPECT_EQ(board.recorded.calls, std::vector<std::string>{"open c"});
    const QRect noteRow = board.view.itemRect(1);
    EXPECT_EQ(board.view.toolTipAt(noteRow.topLeft() + QPoint(40, noteRow.height() / 2)),
              u"No screenshot"_s);
    EXPECT_EQ(board.view.toolTipAt(noteRow.center()), QString());
}

TEST(CaptureBoardView, ExposesItsCapturesAndButtonsToAssistiveTechnology) {
    BoardFixture board;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&board.view);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    ASSERT_EQ(list->childCount(), 3);

    struct Case {
        int index;
        QString name;
        std::vector<QString> buttons;
    };
    const Case cases[] = {
        {0, u"Title of a"_s, {u"Mark resolved"_s, u"Delete"_s}},
        {1, u"Title of b"_s, {u"Delete"_s}},
    };
    for (const auto& c : cases) {
        QAccessibleInterface* item = list->child(c.index);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->role(), QAccessible::ListItem);
        EXPECT_EQ(item->text(QAccessible::Name), c.name);
        EXPECT_EQ(item->parent(), list);
        EXPECT_EQ(list->indexOfChild(item), c.index);
        ASSERT_EQ(item->childCount(), int(c.buttons.size()));
        for (int i = 0; i < item->childCount(); ++i) {
            EXPECT_EQ(item->child(i)->role(), QAccessible::Button);
            EXPECT_EQ(item->child(i)->text(QAccessible::Name), c.buttons[std::size_t(i)]);
            EXPECT_EQ(item->child(i)->parent(), item);
        }
    }

    board.recorded.calls.clear();
    list->child(0)->child(1)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    list->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(board.recorded.calls, (std::vector<std::string>{"delete a", "open b"}));

    // After the board changes, an item at the same place speaks for the new capture.
    board.all.show({entry("z", CaptureStatus::open, false)});
    EXPECT_EQ(list->childCount(), 1);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), u"Title of z"_s);
}

TEST(CaptureBoardView, ShowsAThumbnailWrittenAgainOnceItIsRead) {
    test::TempLibrary library;
    TavroPaths::ensureDirectories();
    const auto file = TavroPaths::thumbsRoot() / "shot.jpg";
    const QString path = toQString(file.string());
    const auto write = [&](QColor color) {
        QImage image(900, 560, QImage::Format_RGB32);
        image.fill(color);
        ASSERT_TRUE(image.save(path));
    };
    write(Qt::red);

    ThumbnailLoader thumbnails;
    AllCaptures all;
    CaptureBoardView view(all.model, thumbnails, {});
    view.resize(600, 400);
    Capture shot = entry("a", CaptureStatus::open, true);
    shot.thumbPath = "shot.jpg";
    all.show({shot});
    view.show();
    const QPoint centre = view.itemRect(0).topLeft() + QPoint(view.itemRect(0).width() / 2, 120);
    const auto shownColor = [&] {
        return view.viewport()->grab().toImage().pixelColor(centre);
    };
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) < 30 && std::abs(a.blue() - b.blue()) < 30;
    };

    ASSERT_TRUE(QTest::qWaitFor([&] { return near(shownColor(), Qt::red); }));
    // The mark-up editor writes the thumbnail again and evicts it from the loader.
    write(Qt::blue);
    thumbnails.evict(path);
    EXPECT_TRUE(QTest::qWaitFor([&] { return near(shownColor(), Qt::blue); }));
}

TEST(CaptureBoardView, AReloadMeasuresTheTitlesOfChangedCapturesAgain) {
    const std::string longTitle(400, 'W');
    struct Case {
        const char* name;
        // The capture after the reload, from the one before it.
        std::function<Capture(const Capture&)> reloaded;
        bool taller;
    };
    const Case cases[] = {
        {"the same capture", [](const Capture& c) { return c; }, false},
        {"its title edited",
         [&](const Capture& c) {
             Capture edited = c;
             edited.note = longTitle;
             return edited;
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ThumbnailLoader thumbnails;
        AllCaptures all;
        CaptureBoardView view(all.model, thumbnails, {});
        view.resize(900, 700);
        const Capture before = entry("a", CaptureStatus::open, true);
        all.show({before});
        const int height = view.itemRect(0).height();
        all.show({c.reloaded(before)});
        EXPECT_EQ(view.itemRect(0).height() > height, c.taller);
    }
}

TEST(CaptureBoardView, AReloadKeepsTheHoveredCard) {
    struct Case {
        const char* name;
        std::vector<Capture> entries;
        std::optional<std::size_t> hovered;
    };
    const Case cases[] = {
        {"the same cards",
         {entry("a", CaptureStatus::open, true), entry("b", CaptureStatus::resolved, false),
          entry("c", CaptureStatus::inProgress, true)},
         1},
        {"moved by a new card",
         {entry("n", CaptureStatus::open, false), entry("a", CaptureStatus::open, true),
          entry("b", CaptureStatus::resolved, false)},
         2},
        {"gone", {entry("a", CaptureStatus::open, true)}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoardFixture board;
        QTest::mouseMove(board.view.viewport(), QPoint(2, 2));
        QTest::mouseMove(board.view.viewport(), board.view.itemRect(1).center());
        ASSERT_EQ(board.view.hoveredIndex(), std::optional<std::size_t>(1));
        board.all.show(c.entries);
        EXPECT_EQ(board.view.hoveredIndex(), c.hovered);
        if (c.hovered) {
            EXPECT_EQ(board.view.liftOf(*c.hovered), 1.0);
        }
    }
}

} // namespace
} // namespace tavro

namespace tavro {
namespace {

// Eighty captures alike in a real library, each card as tall as the others, by priority; the
// reader's connection and another program's beside it.
struct ScrolledBoard {
    ScrolledBoard() {
        for (int i = 0; i < 80; ++i) {
            Capture capture = entry(makeUUID(), CaptureStatus::open, true);
            capture.note = "Shot " + std::to_string(i);
            capture.createdAt = 1.7e9 - i;
            agent.insert(capture);
            ids.push_back(capture.id);
        }
        state = std::make_shared<const LibraryState>(LibraryState::read(reader));
        model.setQuery(LibraryFilter::everything(), "", SortOrder::priority);
        model.setState(state);
    }

    void readMoves() {
        std::vector<std::string> moved;
        state = std::make_shared<const LibraryState>(*LibraryState::update(*state, reader, &moved));
        model.setState(state, &moved);
    }

    test::TempLibrary temp;
    CaptureStore reader{temp.database(), std::make_shared<NullStoreChangeNotifier>()};
    CaptureStore agent{temp.database(), std::make_shared<NullStoreChangeNotifier>()};
    std::vector<std::string> ids;
    std::shared_ptr<const LibraryState> state;
    CaptureBoardModel model;
    ThumbnailLoader thumbnails;
};

TEST(CaptureBoardView, AChangeAboveTheViewportMovesNeitherTheFirstCardShownNorTheSelection) {
    struct Case {
        const char* name;
        std::function<void(ScrolledBoard&)> change;
    };
    const Case changes[] = {
        {"a capture above gets a title on two lines",
         [](ScrolledBoard& b) {
             Capture capture = *b.agent.capture(b.ids[2]);
             capture.note = std::string(300, 'W');
             b.agent.update(capture);
         }},
        {"a capture above is deleted",
         [](ScrolledBoard& b) {
             b.agent.softDelete(b.ids[4]);
         }},
        {"a new capture comes first",
         [](ScrolledBoard& b) {
             Capture capture = entry(makeUUID(), CaptureStatus::open, true);
             capture.priority = CapturePriority::high;
             b.agent.insert(capture);
         }},
        {"a capture above moves below",
         [](ScrolledBoard& b) {
             Capture capture = *b.agent.capture(b.ids[1]);
             capture.priority = CapturePriority::low;
             b.agent.update(capture);
         }},
    };
    for (const LayoutMode mode : {LayoutMode::grid, LayoutMode::list}) {
        for (const Case& c : changes) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(mode == LayoutMode::grid ? "grid" : "list");
            ScrolledBoard board;
            CaptureBoardView view(board.model, board.thumbnails, {});
            view.setLayoutMode(mode);
            view.resize(900, 700);
            view.show();
            const std::size_t first = mode == LayoutMode::grid ? 30 : 40;
            view.verticalScrollBar()->setValue(view.itemRect(first).top() +
                                               view.verticalScrollBar()->value() + 20);
            ASSERT_EQ(view.indexAt(QPoint(view.itemRect(first).center().x(), 4)), first);
            view.setCurrentIndex(first + 4);
            const std::string shown = view.captureID(first);
            const std::string selected = view.captureID(first + 4);
            const int top = view.itemRect(first).top();

            c.change(board);
            board.readMoves();

            const auto now = board.model.rowOf(shown);
            ASSERT_TRUE(now.has_value());
            EXPECT_EQ(view.itemRect(*now).top(), top);
            ASSERT_TRUE(view.currentIndex().has_value());
            EXPECT_EQ(view.captureID(*view.currentIndex()), selected);
        }
    }
}

} // namespace
} // namespace tavro
