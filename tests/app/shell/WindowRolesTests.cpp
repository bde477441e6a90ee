// How a screen reader finds the app's top-level windows: frames, the note box a dialog, and the
// toolkit's own menus and message boxes as they were.
#include "app/AppWindow.h"
#include "compose/ComposeTexts.h"
#include "shell/WindowRoles.h"

#include "../compose/ComposeFixture.h"

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

QAccessible::Role roleOf(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->role() : QAccessible::NoRole;
}

} // namespace

TEST(WindowRoles, TheAppsWindowsAreFramesAndTheNoteBoxADialog) {
    exposeWindowRoles();
    for (const char* title : {"Welcome to Tavro", "Tavro Settings", "Tavro"}) {
        SCOPED_TRACE(title);
        AppWindow window(new QLabel(QStringLiteral("content")), QString::fromUtf8(title),
                         QSize(300, 200));
        EXPECT_EQ(roleOf(&window), QAccessible::Window);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(&window)->text(QAccessible::Name),
                  QString::fromUtf8(title));
    }

    test::ComposeFixture f;
    f.controller.present(f.pending(1), {}, f.callbacks());
    ASSERT_NE(f.controller.panel(), nullptr);
    EXPECT_EQ(roleOf(f.controller.panel()), QAccessible::Dialog);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(f.controller.panel())->text(QAccessible::Name),
              ComposeTexts::windowTitle());
    f.controller.dismiss();

    QMenu menu;
    EXPECT_EQ(roleOf(&menu), QAccessible::PopupMenu);
    QMessageBox alert;
    EXPECT_NE(roleOf(&alert), QAccessible::Window);
    QWidget inside;
    QLabel child(&inside);
    EXPECT_NE(roleOf(&child), QAccessible::Window);
}
