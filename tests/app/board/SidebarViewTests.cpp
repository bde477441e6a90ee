#include "AnsweringFolderChooser.h"
#include "LibraryFixture.h"

#include "board/NewGroupSheet.h"
#include "board/SidebarView.h"
#include "model/Uuid.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

CaptureGroup storedGroup(LibraryFixture& f, const std::string& name,
                         std::optional<std::string> workspace = std::nullopt) {
    return f.store().upsertGroup(CaptureGroup{.id = makeUUID(),
                                              .name = name,
                                              .colorHex = "#F59E0B",
                                              .createdAt = now(),
                                              .updatedAt = now(),
                                              .workspaceID = std::move(workspace)});
}

// A sidebar over a library with two groups and a tagged capture in the first.
struct Sidebar {
    Sidebar() {
        checkout = storedGroup(f, "Checkout");
        team = storedGroup(f, "Team", "ws-1");
        Capture capture = LibraryFixture::makeCapture("Button overlaps");
        capture.groupID = checkout.id;
        f.store().insert(capture);
        f.store().setTags({"layout"}, capture.id);
        f.reloadAndWait();
        view = std::make_unique<SidebarView>(*f.library, folders);
        view->resize(214, 640);
        view->show();
    }

    void click(QListWidgetItem* item, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ASSERT_NE(item, nullptr);
        QListWidget* list = view->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualItemRect(item).center());
    }

    QListWidgetItem* itemNamed(const QString& text) {
        const auto found = view->list()->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }

    LibraryFixture f;
    test::AnsweringFolderChooser folders;
    CaptureGroup checkout;
    CaptureGroup team;
    std::unique_ptr<SidebarView> view;
};

} // namespace

TEST(SidebarViewTest, ARowClickChoosesItsFilterAndNothingClearsIt) {
    Sidebar s;
    QSignalSpy chosen(s.view.get(), &SidebarView::selectionChanged);
    EXPECT_TRUE(s.view->selection() == LibraryFilter::inbox());
    EXPECT_TRUE(s.view->itemFor(LibraryFilter::inbox())->isSelected());

    s.click(s.view->itemFor(LibraryFilter::group(s.checkout.id)));
    EXPECT_TRUE(s.view->selection() == LibraryFilter::group(s.checkout.id));
    ASSERT_EQ(chosen.count(), 1);

    // A control-click on the chosen row, and a click on a section header, clear nothing.
    s.click(s.view->itemFor(LibraryFilter::group(s.checkout.id)), Qt::ControlModifier);
    s.click(s.itemNamed(QStringLiteral("Groups")));
    EXPECT_TRUE(s.view->selection() == LibraryFilter::group(s.checkout.id));
    EXPECT_TRUE(s.view->itemFor(LibraryFilter::group(s.checkout.id))->isSelected());
    EXPECT_EQ(s.view->list()->selectedItems().size(), 1);
    EXPECT_EQ(chosen.count(), 1);

    s.click(s.view->itemFor(LibraryFilter::tag("layout")));
    EXPECT_TRUE(s.view->selection() == LibraryFilter::tag("layout"));
    EXPECT_EQ(chosen.count(), 2);
}

TEST(SidebarViewTest, ArrowKeysPassOverTheSectionHeaders) {
    Sidebar s;
    s.view->setSelection(LibraryFilter::everything());
    s.view->list()->setFocus();
    QTest::keyClick(s.view->list(), Qt::Key_Down);
    EXPECT_TRUE(s.view->selection() == LibraryFilter::group(s.checkout.id));
    QTest::keyClick(s.view->list(), Qt::Key_Down);
    QTest::keyClick(s.view->list(), Qt::Key_Down);
    EXPECT_TRUE(s.view->selection() == LibraryFilter::tag("layout"));
    QTest::keyClick(s.view->list(), Qt::Key_Up);
    EXPECT_TRUE(s.view->selection() == LibraryFilter::group(s.team.id));
}

TEST(SidebarViewTest, AChosenTagThatGoesKeepsTheSelection) {
    Sidebar s;
    s.view->setSelection(LibraryFilter::tag("layout"));
    QSignalSpy chosen(s.view.get(), &SidebarView::selectionChanged);
    const std::vector<Capture> captures = s.f.library->captures();
    for (const Capture& capture : captures)
        ASSERT_TRUE(test::awaitWrite(s.f.library->deleteCapture(capture.id)));
    s.f.settle();
    EXPECT_TRUE(s.view->rows().tags.empty());
    EXPECT_TRUE(s.view->selection() == LibraryFilter::tag("layout"));
    EXPECT_TRUE(s.view->list()->selectedItems().isEmpty());
    EXPECT_EQ(chosen.count(), 0);
}

TEST(SidebarViewTest, GroupRowsSayWhoSeesThemAndOfferArchiveOrDelete) {
    Sidebar s;
    const struct {
        std::string id;
        QString help;
        QString remove;
    } cases[] = {
        {s.checkout.id, QStringLiteral("Only on this computer"), QStringLiteral("Delete group")},
        {s.team.id, QStringLiteral("Private group \u2014 visible to its members"),
         QStringLiteral("Archive group")},
    };
    for (const auto& c : cases) {
        QListWidgetItem* item = s.view->itemFor(LibraryFilter::group(c.id));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->toolTip(), c.help);
        QMenu* menu = s.view->openGroupMenu(c.id, QPoint(10, 10));
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions().front()->text(), c.remove);
        menu->close();
    }
}

TEST(SidebarViewTest, RemovingTheChosenGroupFallsBackToTheInboxEvenWhenTheWriteFails) {
    for (bool fails : {false, true}) {
        Sidebar s;
        if (fails)
            s.f.store().db().executeRaw(
                "CREATE TRIGGER refuse_groups BEFORE UPDATE ON groups "
                "BEGIN SELECT RAISE(ABORT, 'groups are read-only today'); END;");
        s.view->setSelection(LibraryFilter::group(s.checkout.id));
        QSignalSpy chosen(s.view.get(), &SidebarView::selectionChanged);

        // Another group's removal leaves the selection where it is.
        s.view->removeGroup(s.team.id);
        EXPECT_TRUE(s.view->selection() == LibraryFilter::group(s.checkout.id)) << fails;
        EXPECT_EQ(chosen.count(), 0);

        QMenu* menu = s.view->openGroupMenu(s.checkout.id, QPoint(10, 10));
        ASSERT_NE(menu, nullptr);
        menu->actions().front()->trigger();
        s.f.settle();
        EXPECT_TRUE(s.view->selection() == LibraryFilter::inbox()) << fails;
        ASSERT_EQ(chosen.count(), 1);
        EXPECT_TRUE(s.view->itemFor(LibraryFilter::inbox())->isSelected());
        EXPECT_EQ(s.view->itemFor(LibraryFilter::group(s.checkout.id)) != nullptr, fails);
        EXPECT_EQ(s.f.store().groups().size(), fails ? 2u : 0u);
        EXPECT_EQ(s.view->errorLabel()->isHidden(), !fails);
        if (fails) {
            EXPECT_TRUE(s.view->errorLabel()->text().contains(QStringLiteral("read-only today")));
        }
    }
}

TEST(SidebarViewTest, NewGroupOpensTheSheetWhoseGroupJoinsTheList) {
    Sidebar s;
    s.view->setSelection(LibraryFilter::tag("layout"));
    ASSERT_NE(s.view->newGroupButton(), nullptr);
    EXPECT_EQ(s.view->newGroupButton()->accessibleName(), QStringLiteral("New group"));
    QTest::mouseClick(s.view->newGroupButton(), Qt::LeftButton);
    NewGroupSheet* sheet = s.view->newGroupSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(s.view->selection() == LibraryFilter::tag("layout"));

    QTest::keyClicks(sheet->nameField(), QStringLiteral("Billing"));
    QTest::keyClick(sheet->nameField(), Qt::Key_Return);
    s.f.settle();
    ASSERT_EQ(s.view->rows().groups.size(), 3u);
    EXPECT_EQ(s.view->rows().groups.front().group.name, "Billing");
    EXPECT_NE(s.view->itemFor(s.view->rows().groups.front().filter), nullptr);
    EXPECT_TRUE(s.view->selection() == LibraryFilter::tag("layout"));
}

TEST(SidebarViewTest, TheTagsSectionShowsOnlyWhileThereAreTags) {
    LibraryFixture f;
    test::AnsweringFolderChooser folders;
    SidebarView view(*f.library, folders);
    const auto headers = [&view] {
        QStringList out;
        for (int i = 0; i < view.list()->count(); ++i)
            if (!(view.list()->item(i)->flags() & Qt::ItemIsSelectable))
                out << view.list()->item(i)->text();
        return out;
    };
    EXPECT_EQ(headers(), (QStringList{QStringLiteral("Groups"), QStringLiteral("New group")}));
    Capture capture = LibraryFixture::makeCapture("n");
    f.store().insert(capture);
    f.store().setTags({"ui"}, capture.id);
    f.reloadAndWait();
    EXPECT_EQ(headers(), (QStringList{QStringLiteral("Groups"), QStringLiteral("New group"),
                                      QStringLiteral("Tags")}));
}

TEST(SidebarViewTest, ARightClickLeavesTheSelectionAndTheBoardAlone) {
    Sidebar s;
    QSignalSpy chosen(s.view.get(), &SidebarView::selectionChanged);
    const struct {
        const char* name;
        LibraryFilter row;
    } cases[] = {
        {"a group row", LibraryFilter::group(s.checkout.id)},
        {"a tag row", LibraryFilter::tag("layout")},
        {"a library row", LibraryFilter::everything()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QListWidget* list = s.view->list();
        const QPoint at = list->visualItemRect(s.view->itemFor(c.row)).center();
        QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, at);
        EXPECT_TRUE(s.view->selection() == LibraryFilter::inbox());
        EXPECT_TRUE(s.view->itemFor(LibraryFilter::inbox())->isSelected());
        EXPECT_EQ(list->selectedItems().size(), 1);
    }
    EXPECT_EQ(chosen.count(), 0);
}

TEST(SidebarViewTest, AReloadKeepsTheScrollPositionAndTheSelection) {
    Sidebar s;
    Capture tagged = LibraryFixture::makeCapture("Many tags");
    s.f.store().insert(tagged);
    std::vector<std::string> tags;
    for (int i = 0; i < 40; ++i)
        tags.push_back("tag-" + std::to_string(100 + i));
    s.f.store().setTags(tags, tagged.id);
    s.f.reloadAndWait();
    s.view->resize(214, 360);
    s.view->setSelection(LibraryFilter::tag("tag-120"));
    QScrollBar* bar = s.view->list()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 200);
    const std::int64_t inbox = s.view->rows().library.front().count;
    const struct {
        const char* name;
        std::function<void()> change;
        bool sameRows;
    } cases[] = {
        {"a count changes", [&] { s.f.store().insert(LibraryFixture::makeCapture("Another")); },
         true},
        {"nothing changes", [] {}, true},
        {"a tag comes",
         [&] {
             Capture third = LibraryFixture::makeCapture("Third");
             s.f.store().insert(third);
             s.f.store().setTags({"zz-new"}, third.id);
         },
         false},
        {"a group comes", [&] { storedGroup(s.f, "Billing"); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bar->setValue(bar->maximum() - 40);
        const int scrolled = bar->value();
        QListWidgetItem* before = s.view->itemFor(LibraryFilter::tag("tag-120"));
        c.change();
        s.f.reloadAndWait();
        EXPECT_EQ(bar->value(), scrolled);
        EXPECT_TRUE(s.view->selection() == LibraryFilter::tag("tag-120"));
        QListWidgetItem* after = s.view->itemFor(LibraryFilter::tag("tag-120"));
        ASSERT_NE(after, nullptr);
        EXPECT_TRUE(after->isSelected());
        if (c.sameRows) {
            EXPECT_EQ(after, before) << "updated in place";
        }
    }
    EXPECT_EQ(s.view->rows().library.front().count, inbox + 2) << "the counts follow the reloads";
}

TEST(SidebarViewTest, TheGroupMenuMarksItsOneActionAsDestructive) {
    Sidebar s;
    for (const CaptureGroup& group : {s.checkout, s.team}) {
        SCOPED_TRACE(group.name);
        QMenu* menu = s.view->openGroupMenu(group.id, QPoint(10, 10));
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_FALSE(menu->actions().front()->icon().isNull());
        EXPECT_TRUE(s.view->selection() == LibraryFilter::inbox()) << "opening it chose nothing";
        menu->close();
    }
}
