#include "onboarding/OnboardingView.h"

#include "desktop/PermissionsService.h"
#include "onboarding/OnboardingProgress.h"
#include "onboarding/OnboardingSteps.h"
#include "onboarding/OnboardingTexts.h"
#include "ui/Buttons.h"
#include "ui/Divider.h"
#include "ui/Theme.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace tavro {

namespace {

void fill(QWidget* widget, const DynamicColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color.resolved(palette));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// The widgets of `root` that take the focus with Tab, in the order Tab visits them.
std::vector<QWidget*> tabStops(QWidget* root) {
    std::vector<QWidget*> stops;
    for (QWidget* child : root->findChildren<QWidget*>())
        if (child->focusPolicy() & Qt::TabFocus)
            stops.push_back(child);
    return stops;
}

} // namespace

OnboardingView::OnboardingView(Preferences& preferences, PermissionsService& permissions,
                               HotkeyManager& hotkeys, std::function<void()> onFinish,
                               std::function<void()> onTryCapture, QWidget* parent)
    : QWidget(parent)
    , preferences_(preferences)
    , permissions_(permissions)
    , hotkeys_(hotkeys)
    , onFinish_(std::move(onFinish))
    , onTryCapture_(std::move(onTryCapture)) {
    fill(this, Theme::surface);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    progress_ = new OnboardingProgress(this);
    layout->addWidget(progress_);
    layout->addWidget(new Divider(this));
    holder_ = new QWidget(this);
    auto* holderLayout = new QVBoxLayout(holder_);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(holder_, 1);
    layout->addWidget(new Divider(this));

    auto* footer = new QWidget(this);
    fill(footer, Theme::surfaceRaised);
    auto* buttons = new QHBoxLayout(footer);
    buttons->setContentsMargins(16, 16, 16, 16);
    back_ = new SecondaryButton(toQString(OnboardingTexts::back), footer);
    skip_ = new SecondaryButton(toQString(OnboardingTexts::skip), footer);
    primary_ = new PrimaryButton(toQString(OnboardingTexts::next), Theme::accent, footer);
    buttons->addWidget(back_);
    buttons->addStretch(1);
    buttons->addWidget(skip_);
    buttons->addWidget(primary_);
    layout->addWidget(footer);

    connect(back_, &QAbstractButton::clicked, this, &OnboardingView::back);
    connect(skip_, &QAbstractButton::clicked, this, &OnboardingView::forward);
    connect(primary_, &QAbstractButton::clicked, this, [this] {
        if (flow_.footer(permissions_.hasScreenRecording()).finishes)
            finish();
        else
            forward();
    });
    connect(&permissions_, &PermissionsService::changed, this, &OnboardingView::refreshFooter);
    showStep();
}

void OnboardingView::back() {
    flow_.back();
    showStep();
}

void OnboardingView::forward() {
    flow_.forward();
    showStep();
}

void OnboardingView::finish() {
    preferences_.setFlag(PreferenceKey::hasCompletedOnboarding, true);
    if (onFinish_)
        onFinish_();
}

void OnboardingView::showStep() {
    // Each step's body is built anew, so the agent step reads the clients' states again.
    if (content_) {
        content_->hide();
        content_->deleteLater();
    }
    switch (flow_.page()) {
    case OnboardingFlow::Page::welcome:
        content_ = new WelcomeStep(holder_);
        break;
    case OnboardingFlow::Page::permission:
        content_ = new PermissionStep(permissions_, holder_);
        break;
    case OnboardingFlow::Page::shortcuts:
        content_ = new ShortcutStep(preferences_, permissions_, hotkeys_, holder_);
        break;
    case OnboardingFlow::Page::agent:
        content_ = new AgentStep(holder_);
        break;
    case OnboardingFlow::Page::ready:
        content_ = new ReadyStep(preferences_, onTryCapture_, holder_);
        break;
    }
    content_->setAccessibleName(toQString(OnboardingFlow::stepTitles()[size_t(flow_.step())]));
    holder_->layout()->addWidget(content_);
    progress_->setFlow(flow_);
    refreshFooter();

    // Tab runs through the step's controls, then the footer's; the forward button has the focus.
    QWidget* previous = nullptr;
    for (QWidget* stop : tabStops(content_)) {
        if (previous)
            setTabOrder(previous, stop);
        previous = stop;
    }
    for (QWidget* stop : {static_cast<QWidget*>(back_), static_cast<QWidget*>(skip_),
                          static_cast<QWidget*>(primary_)}) {
        if (previous)
            setTabOrder(previous, stop);
        previous = stop;
    }
    primary_->setFocus();
}

void OnboardingView::refreshFooter() {
    const OnboardingFlow::Footer footer = flow_.footer(permissions_.hasScreenRecording());
    back_->setVisible(footer.back);
    skip_->setVisible(footer.skip);
    primary_->setText(toQString(footer.primary));
    primary_->updateGeometry();
}

void OnboardingView::showEvent(QShowEvent* event) {
    permissions_.beginPolling();
    QWidget::showEvent(event);
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        primary_->isVisible() && primary_->isEnabled()) {
        primary_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingView::hideEvent(QHideEvent* event) {
    permissions_.stopPolling();
    QWidget::hideEvent(event);
}

} // namespace tavro
