#include "AnsweringFolderChooser.h"
#include "LibraryFixture.h"

#include "board/NewGroupSheet.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

TEST(NewGroupDraftTest, TheTrimmedNameDecidesWhetherCreateIsOffered) {
    const struct {
        std::string name;
        bool canCreate;
        std::string stored;
    } cases[] = {
        {"", false, ""},
        {"   ", false, ""},
        {"\t \u00A0", false, ""},
        {"  Checkout  ", true, "Checkout"},
        {"Web app", true, "Web app"},
        {"Web\r\napp\n", true, "Web app"},
        {"\n", false, ""},
    };
    for (const auto& c : cases) {
        NewGroupDraft draft{.name = c.name};
        EXPECT_EQ(draft.canCreate(), c.canCreate) << c.name;
        EXPECT_EQ(draft.trimmedName(), c.stored) << c.name;
    }
}

TEST(NewGroupDraftTest, TheBoundFolderIsKeptAsTypedAndDroppedWhenBlank) {
    const struct {
        std::string typed;
        std::optional<std::string> stored;
    } cases[] = {
        {"", std::nullopt},
        {"   ", std::nullopt},
        {" ~/dev/tavro ", "~/dev/tavro"},
        {"/srv/web", "/srv/web"},
    };
    for (const auto& c : cases) {
        NewGroupDraft draft{.name = "g", .path = c.typed};
        EXPECT_EQ(draft.boundFolder(), c.stored) << c.typed;
    }
}

TEST(NewGroupDraftTest, AChosenFolderNamesTheGroupOnlyWhileNoNameWasTyped) {
    const struct {
        std::string name;
        std::string folder;
        std::string nameAfter;
    } cases[] = {
        {"", "/home/ada/dev/tavro", "tavro"},
        {"", "/home/ada/dev/site/", "site"},
        {"  ", "/home/ada/dev/tavro", "  "},
        {"Mine", "/home/ada/dev/tavro", "Mine"},
    };
    for (const auto& c : cases) {
        NewGroupDraft draft{.name = c.name};
        draft.chooseFolder(c.folder);
        EXPECT_EQ(draft.name, c.nameAfter) << c.folder;
        EXPECT_EQ(draft.path, c.folder);
    }
}

TEST(NewGroupSheetTest, OpensOnTheFirstColourWithCreateDisabled) {
    LibraryFixture f;
    test::AnsweringFolderChooser chooser;
    NewGroupSheet sheet(*f.library, chooser);
    EXPECT_TRUE(sheet.isModal());
    EXPECT_EQ(sheet.windowModality(), Qt::WindowModal);
    ASSERT_EQ(sheet.swatches().size(), 7u);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(sheet.swatches()[i]->isChecked(), i == 0) << i;
    EXPECT_FALSE(sheet.createButton()->isEnabled());
    EXPECT_EQ(sheet.nameField()->placeholderText(), QStringLiteral("Tavro"));
    EXPECT_EQ(sheet.folderField()->placeholderText(), QStringLiteral("~/dev/tavro"));
    for (QWidget* control :
         {static_cast<QWidget*>(sheet.nameField()), static_cast<QWidget*>(sheet.folderField()),
          static_cast<QWidget*>(sheet.createButton()), static_cast<QWidget*>(sheet.swatches()[3])})
        EXPECT_FALSE(control->accessibleName().isEmpty());
}

TEST(NewGroupSheetTest, KeysAndButtonsCreateOrCancel) {
    const struct {
        const char* what;
        std::string typed;
        Qt::Key key;
        bool enabled;
        bool created;
        bool closed;
        QDialog::DialogCode result;
    } cases[] = {
        {"Return with a name", "  Design  ", Qt::Key_Return, true, true, true, QDialog::Accepted},
        {"keypad Enter", "Design", Qt::Key_Enter, true, true, true, QDialog::Accepted},
        {"Return with only spaces", "   ", Qt::Key_Return, false, false, false, QDialog::Rejected},
        {"Escape with a name", "Design", Qt::Key_Escape, true, false, true, QDialog::Rejected},
    };
    for (const auto& c : cases) {
        LibraryFixture f;
        test::AnsweringFolderChooser chooser;
        QSignalSpy noted(f.account.get(), &Account::localChangeNoted);
        NewGroupSheet sheet(*f.library, chooser);
        sheet.open();
        QTest::keyClicks(sheet.nameField(), toQString(c.typed));
        EXPECT_EQ(sheet.createButton()->isEnabled(), c.enabled) << c.what;
        QTest::keyClick(sheet.nameField(), c.key,
                        c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        f.settle();
        EXPECT_EQ(sheet.isVisible(), !c.closed) << c.what;
        if (c.closed) {
            EXPECT_EQ(sheet.result(), c.result) << c.what;
        }
        f.settle();
        ASSERT_EQ(f.library->groups().size(), c.created ? 1u : 0u) << c.what;
        EXPECT_EQ(f.store().groups().size(), c.created ? 1u : 0u) << c.what;
        EXPECT_EQ(noted.count(), c.created ? 1 : 0) << c.what;
        if (c.created) {
            const CaptureGroup& group = f.library->groups().front();
            EXPECT_EQ(group.name, "Design");
            EXPECT_EQ(group.colorHex, "#6E7BF2");
            EXPECT_EQ(group.syncState, SyncState::local);
            EXPECT_EQ(group.visibility, GroupVisibility::privateGroup);
            EXPECT_FALSE(group.workspaceID);
            EXPECT_FALSE(group.path);
        }
    }
}

TEST(NewGroupSheetTest, TheChosenSwatchAndFolderAreStored) {
    LibraryFixture f;
    test::AnsweringFolderChooser chooser("/home/ada/dev/site");
    NewGroupSheet sheet(*f.library, chooser);
    sheet.open();
    QTest::mouseClick(sheet.swatches()[4], Qt::LeftButton);
    QTest::mouseClick(sheet.swatches()[4], Qt::LeftButton);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(sheet.swatches()[i]->isChecked(), i == 4) << i;
    QTest::mouseClick(sheet.chooseButton(), Qt::LeftButton);
    EXPECT_EQ(chooser.asked, 1);
    EXPECT_EQ(sheet.nameField()->text(), QStringLiteral("site"));
    EXPECT_EQ(sheet.folderField()->text(), QStringLiteral("/home/ada/dev/site"));
    EXPECT_TRUE(sheet.createButton()->isEnabled());
    QTest::mouseClick(sheet.createButton(), Qt::LeftButton);
    f.settle();
    ASSERT_EQ(f.store().groups().size(), 1u);
    const CaptureGroup stored = f.store().groups().front();
    EXPECT_EQ(stored.name, "site");
    EXPECT_EQ(stored.colorHex, "#8B5CF6");
    EXPECT_EQ(stored.path, "/home/ada/dev/site");
}

TEST(NewGroupSheetTest, ACancelledChooserChangesNothing) {
    LibraryFixture f;
    test::AnsweringFolderChooser chooser;
    NewGroupSheet sheet(*f.library, chooser);
    QTest::keyClicks(sheet.folderField(), QStringLiteral("~/typed"));
    QTest::mouseClick(sheet.chooseButton(), Qt::LeftButton);
    EXPECT_EQ(sheet.draft(), (NewGroupDraft{.path = "~/typed"}));
    EXPECT_EQ(sheet.nameField()->text(), QString());
}

TEST(NewGroupSheetTest, ANameThatExistsInAnyCaseAddsNoGroupAndClosesQuietly) {
    LibraryFixture f;
    ASSERT_TRUE(test::awaitWrite(f.library->createGroup("Design", "#10B981")));
    test::AnsweringFolderChooser chooser;
    NewGroupSheet sheet(*f.library, chooser);
    sheet.open();
    QTest::keyClicks(sheet.nameField(), QStringLiteral("dESIGN"));
    QTest::keyClick(sheet.nameField(), Qt::Key_Return);
    f.settle();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(f.store().groups().size(), 1u);
    EXPECT_TRUE(sheet.errorLabel()->isHidden());
}

TEST(NewGroupSheetTest, WithADefaultWorkspaceTheGroupJoinsItAsAPrivateGroup) {
    LibraryFixture f;
    f.store().setSyncMeta("default_workspace_id", std::string("ws-1"));
    test::AnsweringFolderChooser chooser;
    NewGroupSheet sheet(*f.library, chooser);
    QTest::keyClicks(sheet.nameField(), QStringLiteral("Team"));
    sheet.create();
    f.settle();
    ASSERT_EQ(f.library->groups().size(), 1u);
    EXPECT_EQ(f.library->groups().front().workspaceID, "ws-1");
    EXPECT_EQ(f.library->groups().front().visibility, GroupVisibility::privateGroup);
}

TEST(NewGroupSheetTest, AFailedWriteKeepsTheSheetOpenWithTheNameAndSaysWhy) {
    LibraryFixture f;
    f.store().db().executeRaw("CREATE TRIGGER refuse_groups BEFORE INSERT ON groups "
                              "BEGIN SELECT RAISE(ABORT, 'groups are read-only today'); END;");
    QSignalSpy noted(f.account.get(), &Account::localChangeNoted);
    test::AnsweringFolderChooser chooser;
    NewGroupSheet sheet(*f.library, chooser);
    sheet.open();
    QTest::keyClicks(sheet.nameField(), QStringLiteral("Design"));
    QTest::keyClick(sheet.nameField(), Qt::Key_Return);
    f.settle();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_FALSE(sheet.errorLabel()->isHidden());
    EXPECT_TRUE(sheet.errorLabel()->text().contains(QStringLiteral("read-only today")));
    EXPECT_EQ(sheet.nameField()->text(), QStringLiteral("Design"));
    EXPECT_TRUE(f.store().groups().empty());
    EXPECT_EQ(noted.count(), 0);
}
