#pragma once

#include <string>

namespace tavro {

// A request to the capture flow, from a shortcut, a menu, the command line, a second start or
// the board. The flow decides what it means in the state it is in.
struct FlowRequest {
    enum class Kind {
        region,         // select a region; again while the overlay waits: a note instead
        fullScreen,     // the screen under the pointer
        note,           // a note without a screenshot
        addScreenshotTo // a region for a capture already on the board
    };
    Kind kind = Kind::region;
    // fullScreen: a second press within a short window turns the screenshot into a note.
    bool awaitSecondPress = false;
    std::string captureID; // addScreenshotTo only

    static FlowRequest region() { return {}; }
    static FlowRequest fullScreen(bool awaitSecondPress) {
        return {Kind::fullScreen, awaitSecondPress, {}};
    }
    static FlowRequest note() { return {Kind::note, false, {}}; }
    static FlowRequest addScreenshotTo(std::string captureID) {
        return {Kind::addScreenshotTo, false, std::move(captureID)};
    }
    bool operator==(const FlowRequest&) const = default;
};

} // namespace tavro
