#include "app/StatusMenuModel.h"

namespace tavro {

std::string statusToolTip(std::int64_t openCount) {
    if (openCount <= 0)
        return "Tavro — nothing open";
    return "Tavro — " + std::to_string(openCount) + " open capture" + (openCount == 1 ? "" : "s");
}

StatusMenuState statusMenuState(const StatusMenuInputs& inputs) {
    const std::string region = inputs.regionHotkey.displayString();
    const std::string fullScreen = inputs.fullScreenHotkey.displayString();
    StatusMenuState state;
    state.captureRegion = "Capture Region  " + region;
    state.captureFullScreen = "Capture Full Screen  " + fullScreen;
    // No shortcut of its own: the region shortcut shown twice would read as a key to press.
    state.newIssue = "New Issue Without Screenshot";
    state.openDashboard = inputs.openCount > 0
                              ? "Open Dashboard  (" + std::to_string(inputs.openCount) + ")"
                              : "Open Dashboard";
    state.toolTip = statusToolTip(inputs.openCount);
    // An expired session offers the sign-in again instead of the sync line.
    const bool signedIn =
        inputs.sync.isSignedIn() && inputs.sync.kind != SyncStatus::Kind::sessionExpired;
    state.syncLine = inputs.statusLine;
    state.syncLineVisible = signedIn;
    state.signIn = inputs.sync.kind == SyncStatus::Kind::sessionExpired ? "Sign in again to sync…"
                                                                        : "Sign in to sync…";
    state.signInVisible = !signedIn;
    return state;
}

} // namespace tavro
