// The settings window's view over a real library and preferences, on the offscreen platform.
#include "capture/HotkeyManager.h"
#include "desktop/HotkeyRegistrar.h"
#include "desktop/KeyEventSource.h"
#include "desktop/PermissionsService.h"
#include "settings/LibrarySettings.h"
#include "settings/SettingsView.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "LibraryFixture.h"
#include "WindowServices.h"

#include <QAbstractButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <QAccessible>
#include <QLabel>

#include <gtest/gtest.h>

#include <fstream>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

using SettingsFixture = test::WindowServices;

void writeBytes(const std::filesystem::path& file, size_t size) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << std::string(size, 'x');
}

} // namespace

TEST(SettingsView, FiveTabsStartingOnGeneralAndTheAccountTabOnRequest) {
    LibraryFixture library;
    SettingsFixture f;
    SettingsView view(f.preferences, f.permissions, f.hotkeys, *library.library, *library.account,
                      f.actions);
    QTabWidget* tabs = view.tabs();
    ASSERT_EQ(tabs->count(), 5);
    const QStringList labels{QStringLiteral("General"), QStringLiteral("Account"),
                             QStringLiteral("Shortcuts"), QStringLiteral("Agent"),
                             QStringLiteral("Library")};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tabs->tabText(i), labels[i]);
    EXPECT_EQ(view.currentTab(), QStringLiteral("general"));

    for (const char* from : {"shortcuts", "account", "library"}) {
        SCOPED_TRACE(from);
        view.selectTab(from);
        view.showAccountTab();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return view.currentTab() == QStringLiteral("account"); }, 2000));
    }
    SettingsView onLibrary(f.preferences, f.permissions, f.hotkeys, *library.library,
                           *library.account, f.actions, "library");
    EXPECT_EQ(onLibrary.currentTab(), QStringLiteral("library"));
}

TEST(LibrarySettings, CountsAndSizeOfAnEmptyAndOfAFullLibrary) {
    struct Case {
        std::string name;
        int captures;
        int openOnes;
        int files;
        QString capturesText;
        QString openText;
        QString sizeText;
    };
    const Case cases[] = {
        {"empty", 0, 0, 0, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("Zero KB")},
        // Both figures count every live capture, however many the board holds.
        {"a thousand files", 1001, 1001 - 300, 1000, QStringLiteral("1001"), QStringLiteral("701"),
         QStringLiteral("1.5 MB")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryFixture library;
        SettingsFixture f;
        library.store().db().transaction([&] {
            for (int i = 0; i < c.captures; ++i) {
                Capture capture = LibraryFixture::makeCapture("n" + std::to_string(i));
                if (i >= c.openOnes)
                    capture.status = CaptureStatus::resolved;
                library.store().insert(capture);
            }
        });
        for (int i = 0; i < c.files / 2; ++i) {
            writeBytes(library.temp.root() / "captures/2026/05" / (std::to_string(i) + ".png"),
                       2500);
            writeBytes(library.temp.root() / "thumbs/2026/05" / (std::to_string(i) + ".jpg"), 500);
        }
        writeBytes(library.temp.root() / "captures/.hidden.png", 1'000'000);
        library.reloadAndWait();

        LibrarySettings tab(*library.library, f.actions);
        EXPECT_EQ(tab.sizeOnDisk(), QStringLiteral("Calculating…"));
        QSignalSpy measured(&tab, &LibrarySettings::measured);
        tab.show();
        ASSERT_TRUE(measured.wait(10000));
        EXPECT_EQ(tab.sizeOnDisk(), c.sizeText);
        EXPECT_EQ(tab.capturesText(), c.capturesText);
        EXPECT_EQ(tab.openText(), c.openText);
        EXPECT_EQ(tab.locationButton()->text(), toQString(library.temp.root().string()));

        // A screen reader reads each figure, labelled by its row's title.
        const std::pair<QString, QString> figures[] = {
            {QStringLiteral("Captures"), c.capturesText},
            {QStringLiteral("Open"), c.openText},
            {QStringLiteral("Screenshots on disk"), c.sizeText}};
        for (const auto& [title, figure] : figures) {
            SCOPED_TRACE(title.toStdString());
            QWidget* shown = nullptr;
            for (QLabel* label : tab.findChildren<QLabel*>())
                if (label->text() == title)
                    shown = label->buddy();
            ASSERT_NE(shown, nullptr);
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(shown);
            EXPECT_EQ(accessible->text(QAccessible::Name), figure);
            const auto labels = accessible->relations(QAccessible::Label);
            ASSERT_EQ(labels.size(), 1);
            EXPECT_EQ(labels.front().first->text(QAccessible::Name), title);
        }
    }
}
