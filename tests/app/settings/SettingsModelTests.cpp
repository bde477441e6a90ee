// What the General, Shortcuts and Library settings tabs show and store, without their widgets.
#include "settings/GeneralSettingsModel.h"
#include "settings/LibraryFigures.h"
#include "settings/SettingsTabs.h"
#include "settings/ShortcutSettingsModel.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QSettings>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::TempFolder;
using Action = HotkeyManager::Action;
namespace Model = GeneralSettingsModel;

namespace {

// Preferences over a settings file of their own; stored() reads the file as the next start would.
struct Profile {
    Profile()
        : legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat)
        , preferences(std::make_unique<QSettings>(file(), QSettings::IniFormat), legacy) {}

    QString file() const { return toQString((folder.path() / "Tavro.conf").string()); }
    std::optional<QVariant> stored(std::string_view key) const {
        QSettings settings(file(), QSettings::IniFormat);
        const QString name = toQString(key);
        if (!settings.contains(name))
            return std::nullopt;
        return settings.value(name);
    }

    TempFolder folder;
    QSettings legacy;
    Preferences preferences;
};

CaptureGroup group(std::string id, std::string name) {
    CaptureGroup g;
    g.id = std::move(id);
    g.name = std::move(name);
    return g;
}

} // namespace

TEST(SettingsTabs, FiveTabsInOrderEachFoundByItsIdentifier) {
    const std::vector<std::pair<std::string_view, std::string_view>> expected{
        {"general", "General"}, {"account", "Account"}, {"shortcuts", "Shortcuts"},
        {"agent", "Agent"},     {"library", "Library"},
    };
    const auto tabs = settingsTabs();
    ASSERT_EQ(tabs.size(), expected.size());
    for (size_t i = 0; i < tabs.size(); ++i) {
        EXPECT_EQ(tabs[i].id, expected[i].first);
        EXPECT_EQ(tabs[i].label, expected[i].second);
        EXPECT_EQ(settingsTabIndex(tabs[i].id), i);
    }
    EXPECT_EQ(settingsTabIndex("advanced"), std::nullopt);
}

TEST(GeneralSettings, EachSwitchIsStoredUnderItsKeyAtOnce) {
    struct Case {
        PreferenceKey key;
        std::string_view label;
        std::string_view name;
        bool defaultValue;
    };
    const Case cases[] = {
        {PreferenceKey::playCaptureSound, "Play a shutter sound", "capture.sound", true},
        {PreferenceKey::copyToClipboard, "Also copy the screenshot to the clipboard",
         "capture.copyToClipboard", false},
        {PreferenceKey::openDashboardAfterSave, "Open the dashboard after saving",
         "capture.openDashboardAfterSave", false},
        {PreferenceKey::captureURLs, "Record the page URL from browsers", "capture.collectURLs",
         false},
    };
    std::vector<PreferenceKey> shown(Model::captureSwitches.begin(), Model::captureSwitches.end());
    shown.push_back(Model::contextSwitch);
    ASSERT_EQ(shown.size(), std::size(cases));
    Profile profile;
    for (size_t i = 0; i < shown.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(std::string(c.name));
        EXPECT_EQ(shown[i], c.key);
        EXPECT_EQ(Model::label(c.key), c.label);
        EXPECT_EQ(profile.preferences.flag(c.key), c.defaultValue);
        for (bool on : {!c.defaultValue, c.defaultValue}) {
            profile.preferences.setFlag(c.key, on);
            const auto stored = profile.stored(c.name);
            ASSERT_TRUE(stored);
            EXPECT_EQ(stored->toBool(), on);
        }
    }
}

TEST(GeneralSettings, TheGroupPickerOffersNoGroupThenTheGroupsAndNoGroupRemovesTheKey) {
    const std::vector<CaptureGroup> groups{group("g-1", "Checkout"), group("g-2", "Billing")};
    const auto options = Model::groupOptions(groups);
    EXPECT_EQ(options, (std::vector<Model::GroupOption>{
                           {"No group", ""}, {"Checkout", "g-1"}, {"Billing", "g-2"}}));
    EXPECT_EQ(Model::groupOptions({}), (std::vector<Model::GroupOption>{{"No group", ""}}));

    struct Case {
        std::optional<std::string> stored;
        std::optional<size_t> selected;
    };
    const Case shown[] = {
        {std::nullopt, 0},
        {"g-2", 2},
        // A group deleted since: no option matches, and the stored id stays.
        {"g-gone", std::nullopt},
    };
    for (const Case& c : shown)
        EXPECT_EQ(Model::selectedGroupOption(options, c.stored), c.selected)
            << c.stored.value_or("nil");

    Profile profile;
    struct Choice {
        std::string value;
        std::optional<std::string> stored;
    };
    const Choice choices[] = {
        {"g-1", "g-1"}, {"g-2", "g-2"}, {"", std::nullopt}, {"", std::nullopt}};
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.value);
        Model::chooseGroup(profile.preferences, c.value);
        EXPECT_EQ(profile.preferences.defaultGroupID(), c.stored);
        const auto stored = profile.stored("capture.defaultGroupID");
        ASSERT_EQ(stored.has_value(), c.stored.has_value());
        if (stored) {
            EXPECT_EQ(toStdString(stored->toString()), *c.stored);
        }
    }
}

TEST(GeneralSettings, PermissionRowsSayWhatEachPermissionIsFor) {
    struct Case {
        bool screenRecording;
        bool accessibility;
    };
    for (const Case c : {Case{true, true}, Case{false, true}, Case{true, false}}) {
        const auto rows = Model::permissionRows(c.screenRecording, c.accessibility);
        EXPECT_EQ(rows[0],
                  (Model::PermissionRow{"Screen Recording", "Required for screenshots",
                                        c.screenRecording, PermissionPane::screenRecording}));
        EXPECT_EQ(rows[1], (Model::PermissionRow{"Accessibility", "Only needed for tap shortcuts",
                                                 c.accessibility, PermissionPane::accessibility}));
    }
}

TEST(ShortcutSettings, OnlyTheRowOfAnOwnedShortcutShowsTheConflict) {
    const std::string_view warning =
        "Another app already owns this shortcut — pick a different one.";
    struct Case {
        std::set<Action> conflicts;
        std::optional<std::string_view> region;
        std::optional<std::string_view> fullScreen;
    };
    const Case cases[] = {
        {{}, std::nullopt, std::nullopt},
        {{Action::fullScreen}, std::nullopt, warning},
        {{Action::region}, warning, std::nullopt},
        {{Action::region, Action::fullScreen}, warning, warning},
    };
    for (const Case& c : cases) {
        const auto rows = ShortcutSettingsModel::recorderRows(c.conflicts);
        EXPECT_EQ(rows[0],
                  (ShortcutSettingsModel::RecorderRow{Action::region, PreferenceKey::regionHotkey,
                                                      "Capture a region", c.region}));
        EXPECT_EQ(rows[1], (ShortcutSettingsModel::RecorderRow{
                               Action::fullScreen, PreferenceKey::fullScreenHotkey,
                               "Capture the whole screen", c.fullScreen}));
    }
}

TEST(ShortcutSettings, TheReferenceRowsFollowTheBindings) {
    struct Case {
        HotkeyBinding region;
        HotkeyBinding fullScreen;
        std::string regionTwice;
        std::string fullScreenTwice;
    };
    const Case cases[] = {
        {HotkeyBinding::defaultRegion(), HotkeyBinding::defaultFullScreen(),
         "Alt+Shift+2  Alt+Shift+2", "Alt+Shift+3  Alt+Shift+3"},
        {HotkeyBinding{std::nullopt, ModifierSet::option, 2},
         HotkeyBinding{20, ModifierSet::command, 3}, "Alt Alt  Alt Alt",
         "Super+3 Super+3 Super+3  Super+3 Super+3 Super+3"},
    };
    for (const Case& c : cases) {
        const auto sections = ShortcutSettingsModel::referenceSections(c.region, c.fullScreen);
        ASSERT_EQ(sections.size(), 3u);
        EXPECT_EQ(sections[0].header, "Issues without a screenshot");
        EXPECT_EQ(
            sections[0].rows,
            (std::vector<ShortcutSettingsModel::KeyReference>{
                {c.regionTwice,
                 "Press again while the overlay is up — the note box opens without a "
                 "screenshot"},
                {c.fullScreenTwice, "Press twice quickly — same, from the full-screen shortcut"},
            }));
        EXPECT_EQ(sections[1].header, "While the overlay is open");
        EXPECT_EQ(sections[1].rows.size(), 3u);
        EXPECT_EQ(sections[2].header, "In the note box");
        EXPECT_EQ(sections[2].rows.front().keys, "Ctrl+↩");
    }
}

TEST(LibraryFigures, SizesReadAsAFileManagerWritesThem) {
    const std::pair<std::int64_t, std::string_view> cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        {999'999, "1 MB"},
        {1'500'000, "1.5 MB"},
        {2'000'000, "2 MB"},
        {550'000, "550 KB"},
        {1'234'567'890, "1.23 GB"},
        {5'000'000'000'000, "5 TB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(LibraryFigures::byteCountText(bytes), text) << bytes;
    EXPECT_EQ(LibraryFigures::countText(0), "0");
    EXPECT_EQ(LibraryFigures::countText(1000), "1000");
}

TEST(AppInfo, TheVersionFallsBackPartByPart) {
    struct Case {
        std::optional<std::string> shortVersion;
        std::optional<std::string> build;
        std::string shown;
    };
    const Case cases[] = {
        {"2.3", "45", "2.3 (45)"},
        {std::nullopt, std::nullopt, "1.0 (1)"},
        {"2.3", std::nullopt, "2.3 (1)"},
        {std::nullopt, "45", "1.0 (45)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppInfo::versionString(c.shortVersion, c.build), c.shown);
    EXPECT_EQ(AppInfo::versionString(), std::string(TAVRO_VERSION) + " (1)");
}
