#pragma once

#include "values/HotkeyBinding.h"
#include "values/PreferenceKeys.h"

#include <QObject>
#include <QSettings>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// The user's settings: every value is read once at construction and written back the moment it
// is assigned. Assigning always writes and announces, even an unchanged value.
class Preferences final : public QObject {
    Q_OBJECT

public:
    // Imports the former release's settings from `legacy` once per profile, then loads every
    // value from `settings`.
    Preferences(std::unique_ptr<QSettings> settings, QSettings& legacy, QObject* parent = nullptr);
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    HotkeyBinding binding(PreferenceKey key) const;
    void setBinding(PreferenceKey key, const HotkeyBinding& binding);
    bool flag(PreferenceKey key) const;
    void setFlag(PreferenceKey key, bool value);

    HotkeyBinding regionHotkey() const { return binding(PreferenceKey::regionHotkey); }
    HotkeyBinding fullScreenHotkey() const { return binding(PreferenceKey::fullScreenHotkey); }
    std::string text(PreferenceKey key) const;
    void setText(PreferenceKey key, const std::string& value);
    int integer(PreferenceKey key) const;
    void setInteger(PreferenceKey key, int value);
    const std::optional<std::string>& defaultGroupID() const { return defaultGroupID_; }
    void setDefaultGroupID(const std::optional<std::string>& groupID);

    // A binding stored under `name`, or nothing when it is absent, not data, not a binding's
    // JSON, or has a tap count outside 1...3 (so the default applies and the data stays).
    static std::optional<HotkeyBinding> load(const QSettings& settings, std::string_view name);
    // Copies the eleven keys the current settings lack from `legacy`, once per profile.
    static void importLegacyDefaultsIfNeeded(QSettings& settings, QSettings& legacy);

signals:
    void changed(tavro::PreferenceKey key);

private:
    void store(const HotkeyBinding& binding, std::string_view name);
    void writeDefaultGroupID();

    std::unique_ptr<QSettings> settings_;
    std::map<PreferenceKey, HotkeyBinding> bindings_;
    std::map<PreferenceKey, bool> flags_;
    std::map<PreferenceKey, std::string> texts_;
    std::map<PreferenceKey, int> integers_;
    std::optional<std::string> defaultGroupID_;
};

// The settings of this release ("tavro"/"Tavro") and of the former one ("koldar"/"Tavro").
std::unique_ptr<QSettings> openUserSettings();
std::unique_ptr<QSettings> openLegacyUserSettings();

} // namespace tavro
