// What a screen reader and the keyboard find in the settings window and onboarding: every control
// has a name, and Tab walks the controls in reading order.
#include "onboarding/OnboardingView.h"
#include "settings/SettingsView.h"

#include "LibraryFixture.h"
#include "WindowServices.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace tavro;

namespace {

using Shared = test::WindowServices;

std::string describe(QWidget* widget) {
    return std::string(widget->metaObject()->className()) + ' ' +
           widget->objectName().toStdString();
}

// The controls the Tab key reaches in `window`, in the order it reaches them.
std::vector<QWidget*> tabStops(QWidget& window) {
    std::vector<QWidget*> stops;
    QWidget* start = window.nextInFocusChain();
    for (QWidget* w = start; w && w != &window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(&window) &&
            w->window() == &window)
            stops.push_back(w);
        if (w->nextInFocusChain() == start)
            break;
    }
    // The chain is a ring: Tab from the last control comes back to the first one on screen.
    const auto first = std::min_element(stops.begin(), stops.end(), [&](QWidget* a, QWidget* b) {
        const QPoint pa = a->mapTo(&window, QPoint()), pb = b->mapTo(&window, QPoint());
        return std::pair(pa.y(), pa.x()) < std::pair(pb.y(), pb.x());
    });
    std::rotate(stops.begin(), first, stops.end());
    return stops;
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

// Every control is named, and no control comes after one that sits below it on another line.
void expectNamedInReadingOrder(QWidget& window, const std::string& where) {
    SCOPED_TRACE(where);
    const std::vector<QWidget*> stops = tabStops(window);
    EXPECT_FALSE(stops.empty());
    for (QWidget* stop : stops)
        EXPECT_FALSE(accessibleName(stop).trimmed().isEmpty()) << describe(stop);
    for (size_t i = 1; i < stops.size(); ++i) {
        const QRect before(stops[i - 1]->mapTo(&window, QPoint()), stops[i - 1]->size());
        const QRect after(stops[i]->mapTo(&window, QPoint()), stops[i]->size());
        // The next stop is on the same line (overlapping rows), or on a lower one.
        const bool sameLine = after.top() < before.bottom() && before.top() < after.bottom();
        EXPECT_TRUE(sameLine || after.top() >= before.top())
            << describe(stops[i - 1]) << " then " << describe(stops[i]) << " above it";
        if (sameLine && after.top() == before.top()) {
            EXPECT_GE(after.left(), before.left())
                << describe(stops[i - 1]) << " then " << describe(stops[i]) << " left of it";
        }
    }
}

TEST(WindowAccessibility, EverySettingsTabIsNamedAndInReadingOrder) {
    test::LibraryFixture library;
    Shared shared;
    SettingsView view(shared.preferences, shared.permissions, shared.hotkeys, *library.library,
                      *library.account, shared.actions);
    view.setFixedSize(SettingsView::width, SettingsView::height);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (const char* tab : {"general", "account", "shortcuts", "agent", "library"}) {
        view.selectTab(tab);
        QCoreApplication::sendPostedEvents();
        expectNamedInReadingOrder(view, tab);
    }
}

TEST(WindowAccessibility, EveryOnboardingStepIsNamedAndInReadingOrder) {
    Shared shared;
    OnboardingView view(shared.preferences, shared.permissions, shared.hotkeys, {}, {});
    view.setFixedSize(OnboardingView::width, OnboardingView::height);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (int step = 0; step < 5; ++step) {
        QCoreApplication::sendPostedEvents();
        expectNamedInReadingOrder(view, "step " + std::to_string(step));
        view.forward();
    }
}

} // namespace
