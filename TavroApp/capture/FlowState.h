#pragma once

namespace tavro {

// Where the capture flow is. The flow is active in every state but idle: its windows are
// hidden and the app that was in front is remembered.
enum class FlowState {
    idle,
    // The region overlay is up, or about to be once the hidden windows have left the screen.
    selecting,
    // The screenshot is taken after a short delay.
    grabbing,
    // A full-screen screenshot waits out the window for a second press.
    awaitingSecondPress,
    // The second press came: the screenshot is dropped for a note.
    secondPressHeard,
    // The note box is open for the pending capture.
    composing,
    // The flow's mark-up editor is open on a pending screenshot.
    annotating,
    // The note box closed with Save, and the capture is being stored; the box comes back if that
    // fails.
    saving,
};

// A screenshot step is under way: no other may start.
constexpr bool isCapturing(FlowState state) {
    return state == FlowState::selecting || state == FlowState::grabbing ||
           state == FlowState::awaitingSecondPress || state == FlowState::secondPressHeard;
}

} // namespace tavro
