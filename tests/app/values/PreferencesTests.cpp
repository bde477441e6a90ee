#include "values/Preferences.h"
#include "values/Utf8.h"

#include "TempLibrary.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::TempFolder;

namespace {

// A profile of its own: this release's settings file and the former release's, in a temporary
// folder. Each start() reads them afresh, as a new process would.
class PreferencesTest : public ::testing::Test {
protected:
    QString currentFile() const { return toQString((folder.path() / "tavro/Tavro.conf").string()); }
    QString legacyFile() const { return toQString((folder.path() / "koldar/Tavro.conf").string()); }

    std::unique_ptr<QSettings> current() const {
        return std::make_unique<QSettings>(currentFile(), QSettings::IniFormat);
    }
    std::unique_ptr<QSettings> legacy() const {
        return std::make_unique<QSettings>(legacyFile(), QSettings::IniFormat);
    }

    std::unique_ptr<Preferences> start() const {
        auto former = legacy();
        return std::make_unique<Preferences>(current(), *former);
    }

    void write(std::unique_ptr<QSettings> settings, const char* key, const QVariant& value) const {
        settings->setValue(QString::fromUtf8(key), value);
        settings->sync();
    }

    QVariant stored(const char* key) const { return current()->value(QString::fromUtf8(key)); }

    TempFolder folder;
};

QByteArray json(const char* text) {
    return QByteArray(text);
}

} // namespace

TEST_F(PreferencesTest, FreshProfileReadsTheDefaults) {
    auto preferences = start();
    EXPECT_EQ(preferences->regionHotkey(), (HotkeyBinding{19, ModifierSet{10}, 1}));
    EXPECT_EQ(preferences->fullScreenHotkey(), (HotkeyBinding{20, ModifierSet{10}, 1}));
    EXPECT_EQ(preferences->regionHotkey().displayString(), "Alt+Shift+2");
    EXPECT_EQ(preferences->fullScreenHotkey().displayString(), "Alt+Shift+3");
    const std::pair<PreferenceKey, bool> flags[] = {
        {PreferenceKey::hasCompletedOnboarding, false},
        {PreferenceKey::playCaptureSound, true},
        {PreferenceKey::copyToClipboard, false},
        {PreferenceKey::captureURLs, false},
        {PreferenceKey::showMenuBarIcon, true},
        {PreferenceKey::openDashboardAfterSave, false},
    };
    for (const auto& [key, value] : flags)
        EXPECT_EQ(preferences->flag(key), value) << preferenceRow(key).name;
    EXPECT_EQ(preferences->defaultGroupID(), std::nullopt);
    EXPECT_TRUE(stored("migration.importedLegacyDefaults").toBool());
    EXPECT_FALSE(stored("capture.sound").isValid()) << "defaults are not written";
}

TEST_F(PreferencesTest, ImportsTheFormerReleaseOnceWithoutOverwriting) {
    auto former = legacy();
    former->setValue(QStringLiteral("capture.sound"), false);
    former->setValue(QStringLiteral("capture.defaultProjectID"), QStringLiteral("group-7"));
    former->setValue(QStringLiteral("hotkey.region"), json(R"({"modifiers":2,"tapCount":2})"));
    former->setValue(QStringLiteral("hotkey.fullScreen"),
                     json(R"({"keyCode":1,"modifiers":1,"tapCount":1})"));
    former->setValue(QStringLiteral("ui.launchAtLogin"), true);
    former->setValue(QStringLiteral("unrelated.key"), 5);
    former->sync();
    write(current(), "hotkey.region", json(R"({"keyCode":0,"modifiers":4,"tapCount":1})"));

    auto preferences = start();
    EXPECT_FALSE(preferences->flag(PreferenceKey::playCaptureSound));
    EXPECT_EQ(preferences->defaultGroupID(), "group-7");
    EXPECT_EQ(stored("capture.defaultGroupID").toString(), QStringLiteral("group-7"));
    EXPECT_EQ(stored("capture.defaultProjectID").toString(), QStringLiteral("group-7"));
    EXPECT_EQ(preferences->regionHotkey(), (HotkeyBinding{0, ModifierSet::control, 1}));
    EXPECT_EQ(preferences->fullScreenHotkey(), (HotkeyBinding{1, ModifierSet::command, 1}));
    EXPECT_TRUE(stored("ui.launchAtLogin").toBool());
    EXPECT_FALSE(stored("unrelated.key").isValid());

    // A second start never reads the former release again.
    former->setValue(QStringLiteral("capture.openDashboardAfterSave"), true);
    former->sync();
    preferences = start();
    EXPECT_FALSE(preferences->flag(PreferenceKey::openDashboardAfterSave));
}

TEST_F(PreferencesTest, AnUnreadableFormerReleaseMarksTheImportDone) {
    test::writeFile(toStdString(legacyFile()), "[General\ncapture.sound=@Variant(\\0\\0");
    auto former = legacy();
    ASSERT_NE(former->status(), QSettings::NoError);
    auto preferences = std::make_unique<Preferences>(current(), *former);
    EXPECT_TRUE(preferences->flag(PreferenceKey::playCaptureSound));
    EXPECT_TRUE(stored("migration.importedLegacyDefaults").toBool());
}

TEST_F(PreferencesTest, DamagedShortcutsFallBackAndStayUntilAssigned) {
    const std::pair<const char*, QVariant> damaged[] = {
        {"not JSON", json("not JSON")},
        {"missing tap count", json(R"({"keyCode":5,"modifiers":10})")},
        {"text instead of data", QStringLiteral(R"({"keyCode":5,"modifiers":10,"tapCount":1})")},
        {"negative tap count", json(R"({"keyCode":5,"modifiers":10,"tapCount":-1})")},
        {"huge tap count", json(R"({"modifiers":2,"tapCount":100000000000})")},
    };
    for (const auto& [label, value] : damaged) {
        SCOPED_TRACE(label);
        write(current(), "hotkey.region", value);
        auto preferences = start();
        EXPECT_EQ(preferences->regionHotkey(), HotkeyBinding::defaultRegion());
        EXPECT_EQ(stored("hotkey.region"), value);
    }

    auto preferences = start();
    const HotkeyBinding doubleOption{std::nullopt, ModifierSet::option, 2};
    preferences->setBinding(PreferenceKey::regionHotkey, doubleOption);
    EXPECT_EQ(stored("hotkey.region").toByteArray(), json(R"({"modifiers":2,"tapCount":2})"));
    EXPECT_EQ(start()->regionHotkey(), doubleOption);
}

TEST_F(PreferencesTest, AssignmentsWriteAtOnceAndAnnounceTheirKey) {
    auto preferences = start();
    QSignalSpy spy(preferences.get(), &Preferences::changed);
    preferences->setFlag(PreferenceKey::copyToClipboard, true);
    preferences->setFlag(PreferenceKey::playCaptureSound, true);
    preferences->setDefaultGroupID("g1");
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).value<PreferenceKey>(), PreferenceKey::copyToClipboard);
    EXPECT_EQ(spy.at(2).at(0).value<PreferenceKey>(), PreferenceKey::defaultGroupID);

    auto restarted = start();
    EXPECT_TRUE(restarted->flag(PreferenceKey::copyToClipboard));
    EXPECT_TRUE(stored("capture.sound").toBool());
    EXPECT_EQ(restarted->defaultGroupID(), "g1");
    EXPECT_THROW(preferences->setFlag(PreferenceKey::regionHotkey, true), std::logic_error);
}

TEST_F(PreferencesTest, AClearedDefaultGroupStaysClearedAfterRestart) {
    auto former = legacy();
    former->setValue(QStringLiteral("capture.defaultProjectID"), QStringLiteral("old-group"));
    former->sync();
    auto preferences = start();
    ASSERT_EQ(preferences->defaultGroupID(), "old-group");

    preferences->setDefaultGroupID(std::nullopt);
    EXPECT_FALSE(stored("capture.defaultGroupID").isValid());
    EXPECT_EQ(start()->defaultGroupID(), std::nullopt);
    EXPECT_EQ(start()->defaultGroupID(), std::nullopt);
}

TEST_F(PreferencesTest, TheMarkupChoicesReadTheirDefaultsAndSurviveARestart) {
    write(current(), "markup.width", QStringLiteral("not a number"));
    auto preferences = start();
    EXPECT_EQ(preferences->text(PreferenceKey::markupTool), "pen");
    EXPECT_EQ(preferences->text(PreferenceKey::markupColor), "#FF3B30");
    EXPECT_EQ(preferences->integer(PreferenceKey::markupWidth), 1);

    preferences->setText(PreferenceKey::markupTool, "blur");
    preferences->setText(PreferenceKey::markupColor, "#0A84FF");
    preferences->setInteger(PreferenceKey::markupWidth, 2);
    auto restarted = start();
    EXPECT_EQ(restarted->text(PreferenceKey::markupTool), "blur");
    EXPECT_EQ(restarted->text(PreferenceKey::markupColor), "#0A84FF");
    EXPECT_EQ(restarted->integer(PreferenceKey::markupWidth), 2);
    EXPECT_THROW(preferences->setText(PreferenceKey::markupWidth, "7"), std::logic_error);
    EXPECT_THROW(preferences->integer(PreferenceKey::markupTool), std::logic_error);
}
