#include "ComposeFixture.h"

#include "compose/ComposeControls.h"
#include "compose/ComposeHeader.h"
#include "compose/ComposeView.h"
#include "compose/EscapeKeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using namespace tavro::test;

namespace {

// Counts the key presses that reach one widget.
class KeyCounter final : public QObject {
public:
    explicit KeyCounter(QObject* target) { target->installEventFilter(this); }
    int escapes = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            ++escapes;
        return false;
    }
};

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

int openBoxes() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QStringLiteral("noteBox") && widget->isVisible())
            ++count;
    return count;
}

struct OpenBox : ComposeFixture {
    explicit OpenBox(int images = 1) {
        controller.present(pending(images), {}, callbacks());
        panel = controller.panel();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel));
        panel->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(panel));
        view()->noteEditor()->setFocus();
    }
    ComposeView* view() const { return panel->view(); }
    QPointer<ComposePanel> panel;
};

} // namespace

TEST(ComposePanelTest, EscapeDiscardsOnceAndNeverReachesTheNote) {
    struct Case {
        const char* name;
        Qt::KeyboardModifiers modifiers;
        int discards;
        int reachedNote;
    } cases[] = {
        {"Escape", Qt::NoModifier, 1, 0},
        {"Shift+Escape", Qt::ShiftModifier, 1, 0},
        {"Ctrl+Escape passes", Qt::ControlModifier, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenBox box;
        KeyCounter counter(box.view()->noteEditor());
        QTest::keyClick(box.view()->noteEditor(), Qt::Key_Escape, c.modifiers);
        EXPECT_EQ(box.discards, c.discards);
        EXPECT_EQ(counter.escapes, c.reachedNote);
        EXPECT_EQ(box.controller.hasPanel(), c.discards == 0);
        settle();
        EXPECT_EQ(box.panel.isNull(), c.discards == 1) << "closed with deleteLater";
        if (c.discards) {
            // The filter went with the box: a later Escape discards nothing.
            QWidget other;
            other.show();
            QTest::keyClick(&other, Qt::Key_Escape);
            EXPECT_EQ(box.discards, 1);
        }
        EXPECT_EQ(box.calls(), size_t(c.discards));
        box.controller.dismiss();
        settle();
    }
}

TEST(ComposePanelTest, EscapeLeavesAnOpenMenuToCloseItself) {
    OpenBox box;
    QMenu* menu = box.view()->groupMenu();
    menu->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(box.discards, 0);
    EXPECT_TRUE(box.controller.hasPanel());
    box.controller.dismiss();
    settle();
}

TEST(ComposePanelTest, EscapeInTheSelectionOverlayCancelsItAndKeepsTheBox) {
    OpenBox box;
    QWidget overlay(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    KeyCounter counter(&overlay);
    overlay.show();
    QTest::keyClick(&overlay, Qt::Key_Escape);
    EXPECT_EQ(counter.escapes, 1);
    EXPECT_EQ(box.discards, 0);
    EXPECT_TRUE(box.controller.hasPanel());
    box.controller.dismiss();
    settle();
}

TEST(ComposePanelTest, CtrlReturnInTheNoteSavesWhatWasTyped) {
    OpenBox box;
    box.view()->noteEditor()->setFocus();
    QTest::keyClicks(box.view()->noteEditor(), QStringLiteral("Button misaligned"));
    QTest::keyClicks(box.view()->tagsEditor(), QStringLiteral("ui, Login"));
    box.view()->noteEditor()->setFocus();
    QTest::keyClick(box.view()->noteEditor(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(box.saved.size(), 1u);
    EXPECT_EQ(box.saved[0].note, "Button misaligned");
    EXPECT_EQ(box.saved[0].tags, (std::vector<std::string>{"ui", "login"}));
    EXPECT_EQ(box.calls(), 1u);
    EXPECT_FALSE(box.controller.hasPanel()) << "closed before the save ran";
    settle();
    EXPECT_TRUE(box.panel.isNull());
}

TEST(ComposePanelTest, PresentingTwiceLeavesOnePanelAndOneFilter) {
    OpenBox box;
    QPointer<EscapeKeyFilter> firstFilter = box.controller.escapeFilter();
    box.controller.present(box.pending(0), {}, box.callbacks());
    settle();
    EXPECT_TRUE(box.panel.isNull());
    EXPECT_TRUE(firstFilter.isNull());
    EXPECT_EQ(openBoxes(), 1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.controller.panel()));
    QTest::keyClick(box.controller.panel()->view()->noteEditor(), Qt::Key_Escape);
    EXPECT_EQ(box.discards, 1) << "one filter, one discard";
    settle();
    EXPECT_EQ(openBoxes(), 0);
    EXPECT_EQ(box.controller.escapeFilter(), nullptr);
}

TEST(ComposePanelTest, ATileClickOnlySwitchesThePreview) {
    OpenBox box(2);
    PendingStrip* strip = box.view()->strip();
    ASSERT_EQ(strip->tiles().size(), 2u);
    EXPECT_TRUE(strip->tiles()[0]->isSelected());
    EXPECT_TRUE(box.view()->preview()->shownPath().endsWith(QStringLiteral("shot-1.png")));
    QTest::mouseClick(strip->tiles()[1], Qt::LeftButton);
    EXPECT_TRUE(box.view()->preview()->shownPath().endsWith(QStringLiteral("shot-2.png")));
    EXPECT_FALSE(strip->tiles()[0]->isSelected());
    EXPECT_TRUE(strip->tiles()[1]->isSelected());
    EXPECT_EQ(strip->tiles()[0]->imageID(), "shot-1") << "the strip keeps its order";
    EXPECT_EQ(box.calls(), 0u);
    EXPECT_TRUE(box.controller.hasPanel());
    EXPECT_EQ(box.view()->state().currentDraft().selectedImageID, "shot-2");

    QTest::mouseClick(box.view()->preview(), Qt::LeftButton);
    EXPECT_EQ(box.annotated, (std::vector<std::string>{"shot-2"}));
    EXPECT_FALSE(box.controller.hasPanel());
    settle();
}

TEST(ComposePanelTest, TheBoxShowsWhatItsCaptureHas) {
    struct Case {
        int images;
        bool preview;
        QString placeholder;
    } cases[] = {
        {0, false, QStringLiteral("What's the issue?")},
        {1, true, QStringLiteral("What's wrong here?")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.images);
        OpenBox box(c.images);
        ComposeView* view = box.view();
        EXPECT_EQ(view->preview() != nullptr, c.preview);
        EXPECT_EQ(view->strip() != nullptr, c.preview);
        EXPECT_EQ(view->textOnlyHeader() != nullptr, !c.preview);
        EXPECT_EQ(view->noteEditor()->placeholderText(), c.placeholder);
        EXPECT_EQ(view->contextRow()->shownTexts(),
                  (QStringList{QStringLiteral("Firefox"), QStringLiteral("·"),
                               QStringLiteral("Sign in — Example"), QStringLiteral("·"),
                               QStringLiteral("https://example.com/login?next=%2Fboard")}));
        EXPECT_EQ(view->width(), ComposeView::boxWidth);
        box.controller.dismiss();
        settle();
    }
}

TEST(ComposePanelTest, AGroupThatCannotBeMadeIsShownAndNothingIsSavedWithoutIt) {
    struct Case {
        const char* name;
        bool save; // Save pressed with the field open, else Return in the field
    } cases[] = {{"Return in the field", false}, {"Save with the field open", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenBox box;
        box.groupRefusal = "disk full";
        ComposeView* view = box.view();
        emit view->groupMenu()->aboutToShow();
        view->groupMenu()->actions().back()->trigger();
        QTest::keyClicks(view->newGroupField()->lineEdit(), QStringLiteral("Login"));
        if (c.save)
            view->saveButton()->click();
        else
            QTest::keyClick(view->newGroupField()->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(box.saved.empty());
        EXPECT_TRUE(box.panel && box.panel->isVisible());
        EXPECT_EQ(view->failure(), QStringLiteral("disk full"));
        EXPECT_TRUE(view->newGroupField()->isVisibleTo(view));
        EXPECT_EQ(view->newGroupField()->lineEdit()->text(), QStringLiteral("Login"));

        // Once the group can be made, the same press goes through.
        box.groupRefusal.reset();
        if (c.save)
            view->saveButton()->click();
        else
            QTest::keyClick(view->newGroupField()->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(view->failure().isEmpty());
        EXPECT_EQ(box.saved.size(), c.save ? 1u : 0u);
        if (c.save)
            EXPECT_EQ(box.saved[0].groupID, "new-Login");
        else
            EXPECT_EQ(view->groupPill()->shownName(), QStringLiteral("Login"));
        box.controller.dismiss();
        settle();
    }
}

TEST(ComposePanelTest, NewGroupFieldCreatesTheGroupAndSavesIntoIt) {
    OpenBox box;
    ComposeView* view = box.view();
    QMenu* menu = view->groupMenu();
    emit menu->aboutToShow();
    QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 3); // "No group", a divider, "New group…"
    EXPECT_EQ(items[0]->text(), QStringLiteral("No group"));
    EXPECT_TRUE(items[1]->isSeparator());
    items[2]->trigger();
    EXPECT_TRUE(view->newGroupField()->isVisibleTo(view));
    EXPECT_FALSE(view->groupPill()->isVisibleTo(view));
    EXPECT_FALSE(view->newGroupField()->confirmButton()->isEnabled());
    QTest::keyClicks(view->newGroupField()->lineEdit(), QStringLiteral("  "));
    QTest::keyClick(view->newGroupField()->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(view->newGroupField()->isVisibleTo(view)) << "a blank name does nothing";
    QTest::keyClicks(view->newGroupField()->lineEdit(), QStringLiteral("Login"));
    QTest::keyClick(view->newGroupField()->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(view->newGroupField()->isVisibleTo(view));
    EXPECT_EQ(view->groupPill()->shownName(), QStringLiteral("Login"));
    view->prioritySelector()->button(CapturePriority::high)->click();
    view->saveButton()->click();
    ASSERT_EQ(box.saved.size(), 1u);
    EXPECT_EQ(box.saved[0].groupID, "new-Login");
    EXPECT_EQ(box.saved[0].priority, CapturePriority::high);
    settle();
}
