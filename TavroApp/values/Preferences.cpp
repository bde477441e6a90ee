#include "values/Preferences.h"

#include "values/Utf8.h"

#include <stdexcept>

namespace tavro {

namespace {

QString keyText(std::string_view name) {
    return toQString(name);
}

// A stored value read as a boolean: booleans, numbers and the usual words; anything else is false.
bool readFlag(const QSettings& settings, std::string_view name, bool fallback) {
    const QVariant value = settings.value(keyText(name));
    if (!value.isValid())
        return fallback;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() != 0;
    default:
        break;
    }
    const QString text = value.toString().trimmed().toLower();
    return text == QStringLiteral("true") || text == QStringLiteral("yes") ||
           text == QStringLiteral("1");
}

std::optional<std::string> readText(const QSettings& settings, std::string_view name) {
    const QVariant value = settings.value(keyText(name));
    if (!value.isValid() || !value.canConvert<QString>())
        return std::nullopt;
    return toStdString(value.toString());
}

// A stored whole number (also one written as text); anything else reads as the fallback.
int readInteger(const QSettings& settings, std::string_view name, int fallback) {
    bool ok = false;
    const int value = settings.value(keyText(name)).toString().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

Preferences::Preferences(std::unique_ptr<QSettings> settings, QSettings& legacy, QObject* parent)
    : QObject(parent)
    , settings_(std::move(settings)) {
    importLegacyDefaultsIfNeeded(*settings_, legacy);
    for (const auto& row : preferenceRows()) {
        if (row.type == PreferenceType::binding)
            bindings_[row.key] = load(*settings_, row.name).value_or(row.defaultBinding);
        else if (row.type == PreferenceType::flag)
            flags_[row.key] = readFlag(*settings_, row.name, row.defaultFlag);
        else if (row.type == PreferenceType::text)
            texts_[row.key] = readText(*settings_, row.name).value_or(std::string(row.defaultText));
        else if (row.type == PreferenceType::integer)
            integers_[row.key] = readInteger(*settings_, row.name, row.defaultInteger);
    }
    const auto& groupName = preferenceRow(PreferenceKey::defaultGroupID).name;
    defaultGroupID_ = readText(*settings_, groupName);
    if (!defaultGroupID_)
        defaultGroupID_ = readText(*settings_, PreferenceNames::legacyDefaultGroup);
    writeDefaultGroupID();
}

HotkeyBinding Preferences::binding(PreferenceKey key) const {
    auto it = bindings_.find(key);
    if (it == bindings_.end())
        throw std::logic_error("not a shortcut preference");
    return it->second;
}

void Preferences::setBinding(PreferenceKey key, const HotkeyBinding& binding) {
    auto it = bindings_.find(key);
    if (it == bindings_.end())
        throw std::logic_error("not a shortcut preference");
    it->second = binding;
    store(binding, preferenceRow(key).name);
    emit changed(key);
}

bool Preferences::flag(PreferenceKey key) const {
    auto it = flags_.find(key);
    if (it == flags_.end())
        throw std::logic_error("not a flag preference");
    return it->second;
}

void Preferences::setFlag(PreferenceKey key, bool value) {
    auto it = flags_.find(key);
    if (it == flags_.end())
        throw std::logic_error("not a flag preference");
    it->second = value;
    settings_->setValue(keyText(preferenceRow(key).name), value);
    settings_->sync();
    emit changed(key);
}

std::string Preferences::text(PreferenceKey key) const {
    auto it = texts_.find(key);
    if (it == texts_.end())
        throw std::logic_error("not a text preference");
    return it->second;
}

void Preferences::setText(PreferenceKey key, const std::string& value) {
    auto it = texts_.find(key);
    if (it == texts_.end())
        throw std::logic_error("not a text preference");
    it->second = value;
    settings_->setValue(keyText(preferenceRow(key).name), toQString(value));
    settings_->sync();
    emit changed(key);
}

int Preferences::integer(PreferenceKey key) const {
    auto it = integers_.find(key);
    if (it == integers_.end())
        throw std::logic_error("not a number preference");
    return it->second;
}

void Preferences::setInteger(PreferenceKey key, int value) {
    auto it = integers_.find(key);
    if (it == integers_.end())
        throw std::logic_error("not a number preference");
    it->second = value;
    settings_->setValue(keyText(preferenceRow(key).name), value);
    settings_->sync();
    emit changed(key);
}

void Preferences::setDefaultGroupID(const std::optional<std::string>& groupID) {
    defaultGroupID_ = groupID;
    writeDefaultGroupID();
    if (!groupID) {
        // Otherwise the former release's key would bring the cleared group back at next start.
        settings_->remove(keyText(PreferenceNames::legacyDefaultGroup));
        settings_->sync();
    }
    emit changed(PreferenceKey::defaultGroupID);
}

void Preferences::writeDefaultGroupID() {
    const QString name = keyText(preferenceRow(PreferenceKey::defaultGroupID).name);
    if (defaultGroupID_)
        settings_->setValue(name, toQString(*defaultGroupID_));
    else
        settings_->remove(name);
    settings_->sync();
}

void Preferences::store(const HotkeyBinding& binding, std::string_view name) {
    const std::string json = binding.toJSON();
    settings_->setValue(keyText(name),
                        QByteArray(json.data(), static_cast<qsizetype>(json.size())));
    settings_->sync();
}

std::optional<HotkeyBinding> Preferences::load(const QSettings& settings, std::string_view name) {
    const QVariant value = settings.value(keyText(name));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const QByteArray data = value.toByteArray();
    auto binding = HotkeyBinding::fromJSON(std::string_view(data.constData(), data.size()));
    if (!binding || binding->tapCount < 1 || binding->tapCount > 3)
        return std::nullopt;
    return binding;
}

void Preferences::importLegacyDefaultsIfNeeded(QSettings& settings, QSettings& legacy) {
    const QString doneKey = keyText(PreferenceNames::importedLegacyDefaults);
    if (readFlag(settings, PreferenceNames::importedLegacyDefaults, false))
        return;
    if (legacy.status() == QSettings::NoError) {
        for (std::string_view name : legacyImportedKeys) {
            const QString key = keyText(name);
            if (settings.contains(key))
                continue;
            const QVariant value = legacy.value(key);
            if (value.isValid())
                settings.setValue(key, value);
        }
    }
    settings.setValue(doneKey, true);
    settings.sync();
}

std::unique_ptr<QSettings> openUserSettings() {
    return std::make_unique<QSettings>(QStringLiteral("tavro"), QStringLiteral("Tavro"));
}

std::unique_ptr<QSettings> openLegacyUserSettings() {
    return std::make_unique<QSettings>(QStringLiteral("koldar"), QStringLiteral("Tavro"));
}

} // namespace tavro
