// tavro-sync-driver: the real sync engine on the library that TAVRO_HOME names, against the
// service that TAVRO_API_URL names, with the desktop's keyring; for process-level tests.
//
//   tavro-sync-driver sign-in     prints "user_code: <code>", waits until the sign-in ends
//   tavro-sync-driver move-local  moves the local captures into the default workspace
//   tavro-sync-driver sync        runs one pass and prints the status
//   tavro-sync-driver status      prints the status
//   tavro-sync-driver sign-out    signs out

#include "model/Paths.h"
#include "sync/SyncEngine.h"

#include "EngineCalls.h"

#include <unistd.h>

#include <iostream>
#include <string>

using namespace tavro;
using namespace tavro::test;

namespace {

std::string describe(const SyncStatus& status) {
    using Kind = SyncStatus::Kind;
    switch (status.kind) {
    case Kind::idle:
        return status.lastSync ? "idle " + formatISO8601(*status.lastSync) : "idle";
    case Kind::offline:
        return "offline: " + status.message;
    case Kind::failed:
        return "failed: " + status.message;
    case Kind::signedOut:
        return "signed out";
    case Kind::syncing:
        return "syncing";
    case Kind::sessionExpired:
        return "session expired";
    }
    return "unknown";
}

int usage() {
    std::cerr << "usage: tavro-sync-driver sign-in | move-local | sync | status | sign-out\n";
    return 2;
}

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "computer";
    return name;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return usage();
    const std::string command = argv[1];
    try {
        SyncEngine engine(SyncEngineConfig{.database = TavroPaths::databasePath(),
                                           .baseURL = SyncEngine::defaultBaseURL(),
                                           .deviceName = hostName(),
                                           .appVersion = "driver"});
        if (command == "sign-in") {
            auto code = beginSignIn(engine);
            std::cout << "user_code: " << code.userCode << std::endl;
            auto account = completeSignIn(engine, code).get();
            engine.stop();
            std::cout << "signed in as " << account.user.id << std::endl;
            return 0;
        }
        if (command == "move-local") {
            CaptureStore store(TavroPaths::databasePath(),
                               std::make_shared<NullStoreChangeNotifier>());
            auto workspace = store.defaultWorkspaceID();
            if (!workspace) {
                std::cerr << "no default workspace: sign in first\n";
                return 1;
            }
            adoptLocalCaptures(engine, *workspace);
            std::cout << describe(engine.status()) << std::endl;
            return 0;
        }
        if (command == "sync") {
            if (!engine.isSignedIn()) {
                std::cout << describe(engine.status()) << std::endl;
                return 1;
            }
            syncNow(engine);
            const auto status = engine.status();
            std::cout << describe(status) << std::endl;
            return status.kind == SyncStatus::Kind::idle ? 0 : 1;
        }
        if (command == "status") {
            std::cout << describe(engine.status()) << std::endl;
            return 0;
        }
        if (command == "sign-out") {
            try {
                signOut(engine);
            } catch (const std::exception&) {
                std::cout << describe(engine.status()) << std::endl;
                return 1;
            }
            std::cout << describe(engine.status()) << std::endl;
            return 0;
        }
        return usage();
    } catch (const std::exception& error) {
        std::cerr << error.what() << std::endl;
        return 1;
    }
}
