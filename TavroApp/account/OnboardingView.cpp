#include "account/OnboardingView.h"

#include "shell/Preferences.h"
#include "shell/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavro {

OnboardingView::OnboardingView(Preferences& preferences, PermissionsService&,
                               std::function<void()> onFinish, std::function<void()> onTryCapture,
                               QWidget* parent)
    : QWidget(parent)
    , preferences_(preferences)
    , onFinish_(std::move(onFinish)) {
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Welcome to Tavro"), this);
    title->setFont(Theme::Font::display());
    auto* body = new QLabel(
        QStringLiteral("Capture a region of the screen, add a note, and it lands on your board "
                       "for you and your coding agents."),
        this);
    body->setWordWrap(true);
    auto* tryCapture = new QPushButton(QStringLiteral("Try a Capture"), this);
    auto* done = new QPushButton(QStringLiteral("Get Started"), this);
    done->setDefault(true);
    connect(tryCapture, &QPushButton::clicked, this, [onTryCapture = std::move(onTryCapture)] {
        if (onTryCapture)
            onTryCapture();
    });
    connect(done, &QPushButton::clicked, this, &OnboardingView::finish);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(tryCapture);
    buttons->addStretch(1);
    buttons->addWidget(done);
    layout->addWidget(title);
    layout->addWidget(body);
    layout->addStretch(1);
    layout->addLayout(buttons);
}

void OnboardingView::finish() {
    preferences_.setFlag(PreferenceKey::hasCompletedOnboarding, true);
    if (onFinish_)
        onFinish_();
}

} // namespace tavro
