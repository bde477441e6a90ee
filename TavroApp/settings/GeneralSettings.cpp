#include "settings/GeneralSettings.h"

#include "desktop/PermissionsService.h"
#include "library/Library.h"
#include "settings/GeneralSettingsModel.h"
#include "settings/SettingsTexts.h"
#include "ui/Buttons.h"
#include "ui/Icons.h"
#include "ui/PlatformTexts.h"
#include "ui/SettingsForm.h"
#include "ui/Theme.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tavro {

namespace {

// "Granted" with its check, in the resolved colour.
class GrantedLabel final : public QWidget {
public:
    explicit GrantedLabel(QWidget* parent = nullptr)
        : QWidget(parent) {
        setAccessibleName(toQString(SettingsTexts::granted));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics metrics(Theme::Font::callout());
        return QSize(18 + metrics.horizontalAdvance(toQString(SettingsTexts::granted)),
                     std::max(14, metrics.height()));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor color = Theme::statusResolved.resolved(palette());
        paintIcon(painter, Icon::checkmarkCircleFill, QRectF(0, (height() - 13) / 2.0, 13, 13),
                  color);
        painter.setFont(Theme::Font::callout());
        painter.setPen(color);
        painter.drawText(QRectF(18, 0, width() - 18, height()), Qt::AlignVCenter | Qt::AlignLeft,
                         toQString(SettingsTexts::granted));
    }
};

// A permission's name and purpose, then "Granted" or the button that opens its settings.
class PermissionRowView final : public QWidget {
public:
    PermissionRowView(const GeneralSettingsModel::PermissionRow& row,
                      PermissionsService& permissions)
        : pane_(row.pane) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* lines = new QVBoxLayout;
        lines->setSpacing(1);
        lines->addWidget(SettingsRows::text(toQString(row.title), Theme::Font::body()));
        auto* detail = SettingsRows::caption(toQString(row.detail));
        detail->setWordWrap(false);
        lines->addWidget(detail);
        layout->addLayout(lines);
        layout->addStretch(1);
        granted_ = new GrantedLabel(this);
        layout->addWidget(granted_);
        open_ = new SecondaryButton(toQString(SettingsTexts::openSettings), this);
        open_->setAccessibleDescription(toQString(row.title));
        layout->addWidget(open_);
        connect(open_, &QAbstractButton::clicked, this, [&permissions, pane = row.pane] {
            if (pane == PermissionPane::screenRecording)
                permissions.openScreenRecordingSettings();
            else
                permissions.openAccessibilitySettings();
        });
        setGranted(row.granted);
    }

    PermissionPane pane() const { return pane_; }
    void setGranted(bool granted) {
        granted_->setVisible(granted);
        open_->setVisible(!granted);
    }

private:
    PermissionPane pane_;
    GrantedLabel* granted_;
    SecondaryButton* open_;
};

} // namespace

GeneralSettings::GeneralSettings(Preferences& preferences, PermissionsService& permissions,
                                 Library& library, QWidget* parent)
    : QWidget(parent)
    , preferences_(preferences)
    , permissions_(permissions)
    , library_(library) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    auto bindSwitch = [this](FormSection& section, PreferenceKey key) {
        ToggleSwitch* toggle = SettingsRows::addSwitch(
            section, toQString(GeneralSettingsModel::label(key)), preferences_.flag(key));
        connect(toggle, &ToggleSwitch::toggled, this,
                [this, key](bool on) { preferences_.setFlag(key, on); });
        connect(&preferences_, &Preferences::changed, toggle, [this, toggle, key](PreferenceKey k) {
            if (k == key)
                toggle->setChecked(preferences_.flag(key));
        });
    };

    FormSection* capture = form->addSection(toQString(SettingsTexts::captureSection));
    for (PreferenceKey key : GeneralSettingsModel::captureSwitches)
        bindSwitch(*capture, key);
    groupPicker_ = new QComboBox;
    groupPicker_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    capture->addRow(SettingsRows::labelled(
        toQString(GeneralSettingsModel::label(PreferenceKey::defaultGroupID)), groupPicker_));
    fillGroupPicker();
    connect(groupPicker_, &QComboBox::activated, this, [this](int index) {
        GeneralSettingsModel::chooseGroup(preferences_,
                                          toStdString(groupPicker_->itemData(index).toString()));
    });
    connect(&library_, &Library::changed, this, [this](LibraryProperty property) {
        if (property == LibraryProperty::groups)
            fillGroupPicker();
    });
    connect(&preferences_, &Preferences::changed, this, [this](PreferenceKey key) {
        if (key == PreferenceKey::defaultGroupID)
            fillGroupPicker();
    });

    FormSection* context = form->addSection(toQString(SettingsTexts::contextSection));
    bindSwitch(*context, GeneralSettingsModel::contextSwitch);
    context->addRow(SettingsRows::caption(toQString(PlatformTexts::pageURLCaption)));

    FormSection* access = form->addSection(toQString(SettingsTexts::permissionsSection));
    std::vector<PermissionRowView*> rows;
    for (const auto& row : GeneralSettingsModel::permissionRows(permissions_.hasScreenRecording(),
                                                                permissions_.hasAccessibility())) {
        rows.push_back(new PermissionRowView(row, permissions_));
        access->addRow(rows.back());
    }
    connect(&permissions_, &PermissionsService::changed, this, [this, rows] {
        const auto states = GeneralSettingsModel::permissionRows(permissions_.hasScreenRecording(),
                                                                 permissions_.hasAccessibility());
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i]->setGranted(states[i].granted);
    });
}

void GeneralSettings::fillGroupPicker() {
    auto options = GeneralSettingsModel::groupOptions(library_.groups());
    if (options != shownOptions_) {
        groupPicker_->clear();
        for (const auto& option : options)
            groupPicker_->addItem(toQString(option.label), toQString(option.value));
        shownOptions_ = std::move(options);
    }
    const auto selected =
        GeneralSettingsModel::selectedGroupOption(shownOptions_, preferences_.defaultGroupID());
    groupPicker_->setCurrentIndex(selected ? int(*selected) : -1);
}

void GeneralSettings::showEvent(QShowEvent* event) {
    // The permissions may have changed in the desktop's settings since the tab was last shown.
    permissions_.refresh();
    QWidget::showEvent(event);
}

} // namespace tavro
