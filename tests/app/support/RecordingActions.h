#pragma once

#include "values/AppActions.h"

#include <QTest>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace tavro::test {

// Keeps each call, in order, by name and with the id it carries ("" for none).
class RecordingActions final : public AppActions {
public:
    using Call = std::pair<std::string, std::string>;

    void captureRegion() override { record("region"); }
    void captureFullScreen() override { record("fullScreen menu"); }
    void fullScreenShortcut() override { record("fullScreen shortcut"); }
    void newIssue() override { record("newIssue"); }
    void openDashboard() override { record("dashboard"); }
    void openSettings() override { record("settings"); }
    void showOnboarding() override { record("onboarding"); }
    void syncNow() override { record("sync"); }
    void openAccountSettings() override { record("account"); }
    void addScreenshot(const std::string& captureID) override { record("add", captureID); }
    void annotate(const std::string& screenshotID) override { record("annotate", screenshotID); }

    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (const Call& call : calls)
            all.push_back(call.first);
        return all;
    }

    int count(const std::string& name) const {
        return int(std::count_if(calls.begin(), calls.end(),
                                 [&](const Call& call) { return call.first == name; }));
    }

    // The views and the flow call in a later turn of the event loop than the one that asked.
    bool waitForCalls(std::size_t atLeast, int timeoutMs = 2000) {
        return QTest::qWaitFor([&] { return calls.size() >= atLeast; }, timeoutMs);
    }

    std::vector<Call> calls;

private:
    void record(std::string name, std::string id = {}) {
        calls.emplace_back(std::move(name), std::move(id));
    }
};

} // namespace tavro::test
