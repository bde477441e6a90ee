#include "ComposeFixture.h"

#include "compose/ComposeControls.h"
#include "compose/ComposeHeader.h"
#include "compose/ComposeView.h"
#include "compose/EscapeKeyFilter.h"
#include "values/Utf8.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

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

TEST(ComposePanelTest, EscapeInTheNewGroupFieldLeavesTheFieldBeforeTheBox) {
    struct Case {
        const char* name;
        bool focusField;
        int discardsAfterFirst;
        bool namingAfterFirst;
    } cases[] = {
        {"typing a group name", true, 0, false},
        {"naming, the keyboard in the note", false, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenBox box(2);
        ComposeView* view = box.view();
        emit view->groupMenu()->aboutToShow();
        view->groupMenu()->actions().last()->trigger();
        QLineEdit* field = view->newGroupField()->lineEdit();
        QTest::keyClicks(field, QStringLiteral("Login"));
        (c.focusField ? static_cast<QWidget*>(field) : view->noteEditor())->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_EQ(box.discards, c.discardsAfterFirst);
        EXPECT_EQ(view->state().isNamingGroup, c.namingAfterFirst);
        if (!c.discardsAfterFirst) {
            EXPECT_TRUE(view->groupPill()->isVisibleTo(view));
            EXPECT_EQ(view->state().pending().images.size(), 2u);
            EXPECT_TRUE(view->noteEditor()->hasFocus());
            QTest::keyClick(view->noteEditor(), Qt::Key_Escape);
            EXPECT_EQ(box.discards, 1) << "a second Escape discards the box";
        }
        box.controller.dismiss();
        settle();
    }
}

TEST(ComposePanelTest, TheWheelScrollsTheScreenshotStripSideways) {
    struct Case {
        const char* name;
        QPoint angle;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {
        {"the wheel", {0, -120}, Qt::NoModifier},
        {"Shift+wheel", {0, -120}, Qt::ShiftModifier},
        {"Shift+wheel sent sideways", {-120, 0}, Qt::ShiftModifier},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenBox box(8);
        PendingStrip* strip = box.view()->strip();
        auto* scroll = strip->findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        QScrollBar* bar = scroll->horizontalScrollBar();
        ASSERT_GT(bar->maximum(), 0) << "eight screenshots overflow the box";
        const QPointF inside(scroll->viewport()->width() / 2.0, scroll->viewport()->height() / 2.0);
        for (int turn = 0; turn < 20; ++turn) {
            QWheelEvent wheel(inside, scroll->viewport()->mapToGlobal(inside), QPoint(), c.angle,
                              Qt::NoButton, c.modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(scroll->viewport(), &wheel);
        }
        EXPECT_EQ(bar->value(), bar->maximum()) << "\"Add\" comes into reach";
        box.controller.dismiss();
        settle();
    }
}

TEST(ComposePanelTest, TheNoteKeepsItsCursorWhenTheBoxComesBack) {
    struct Case {
        const char* name;
        std::function<void(ComposeView&)> leave;
        const char* returningCapture;
        int cursor;
    };
    const QString typed = QStringLiteral("Button misaligned on login");
    const Case cases[] = {
        {"after Add", [](ComposeView& v) { v.strip()->addTile()->click(); }, "capture-1", 6},
        {"after the mark-up", [](ComposeView& v) { v.preview()->click(); }, "capture-1", 6},
        {"after a failed save", [](ComposeView& v) { v.saveButton()->click(); }, "capture-1", 6},
        {"another capture starts at the note's end", [](ComposeView& v) { v.discard(); },
         "capture-2", int(typed.size())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenBox box;
        QTest::keyClicks(box.view()->noteEditor(), typed);
        QTextCursor cursor = box.view()->noteEditor()->textCursor();
        cursor.setPosition(6);
        box.view()->noteEditor()->setTextCursor(cursor);
        c.leave(*box.view());
        EXPECT_FALSE(box.controller.hasPanel());
        PendingCapture again = box.pending(1);
        again.id = c.returningCapture;
        again.draft.note = toStdString(typed);
        box.controller.present(again, {}, box.callbacks());
        QPlainTextEdit* note = box.controller.panel()->view()->noteEditor();
        EXPECT_EQ(note->toPlainText(), typed);
        EXPECT_EQ(note->textCursor().position(), c.cursor);
        box.controller.dismiss();
        settle();
    }
}

TEST(ComposePanelTest, ALongGroupNameEndsInAnEllipsisAndKeepsTheChevron) {
    struct Case {
        const char* name;
        std::string group;
        bool cut;
    } cases[] = {
        {"a short name", "Login", false},
        {"a long name", "Checkout and payment flow regressions found in the spring release", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenBox box;
        GroupPill* pill = box.view()->groupPill();
        pill->setGroup(CaptureGroup{.id = "g", .name = c.group, .colorHex = "#10B981"});
        pill->resize(pill->sizeHint());
        EXPECT_EQ(pill->visibleName().endsWith(QChar(0x2026)), c.cut);
        EXPECT_EQ(pill->visibleName() == toQString(c.group), !c.cut);
        EXPECT_TRUE(QRectF(pill->rect()).contains(pill->chevronRect()));
        EXPECT_LE(pill->width(), GroupPill::nameWidthLimit + 60);
        box.controller.dismiss();
        settle();
    }
}
