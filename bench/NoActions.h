#pragma once

#include "values/AppActions.h"

namespace tavro::bench {

// The views' requests to the app, which a measurement never makes.
class NoActions final : public AppActions {
public:
    void captureRegion() override {}
    void captureFullScreen() override {}
    void fullScreenShortcut() override {}
    void newIssue() override {}
    void openDashboard() override {}
    void openSettings() override {}
    void showOnboarding() override {}
    void syncNow() override {}
    void openAccountSettings() override {}
    void addScreenshot(const std::string&) override {}
    void annotate(const std::string&) override {}
};

} // namespace tavro::bench
