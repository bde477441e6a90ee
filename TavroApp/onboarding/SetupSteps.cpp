#include "agents/AgentHome.h"
#include "agents/MCPConnectionList.h"
#include "agents/MCPInstaller.h"
#include "capture/HotkeyManager.h"
#include "capture/HotkeyRecorderView.h"
#include "desktop/PermissionsService.h"
#include "onboarding/OnboardingFlow.h"
#include "onboarding/OnboardingSteps.h"
#include "onboarding/OnboardingTexts.h"
#include "onboarding/StepLayout.h"
#include "settings/ShortcutSettingsModel.h"
#include "ui/Buttons.h"
#include "ui/Divider.h"
#include "ui/Labels.h"
#include "ui/PlatformTexts.h"
#include "ui/RoundedPanel.h"
#include "ui/SymbolView.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace tavro {

namespace {

constexpr int barGap = 8;

// The overlay tip, its ␣ and ⎋ drawn as key caps: in a small grey caption the bare glyphs all
// but vanish. The text is our own constant, so rich text is safe here.
QLabel* overlayTipLabel(QWidget* parent) {
    const QPalette palette = parent->palette();
    const QString cap =
        QStringLiteral("<span style=\"color:%1; background-color:%2; font-weight:600;\">"
                       "&nbsp;%3&nbsp;</span>")
            .arg(Theme::textPrimary.resolved(palette).name(),
                 Theme::borderStrong.resolved(palette).name());
    QString html = toQString(OnboardingTexts::overlayTip).toHtmlEscaped();
    for (const QString& glyph : {QStringLiteral("\u2423"), QStringLiteral("\u238B")})
        html.replace(glyph, cap.arg(glyph));
    QLabel* label = StepLayout::text(QString(), Theme::Font::caption(), Theme::textSecondary);
    label->setTextFormat(Qt::RichText);
    label->setText(html);
    label->setAccessibleName(toQString(OnboardingTexts::overlayTip));
    return label;
}

QWidget* accessibilityNotice(PermissionsService& permissions, QWidget* parent) {
    auto* notice = new RoundedPanel(Theme::statusOpen, 10, std::nullopt, parent);
    notice->setFillOpacity(0.08);
    auto* layout = new QHBoxLayout(notice);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(new SymbolView(Icon::exclamationmarkTriangleFill, 16, Theme::statusOpen), 0,
                      Qt::AlignTop);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(4);
    lines->addWidget(StepLayout::text(toQString(OnboardingTexts::tapNeedsAccessibility),
                                      Theme::Font::headline(), Theme::textPrimary));
    lines->addWidget(StepLayout::text(toQString(PlatformTexts::tapNeedsAccessibilityDetail),
                                      Theme::Font::caption(), Theme::textSecondary));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 2, 0, 0);
    buttons->setSpacing(8);
    auto* grant = new PrimaryButton(toQString(OnboardingTexts::grantAccessibility));
    QObject::connect(grant, &QAbstractButton::clicked, notice,
                     [&permissions] { permissions.requestAccessibility(); });
    auto* open = new SecondaryButton(toQString(OnboardingTexts::openSettings));
    QObject::connect(open, &QAbstractButton::clicked, notice,
                     [&permissions] { permissions.openAccessibilitySettings(); });
    buttons->addWidget(grant);
    buttons->addWidget(open);
    buttons->addStretch(1);
    lines->addLayout(buttons);
    layout->addLayout(lines, 1);
    return notice;
}

} // namespace

ShortcutStep::ShortcutStep(Preferences& preferences, PermissionsService& permissions,
                           HotkeyManager& hotkeys, QWidget* parent)
    : QWidget(parent) {
    QVBoxLayout* column = StepLayout::column(this, false);
    column->addWidget(StepLayout::header(toQString(OnboardingTexts::pickShortcuts),
                                         toQString(OnboardingTexts::pickShortcutsDetail)));

    auto* box = new RoundedPanel(Theme::surfaceSunken, 14, Theme::border, this);
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(16, 16, 16, 16);
    rows->setSpacing(12);
    std::vector<HotkeyRecorderView*> recorders;
    for (const auto& row : ShortcutSettingsModel::recorderRows(hotkeys.conflicts())) {
        if (!recorders.empty())
            rows->addWidget(new Divider(box));
        auto* recorder = new HotkeyRecorderView(toQString(row.title), preferences, row.key, box);
        recorder->button()->setAccessibleName(toQString(row.title));
        recorder->setConflict(row.conflict.has_value());
        recorders.push_back(recorder);
        rows->addWidget(recorder);
    }
    connect(&hotkeys, &HotkeyManager::conflictsChanged, this, [&hotkeys, recorders] {
        const auto rows = ShortcutSettingsModel::recorderRows(hotkeys.conflicts());
        for (size_t i = 0; i < rows.size(); ++i)
            recorders[i]->setConflict(rows[i].conflict.has_value());
    });
    column->addWidget(box);

    QWidget* notice = accessibilityNotice(permissions, this);
    QWidget* tip = overlayTipLabel(this);
    column->addWidget(notice);
    column->addWidget(tip);
    auto showNoticeOrTip = [notice, tip](bool blocked) {
        notice->setVisible(blocked);
        tip->setVisible(!blocked);
    };
    showNoticeOrTip(hotkeys.isBlockedOnAccessibility());
    connect(&hotkeys, &HotkeyManager::blockedOnAccessibilityChanged, this, showNoticeOrTip);
    column->addStretch(1);
}

AgentStep::AgentStep(QWidget* parent)
    : QWidget(parent) {
    QVBoxLayout* column = StepLayout::column(this, false);
    column->addWidget(StepLayout::header(toQString(OnboardingTexts::connectAgent),
                                         toQString(OnboardingTexts::connectAgentDetail)));
    // The manual set-up opens below the rows: the list scrolls rather than squeezing them.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    // The keyboard goes to the list's buttons; the area scrolls to whichever has the focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    // Built with the step, so each visit reads the clients' files again.
    layout->addWidget(new MCPConnectionList(MCPInstaller(AgentHome::current()), content));
    layout->addStretch(1);
    scroll->setWidget(content);
    // While the bar shows, a gap keeps the panels' right edges off it.
    connect(scroll->verticalScrollBar(), &QScrollBar::rangeChanged, content,
            [layout](int minimum, int maximum) {
                layout->setContentsMargins(0, 0, maximum > minimum ? barGap : 0, 0);
            });
    column->addWidget(scroll, 1);
}

ReadyStep::ReadyStep(Preferences& preferences, std::function<void()> onTryCapture, QWidget* parent)
    : QWidget(parent) {
    QVBoxLayout* column = StepLayout::column(this, true);
    column->addWidget(new SymbolView(Icon::checkmarkCircleFill, 48, Theme::statusResolved, this), 0,
                      Qt::AlignHCenter);
    auto* title =
        StepLayout::text(toQString(OnboardingTexts::setUp), StepLayout::systemFont(22, true),
                         Theme::textPrimary, Qt::AlignHCenter);
    title->setWordWrap(false);
    column->addWidget(title, 0, Qt::AlignHCenter);

    auto* summary = new QVBoxLayout;
    summary->setSpacing(8);
    std::vector<KeyHint*> hints;
    for (const auto& row :
         readySummary(preferences.regionHotkey(), preferences.fullScreenHotkey())) {
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        auto* hint = new KeyHint(toQString(row.keys), this);
        hints.push_back(hint);
        line->addWidget(hint);
        auto* text =
            StepLayout::text(toQString(row.text), Theme::Font::body(), Theme::textSecondary);
        text->setWordWrap(false);
        line->addWidget(text);
        summary->addLayout(line);
        summary->setAlignment(line, Qt::AlignHCenter);
    }
    column->addLayout(summary);
    // A shortcut recorded in settings while this shows is shown at once.
    connect(&preferences, &Preferences::changed, this, [&preferences, hints](PreferenceKey key) {
        if (key != PreferenceKey::regionHotkey && key != PreferenceKey::fullScreenHotkey)
            return;
        const auto rows = readySummary(preferences.regionHotkey(), preferences.fullScreenHotkey());
        for (size_t i = 0; i < rows.size(); ++i)
            hints[i]->setKeys(toQString(rows[i].keys));
    });

    column->addWidget(StepLayout::text(toQString(PlatformTexts::trayNote), Theme::Font::callout(),
                                       Theme::textTertiary, Qt::AlignHCenter, 400),
                      0, Qt::AlignHCenter);
    tryCapture_ = new SecondaryButton(toQString(OnboardingTexts::tryCapture), this);
    connect(tryCapture_, &QAbstractButton::clicked, this, [onTryCapture = std::move(onTryCapture)] {
        if (onTryCapture)
            onTryCapture();
    });
    column->addWidget(tryCapture_, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

} // namespace tavro
