#pragma once

#include <QPoint>

namespace tavro {

// Decides when a press on the note box's background becomes a move of the box: only once the
// pointer has travelled past the drag distance with the button still held. A plain click never
// hands the pointer to the window manager, which could leave the box stuck following it.
class BackgroundDrag {
public:
    explicit BackgroundDrag(int dragDistance)
        : dragDistance_(dragDistance) {}

    void press(QPoint global);
    // True once per press: the moment the move should start.
    bool move(QPoint global, bool buttonHeld);
    void release() { pressed_ = false; }

private:
    int dragDistance_;
    bool pressed_ = false;
    QPoint start_;
};

} // namespace tavro
