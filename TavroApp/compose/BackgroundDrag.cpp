#include "compose/BackgroundDrag.h"

namespace tavro {

void BackgroundDrag::press(QPoint global) {
    pressed_ = true;
    start_ = global;
}

bool BackgroundDrag::move(QPoint global, bool buttonHeld) {
    if (!pressed_)
        return false;
    if (!buttonHeld) {
        // The release went elsewhere (another window took the pointer).
        pressed_ = false;
        return false;
    }
    if ((global - start_).manhattanLength() < dragDistance_)
        return false;
    pressed_ = false;
    return true;
}

} // namespace tavro
