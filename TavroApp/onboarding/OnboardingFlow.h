#pragma once

#include "values/HotkeyBinding.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// Where the first-run guide is and what its progress bar and footer show. Only the footer moves
// the step, and never out of 0...4; nothing is ever blocked (without Screen Recording the
// forward button only says "Continue anyway").
class OnboardingFlow {
public:
    enum class Page { welcome, permission, shortcuts, agent, ready };

    static constexpr int stepCount = 5;
    static const std::array<std::string_view, stepCount>& stepTitles();

    int step() const { return step_; }
    Page page() const;

    // "Back", and "Skip" or "Continue"; each does nothing at the end it cannot pass.
    void back();
    void forward();

    struct Footer {
        bool back = false;
        bool skip = false;
        // "Continue", "Continue anyway" or "Start using Tavro".
        std::string_view primary;
        // The primary button finishes the guide instead of moving on.
        bool finishes = false;
        bool operator==(const Footer&) const = default;
    };
    Footer footer(bool hasScreenRecording) const;

    // One step's look in the progress bar.
    struct Mark {
        bool filled = false;          // accent circle, else sunken
        bool checkmark = false;       // a done step, else its number
        bool current = false;         // white number and primary title, else tertiary
        bool connectorFilled = false; // the line after it, when there is one
        bool operator==(const Mark&) const = default;
    };
    std::array<Mark, stepCount> progress() const;

private:
    int step_ = 0;
};

// The ready step's summary: each key hint with what it does.
struct ShortcutSummaryRow {
    std::string keys;
    std::string_view text;
    bool operator==(const ShortcutSummaryRow&) const = default;
};
std::vector<ShortcutSummaryRow> readySummary(const HotkeyBinding& region,
                                             const HotkeyBinding& fullScreen);

} // namespace tavro
