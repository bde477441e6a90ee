#pragma once

#include <QWidget>

#include <functional>

namespace tavro {

class PermissionsService;
class Preferences;

// The first-run steps. For now one page: a capture to try, and a button that finishes.
class OnboardingView final : public QWidget {
    Q_OBJECT

public:
    OnboardingView(Preferences& preferences, PermissionsService& permissions,
                   std::function<void()> onFinish, std::function<void()> onTryCapture,
                   QWidget* parent = nullptr);

    int step() const { return step_; }
    // Records that onboarding is complete, then calls the finish callback.
    void finish();

private:
    Preferences& preferences_;
    std::function<void()> onFinish_;
    int step_ = 0;
};

} // namespace tavro
