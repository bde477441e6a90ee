#pragma once

#include <functional>

namespace tavro {

// What must still happen when the process ends from inside its event loop, past every quit
// signal: the toolkit ends the process at once when its X connection breaks (the display server
// went, the session was torn down). While a keeper lives, its function runs then, once, on the
// GUI thread; a normal quit has kept the work already and let the keeper go. One at a time.
class ExitKeeper {
public:
    explicit ExitKeeper(std::function<void()> keep);
    ~ExitKeeper();
    ExitKeeper(const ExitKeeper&) = delete;
    ExitKeeper& operator=(const ExitKeeper&) = delete;
};

} // namespace tavro
