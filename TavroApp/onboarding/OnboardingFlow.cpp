#include "onboarding/OnboardingFlow.h"

#include "onboarding/OnboardingTexts.h"
#include "settings/ShortcutSettingsModel.h"

namespace tavro {

const std::array<std::string_view, OnboardingFlow::stepCount>& OnboardingFlow::stepTitles() {
    static constexpr std::array<std::string_view, stepCount> titles{
        "Welcome", "Permission", "Shortcuts", "Your agent", "Ready"};
    return titles;
}

OnboardingFlow::Page OnboardingFlow::page() const {
    switch (step_) {
    case 0:
        return Page::welcome;
    case 1:
        return Page::permission;
    case 2:
        return Page::shortcuts;
    case 3:
        return Page::agent;
    default:
        return Page::ready;
    }
}

void OnboardingFlow::back() {
    if (step_ >= 1)
        --step_;
}

void OnboardingFlow::forward() {
    if (step_ <= 3)
        ++step_;
}

OnboardingFlow::Footer OnboardingFlow::footer(bool hasScreenRecording) const {
    Footer footer;
    footer.back = step_ >= 1;
    if (step_ <= 3) {
        footer.skip = step_ == 3;
        footer.primary = step_ == 1 && !hasScreenRecording ? OnboardingTexts::continueAnyway
                                                           : OnboardingTexts::next;
    } else {
        footer.primary = OnboardingTexts::startUsing;
        footer.finishes = true;
    }
    return footer;
}

std::array<OnboardingFlow::Mark, OnboardingFlow::stepCount> OnboardingFlow::progress() const {
    std::array<Mark, stepCount> marks;
    for (int i = 0; i < stepCount; ++i)
        marks[size_t(i)] = {i <= step_, i < step_, i == step_, i < step_};
    return marks;
}

std::vector<ShortcutSummaryRow> readySummary(const HotkeyBinding& region,
                                             const HotkeyBinding& fullScreen) {
    return {
        {region.displayString(), OnboardingTexts::captureRegion},
        {fullScreen.displayString(), OnboardingTexts::captureScreen},
        {ShortcutSettingsModel::pressedTwice(region), OnboardingTexts::fileWithoutScreenshot},
    };
}

} // namespace tavro
