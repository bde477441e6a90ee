#pragma once

namespace tavro {

// The one thing writers outside the library facade need of the account: word that the board
// changed on this machine, so that sync can follow it.
class LocalChangeNotice {
public:
    virtual ~LocalChangeNotice() = default;
    // Never throws.
    virtual void noteLocalChange() = 0;
};

} // namespace tavro
