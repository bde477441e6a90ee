// Acts on a library from a process of its own, for the tests of what two programs do at once.
//   tavro-store-probe open <database>   open (creating and migrating); prints "ok"
//   tavro-store-probe post <database>   open and post the store-changed notification
#include "store/CaptureStore.h"

#include <cstdio>
#include <exception>
#include <string>

using namespace tavro;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tavro-store-probe <command> <database> [arguments]\n");
        return 2;
    }
    std::string command = argv[1];
    try {
        CaptureStore store(argv[2]);
        if (command == "open") {
            std::printf("ok\n");
        } else if (command == "post") {
            store.postChange();
            std::printf("posted\n");
        } else {
            std::fprintf(stderr, "unknown command %s\n", command.c_str());
            return 2;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
