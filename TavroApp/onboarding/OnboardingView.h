#pragma once

#include "onboarding/OnboardingFlow.h"

#include <QWidget>

#include <functional>

class QAbstractButton;

namespace tavro {

class HotkeyManager;
class OnboardingProgress;
class PermissionsService;
class Preferences;

// The first-run guide: the progress bar, the body of the current step and the footer that moves
// between the five steps. Polls the permissions while it is on screen. "Start using Tavro"
// records that onboarding is complete, then hands over to `onFinish`.
class OnboardingView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 620;
    static constexpr int height = 560;

    OnboardingView(Preferences& preferences, PermissionsService& permissions,
                   HotkeyManager& hotkeys, std::function<void()> onFinish,
                   std::function<void()> onTryCapture, QWidget* parent = nullptr);

    int step() const { return flow_.step(); }
    QWidget* stepContent() const { return content_; }
    QAbstractButton* backButton() const { return back_; }
    QAbstractButton* skipButton() const { return skip_; }
    QAbstractButton* primaryButton() const { return primary_; }

    void back();
    void forward();
    // Records that onboarding is complete, then calls the finish callback.
    void finish();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Return and Enter press the forward button wherever the focus is, as a default button's
    // keys do; a control that takes them itself keeps them.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showStep();
    void refreshFooter();

    Preferences& preferences_;
    PermissionsService& permissions_;
    HotkeyManager& hotkeys_;
    std::function<void()> onFinish_;
    std::function<void()> onTryCapture_;
    OnboardingFlow flow_;
    OnboardingProgress* progress_;
    QWidget* holder_;
    QWidget* content_ = nullptr;
    QAbstractButton* back_;
    QAbstractButton* skip_;
    QAbstractButton* primary_;
};

} // namespace tavro
