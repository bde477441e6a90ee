#include "desktop/PermissionsService.h"
#include "onboarding/OnboardingSteps.h"
#include "onboarding/OnboardingTexts.h"
#include "onboarding/StepLayout.h"
#include "ui/Buttons.h"
#include "ui/PlatformTexts.h"
#include "ui/SymbolView.h"
#include "ui/TavroMark.h"
#include "values/Utf8.h"

#include <QHBoxLayout>

namespace tavro {

namespace {

QWidget* bullet(Icon symbol, std::string_view title, std::string_view detail) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto* tile = new SymbolView(symbol, 22, Theme::accent, row);
    tile->setTile(Theme::accentSoft, 6, 13);
    layout->addWidget(tile, 0, Qt::AlignTop);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(1);
    lines->addWidget(
        StepLayout::text(toQString(title), Theme::Font::headline(), Theme::textPrimary));
    lines->addWidget(
        StepLayout::text(toQString(detail), Theme::Font::caption(), Theme::textTertiary));
    layout->addLayout(lines, 1);
    return row;
}

// A symbol and a line of text side by side, in one colour.
QWidget* symbolLabel(Icon symbol, std::string_view text, const DynamicColor& color) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(new SymbolView(symbol, 14, color, row));
    auto* label = StepLayout::text(toQString(text), Theme::Font::body(), color);
    label->setWordWrap(false);
    layout->addWidget(label);
    row->setAccessibleName(toQString(text));
    return row;
}

} // namespace

WelcomeStep::WelcomeStep(QWidget* parent)
    : QWidget(parent) {
    QVBoxLayout* column = StepLayout::column(this, true);
    column->addWidget(new TavroMark(56, this), 0, Qt::AlignHCenter);
    auto* headline =
        StepLayout::text(toQString(OnboardingTexts::headline), StepLayout::systemFont(24, true),
                         Theme::textPrimary, Qt::AlignHCenter);
    headline->setWordWrap(false);
    column->addWidget(headline, 0, Qt::AlignHCenter);
    column->addWidget(StepLayout::text(toQString(OnboardingTexts::pitch), Theme::Font::body(),
                                       Theme::textSecondary, Qt::AlignHCenter, 420),
                      0, Qt::AlignHCenter);
    auto* bullets = new QWidget(this);
    bullets->setFixedWidth(420);
    auto* list = new QVBoxLayout(bullets);
    list->setContentsMargins(0, 8, 0, 0);
    list->setSpacing(12);
    list->addWidget(
        bullet(Icon::viewfinder, OnboardingTexts::captureTitle, OnboardingTexts::captureDetail));
    list->addWidget(
        bullet(Icon::textBubble, OnboardingTexts::annotateTitle, PlatformTexts::annotateDetail));
    list->addWidget(
        bullet(Icon::sparkles, OnboardingTexts::agentTitle, OnboardingTexts::agentDetail));
    column->addWidget(bullets, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

PermissionStep::PermissionStep(PermissionsService& permissions, QWidget* parent)
    : QWidget(parent)
    , permissions_(permissions) {
    QVBoxLayout* column = StepLayout::column(this, true);
    shield_ = new SymbolView(Icon::shieldLefthalfFilled, 44, Theme::accent, this);
    column->addWidget(shield_, 0, Qt::AlignHCenter);
    heading_ = StepLayout::text({}, StepLayout::systemFont(20, true), Theme::textPrimary,
                                Qt::AlignHCenter);
    heading_->setWordWrap(false);
    column->addWidget(heading_, 0, Qt::AlignHCenter);
    column->addWidget(StepLayout::text(toQString(PlatformTexts::screenCaptureReason),
                                       Theme::Font::body(), Theme::textSecondary, Qt::AlignHCenter,
                                       420),
                      0, Qt::AlignHCenter);

    request_ = new QWidget(this);
    auto* buttons = new QVBoxLayout(request_);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(8);
    auto* grant =
        new PrimaryButton(toQString(OnboardingTexts::grantPermission), Theme::accent, request_);
    connect(grant, &QAbstractButton::clicked, this,
            [this] { permissions_.requestScreenRecording(); });
    buttons->addWidget(grant, 0, Qt::AlignHCenter);
    auto* settings = new SecondaryButton(toQString(OnboardingTexts::openSystemSettings), request_);
    connect(settings, &QAbstractButton::clicked, this,
            [this] { permissions_.openScreenRecordingSettings(); });
    buttons->addWidget(settings, 0, Qt::AlignHCenter);
    buttons->addSpacing(2);
    buttons->addWidget(StepLayout::text(toQString(OnboardingTexts::comeBackHint),
                                        Theme::Font::caption(), Theme::textTertiary,
                                        Qt::AlignHCenter, 420),
                       0, Qt::AlignHCenter);
    column->addWidget(request_, 0, Qt::AlignHCenter);

    granted_ =
        symbolLabel(Icon::checkmarkCircleFill, OnboardingTexts::allSet, Theme::statusResolved);
    granted_->setParent(this);
    column->addWidget(granted_, 0, Qt::AlignHCenter);
    column->addStretch(1);

    connect(&permissions_, &PermissionsService::changed, this, &PermissionStep::refresh);
    refresh();
}

void PermissionStep::refresh() {
    const bool granted = permissions_.hasScreenRecording();
    shield_->setIcon(granted ? Icon::checkmarkShieldFill : Icon::shieldLefthalfFilled,
                     granted ? Theme::statusResolved : Theme::accent);
    heading_->setText(
        toQString(granted ? PlatformTexts::screenCaptureOn : PlatformTexts::needsScreenCapture));
    request_->setVisible(!granted);
    granted_->setVisible(granted);
}

} // namespace tavro
