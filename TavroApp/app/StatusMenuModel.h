#pragma once

#include "account/SyncStatusLine.h"
#include "values/HotkeyBinding.h"

#include <cstdint>
#include <string>

namespace tavro {

// What the status menu shows: the capture items with the current shortcuts, the board item with
// the open count, the tool tip, and either the sync line or the invitation to sign in.
struct StatusMenuState {
    std::string captureRegion;
    std::string captureFullScreen;
    std::string newIssue;
    std::string openDashboard;
    std::string toolTip;
    std::string syncLine;
    bool syncLineVisible = false;
    std::string signIn;
    bool signInVisible = false;

    bool operator==(const StatusMenuState&) const = default;
};

struct StatusMenuInputs {
    HotkeyBinding regionHotkey;
    HotkeyBinding fullScreenHotkey;
    std::int64_t openCount = 0; // open and in-progress captures
    SyncStatus sync;
    std::string statusLine;
};

StatusMenuState statusMenuState(const StatusMenuInputs& inputs);

// "Tavro — nothing open", "Tavro — 1 open capture", "Tavro — 3 open captures".
std::string statusToolTip(std::int64_t openCount);

} // namespace tavro
