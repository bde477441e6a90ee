#include "settings/ShortcutSettings.h"

#include "capture/HotkeyManager.h"
#include "capture/HotkeyRecorderView.h"
#include "desktop/PermissionsService.h"
#include "settings/SettingsTexts.h"
#include "settings/ShortcutSettingsModel.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/SettingsForm.h"
#include "ui/SymbolView.h"
#include "ui/Theme.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tavro {

namespace {

void colour(QWidget* widget, const DynamicColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color.resolved(widget->palette()));
    widget->setPalette(palette);
}

// The keys in a key cap, what they do, left-aligned.
QWidget* referenceRow(const ShortcutSettingsModel::KeyReference& reference, KeyHint** hint) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    *hint = new KeyHint(toQString(reference.keys), row);
    layout->addWidget(*hint);
    auto* description =
        SettingsRows::text(toQString(reference.description), Theme::Font::callout());
    colour(description, Theme::textSecondary);
    description->setWordWrap(true);
    layout->addWidget(description, 1);
    return row;
}

QWidget* noticeContent(PermissionsService& permissions) {
    auto* notice = new QWidget;
    auto* layout = new QHBoxLayout(notice);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new SymbolView(Icon::exclamationmarkTriangleFill, 14, Theme::statusOpen), 0,
                      Qt::AlignTop);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(3);
    lines->addWidget(
        SettingsRows::text(toQString(SettingsTexts::accessibilityNeeded), Theme::Font::headline()));
    auto* reason = SettingsRows::caption(toQString(SettingsTexts::accessibilityReason));
    colour(reason, Theme::textSecondary);
    lines->addWidget(reason);
    lines->addSpacing(2);
    auto* open = new SecondaryButton(toQString(SettingsTexts::openAccessibilitySettings), notice);
    QObject::connect(open, &QAbstractButton::clicked, notice,
                     [&permissions] { permissions.openAccessibilitySettings(); });
    lines->addWidget(open, 0, Qt::AlignLeft);
    layout->addLayout(lines, 1);
    return notice;
}

} // namespace

ShortcutSettings::ShortcutSettings(Preferences& preferences, PermissionsService& permissions,
                                   HotkeyManager& hotkeys, QWidget* parent)
    : QWidget(parent)
    , preferences_(preferences)
    , hotkeys_(hotkeys) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    FormSection* shortcuts = form->addSection(toQString(SettingsTexts::shortcutsSection),
                                              toQString(SettingsTexts::shortcutsFooter));
    for (const auto& row : ShortcutSettingsModel::recorderRows(hotkeys_.conflicts())) {
        auto* recorder = new HotkeyRecorderView(toQString(row.title), preferences_, row.key);
        recorder->setAccessibleName(toQString(row.title));
        recorder->button()->setAccessibleName(toQString(row.title));
        recorders_.push_back(recorder);
        shortcuts->addRow(recorder);
    }
    auto showConflicts = [this] {
        const auto rows = ShortcutSettingsModel::recorderRows(hotkeys_.conflicts());
        for (size_t i = 0; i < rows.size(); ++i)
            recorders_[i]->setConflict(rows[i].conflict.has_value());
    };
    showConflicts();
    connect(&hotkeys_, &HotkeyManager::conflictsChanged, this, showConflicts);

    const auto sections = ShortcutSettingsModel::referenceSections(preferences_.regionHotkey(),
                                                                   preferences_.fullScreenHotkey());
    for (size_t s = 0; s < sections.size(); ++s) {
        const auto& section = sections[s];
        FormSection* box = form->addSection(toQString(section.header), toQString(section.footer));
        for (const auto& reference : section.rows) {
            KeyHint* hint = nullptr;
            box->addRow(referenceRow(reference, &hint));
            if (s == 0)
                pressedTwiceHints_.push_back(hint);
        }
        if (s == 0) {
            FormSection* noticeSection = form->addSection();
            noticeSection->addRow(noticeContent(permissions));
            notice_ = noticeSection;
        }
    }
    notice_->setVisible(hotkeys_.isBlockedOnAccessibility());
    connect(&hotkeys_, &HotkeyManager::blockedOnAccessibilityChanged, notice_,
            &QWidget::setVisible);
    connect(&preferences_, &Preferences::changed, this, [this](PreferenceKey key) {
        if (key == PreferenceKey::regionHotkey || key == PreferenceKey::fullScreenHotkey)
            refreshReferences();
    });
}

void ShortcutSettings::refreshReferences() {
    const auto sections = ShortcutSettingsModel::referenceSections(preferences_.regionHotkey(),
                                                                   preferences_.fullScreenHotkey());
    for (size_t i = 0; i < pressedTwiceHints_.size(); ++i)
        pressedTwiceHints_[i]->setKeys(toQString(sections.front().rows[i].keys));
}

} // namespace tavro
