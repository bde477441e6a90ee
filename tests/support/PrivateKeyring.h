#pragma once

#include "TempLibrary.h"

namespace tavro::test {

// Whether a Secret Service owns its name on the session bus.
bool secretServiceRuns();

// A private gnome-keyring-daemon on the test's session bus, its login keyring unlocked, with
// its files in a folder of its own. Construction waits (up to 10 s) until it answers.
class PrivateKeyring {
public:
    PrivateKeyring();
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

private:
    TempFolder folder_;
    ScopedEnv data_{"XDG_DATA_HOME", (folder_.path() / "data").string()};
    ScopedEnv runtime_{"XDG_RUNTIME_DIR", folder_.path().string()};
    int pid_ = -1;
};

} // namespace tavro::test
