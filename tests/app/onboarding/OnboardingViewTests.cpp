// The onboarding window's view driven through its buttons, on the offscreen platform.
#include "agents/CodeBlock.h"
#include "agents/MCPClientRow.h"
#include "agents/MCPConnectionList.h"
#include "capture/HotkeyManager.h"
#include "desktop/HotkeyRegistrar.h"
#include "desktop/KeyEventSource.h"
#include "desktop/PermissionsService.h"
#include "onboarding/OnboardingSteps.h"
#include "onboarding/OnboardingView.h"
#include "ui/DisclosureButton.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "TempLibrary.h"
#include "WindowServices.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

struct OnboardingFixture : test::WindowServices {
    bool storedCompleted() const {
        return QSettings(file(), QSettings::IniFormat)
            .value(QStringLiteral("onboarding.completed"))
            .toBool();
    }
};

QString shown(QAbstractButton* button) {
    return button->isVisibleTo(button->window()) ? button->text() : QString();
}

} // namespace

TEST(OnboardingView, TheFooterWalksTheStepsAndFinishingIsStoredFirst) {
    OnboardingFixture f;
    f.probe.screenRecording = false;
    f.permissions.refresh();
    bool storedBeforeFinish = false;
    int finished = 0;
    OnboardingView view(f.preferences, f.permissions, f.hotkeys,
                        [&] {
                            storedBeforeFinish = f.storedCompleted();
                            ++finished;
                        },
                        {});
    view.show();
    struct Expected {
        QString back;
        QString skip;
        QString primary;
        const char* content;
    };
    const Expected steps[] = {
        {{}, {}, QStringLiteral("Continue"), "tavro::WelcomeStep"},
        {QStringLiteral("Back"), {}, QStringLiteral("Continue anyway"), "tavro::PermissionStep"},
        {QStringLiteral("Back"), {}, QStringLiteral("Continue"), "tavro::ShortcutStep"},
        {QStringLiteral("Back"), QStringLiteral("Skip"), QStringLiteral("Continue"),
         "tavro::AgentStep"},
        {QStringLiteral("Back"), {}, QStringLiteral("Start using Tavro"), "tavro::ReadyStep"},
    };
    auto expectStep = [&](int step) {
        SCOPED_TRACE(step);
        const Expected& e = steps[step];
        EXPECT_EQ(view.step(), step);
        EXPECT_EQ(shown(view.backButton()), e.back);
        EXPECT_EQ(shown(view.skipButton()), e.skip);
        EXPECT_EQ(shown(view.primaryButton()), e.primary);
        EXPECT_STREQ(view.stepContent()->metaObject()->className(), e.content);
    };
    expectStep(0);
    view.primaryButton()->click();
    expectStep(1);
    // Granted while the step shows: the next poll tick relabels the button.
    f.probe.screenRecording = true;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view.primaryButton()->text() == QStringLiteral("Continue"); }, 3000));
    view.backButton()->click();
    expectStep(0);
    f.probe.screenRecording = false;
    f.permissions.refresh();
    for (int step = 1; step <= 3; ++step) {
        view.primaryButton()->click();
        expectStep(step);
    }
    view.skipButton()->click();
    expectStep(4);
    EXPECT_EQ(finished, 0);
    EXPECT_FALSE(f.storedCompleted());
    view.primaryButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(storedBeforeFinish);
    EXPECT_TRUE(f.preferences.flag(PreferenceKey::hasCompletedOnboarding));
}

TEST(OnboardingView, PollsOnlyWhileOnScreenAndTryACaptureOnlyCallsBack) {
    OnboardingFixture f;
    int tries = 0;
    OnboardingView view(f.preferences, f.permissions, f.hotkeys, {}, [&] { ++tries; });
    EXPECT_FALSE(f.permissions.isPolling());
    view.show();
    EXPECT_TRUE(f.permissions.isPolling());
    view.hide();
    EXPECT_FALSE(f.permissions.isPolling());
    view.show();
    for (int i = 0; i < 4; ++i)
        view.forward();
    auto* ready = qobject_cast<ReadyStep*>(view.stepContent());
    ASSERT_TRUE(ready);
    ready->tryCaptureButton()->click();
    ready->tryCaptureButton()->click();
    EXPECT_EQ(tries, 2);
    EXPECT_EQ(view.step(), 4);
    EXPECT_FALSE(f.preferences.flag(PreferenceKey::hasCompletedOnboarding));
}

TEST(OnboardingView, EveryStepSpeaksOfThisDesktop) {
    OnboardingFixture f;
    for (bool granted : {false, true}) {
        f.probe.screenRecording = granted;
        f.permissions.refresh();
        OnboardingView view(f.preferences, f.permissions, f.hotkeys, {}, {});
        view.show();
        for (int step = 0; step < 5; ++step) {
            SCOPED_TRACE(step);
            for (const QLabel* label : view.stepContent()->findChildren<QLabel*>()) {
                if (!label->isVisibleTo(&view))
                    continue;
                for (const char* word : {"macOS", "Mac", "menu bar", "Screen Recording"})
                    EXPECT_FALSE(label->text().contains(QLatin1String(word)))
                        << label->text().toStdString();
            }
            if (step < 4)
                (step == 3 ? view.skipButton() : view.primaryButton())->click();
        }
    }
}

TEST(OnboardingView, TheAgentStepScrollsRatherThanSqueezingItsRows) {
    OnboardingFixture f;
    OnboardingView view(f.preferences, f.permissions, f.hotkeys, {}, {});
    view.resize(OnboardingView::width, OnboardingView::height);
    view.show();
    for (int step = 0; step < 3; ++step)
        view.primaryButton()->click();
    ASSERT_EQ(view.step(), 3);
    auto* list = view.stepContent()->findChild<MCPConnectionList*>();
    ASSERT_NE(list, nullptr);
    list->manualToggle()->click();
    QTRY_VERIFY(list->commandBlock()->isVisibleTo(&view));
    QTRY_VERIFY(list->snippetBlock()->height() >= list->snippetBlock()->sizeHint().height());
    for (QWidget* part :
         {static_cast<QWidget*>(list->commandBlock()), static_cast<QWidget*>(list->snippetBlock())})
        EXPECT_GE(part->height(), part->minimumSizeHint().height());
    int bottom = -1;
    for (MCPClientRow* row : list->rows()) {
        EXPECT_GE(row->height(), row->minimumSizeHint().height());
        EXPECT_GE(row->y(), bottom) << "rows overlap";
        bottom = row->y() + row->height();
    }
}

// Return and Enter press the forward button wherever the focus is, as a default button's keys
// do, and the last step's Return finishes.
TEST(OnboardingView, ReturnPressesTheForwardButton) {
    OnboardingFixture f;
    int finished = 0;
    OnboardingView view(f.preferences, f.permissions, f.hotkeys, [&] { ++finished; }, {});
    view.show();
    ASSERT_EQ(view.step(), 0);
    QTest::keyClick(view.primaryButton(), Qt::Key_Return);
    EXPECT_EQ(view.step(), 1);
    QTest::keyClick(view.backButton(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(view.step(), 2) << "from the Back button too";
    QTest::keyClick(view.primaryButton(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(view.step(), 2) << "not with a modifier";
    for (int press = 0; press < 4 && view.step() < 4; ++press)
        QTest::keyClick(view.primaryButton(), Qt::Key_Return);
    ASSERT_EQ(view.step(), 4);
    EXPECT_EQ(finished, 0);
    QTest::keyClick(view.primaryButton(), Qt::Key_Return);
    EXPECT_EQ(finished, 1);
}
