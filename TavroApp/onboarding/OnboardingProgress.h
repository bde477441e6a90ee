#pragma once

#include "onboarding/OnboardingFlow.h"

#include <QWidget>

#include <vector>

class QLabel;

namespace tavro {

// The row across the top of onboarding: one numbered circle and title per step, joined by lines
// that fill in as the steps are done.
class OnboardingProgress final : public QWidget {
    Q_OBJECT

public:
    explicit OnboardingProgress(QWidget* parent = nullptr);
    void setFlow(const OnboardingFlow& flow);

private:
    std::vector<QWidget*> circles_;
    std::vector<QLabel*> titles_;
    std::vector<QWidget*> connectors_;
};

} // namespace tavro
