// Pictures of every settings tab and onboarding step, at the scale the test runs at, for a person
// to look at.
#include "capture/HotkeyManager.h"
#include "desktop/HotkeyRegistrar.h"
#include "desktop/KeyEventSource.h"
#include "desktop/PermissionsService.h"
#include "onboarding/OnboardingView.h"
#include "settings/LibrarySettings.h"
#include "settings/SettingsTexts.h"
#include "settings/SettingsView.h"
#include "ui/DisclosureButton.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "LibraryFixture.h"
#include "ViewPicture.h"
#include "WindowServices.h"

#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

using Shared = test::WindowServices;

} // namespace

TEST(SettingsGallery, EveryTabAtTheWindowsSize) {
    LibraryFixture library;
    library.store().upsertGroup(CaptureGroup{.id = "6d1f0c4e-4b7a-4f65-9c1e-2a9d1c3b5e70",
                                             .name = "Checkout flow",
                                             .colorHex = "#10B981",
                                             .createdAt = now(),
                                             .updatedAt = now()});
    library.store().insert(LibraryFixture::makeCapture("Coupon field loses focus"));
    library.reloadAndWait();
    Shared shared;
    SettingsView view(shared.preferences, shared.permissions, shared.hotkeys, *library.library,
                      *library.account, shared.actions);
    view.setFixedSize(SettingsView::width, SettingsView::height);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (const char* tab : {"general", "account", "shortcuts", "agent", "library"}) {
        SCOPED_TRACE(tab);
        view.selectTab(tab);
        if (tab == std::string_view("library")) {
            // The size on disk is measured off the GUI thread as the tab shows.
            const auto* figures = view.findChild<LibrarySettings*>();
            ASSERT_NE(figures, nullptr);
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return figures->sizeOnDisk() != toQString(SettingsTexts::calculating); },
                5000));
        }
        test::savePicture(view, QStringLiteral("settings-") + QString::fromLatin1(tab));
    }
}

TEST(SettingsGallery, EveryOnboardingStep) {
    Shared shared;
    OnboardingView view(shared.preferences, shared.permissions, shared.hotkeys, {}, {});
    view.setFixedSize(OnboardingView::width, OnboardingView::height);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (int step = 0; step < 5; ++step) {
        test::savePicture(view, QStringLiteral("onboarding-step%1").arg(step));
        if (auto* manual = view.findChild<DisclosureButton*>(); manual && manual->isVisible()) {
            // The agent step with its manual set-up open, which scrolls.
            manual->click();
            test::savePicture(view, QStringLiteral("onboarding-step%1-manual").arg(step));
            manual->click();
        }
        view.forward();
    }
    // The permission page as a desktop that asks for consent shows it before it is given.
    shared.probe.screenRecording = false;
    shared.permissions.refresh();
    for (int i = 0; i < 3; ++i)
        view.back();
    test::savePicture(view, QStringLiteral("onboarding-step1-not-granted"));
}
