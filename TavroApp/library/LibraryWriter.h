#pragma once

#include "library/SerialThread.h"

#include <filesystem>
#include <functional>
#include <memory>

namespace tavro {

class CaptureStore;

// Runs the library facade's writes in order on a thread of its own, through a connection of
// its own to the library file, so that the GUI thread never opens a write transaction nor waits
// on another program's write lock. Every write, whichever window asked for it, waits out another
// program's lock by the connection's one rule (Database's patient lock wait).
class LibraryWriter {
public:
    // Hands out the writer's store, opening it first when needed; throws when it cannot.
    using Connection = std::function<CaptureStore&()>;
    // Runs on the writer's thread; answers its caller by itself.
    using Job = std::function<void(const Connection& store)>;

    // Opens the connection at the first write, and again after a write that could not open it.
    explicit LibraryWriter(std::filesystem::path file);
    // Runs every write submitted so far, then ends the thread: a write the user made is never
    // dropped because the app is closing.
    ~LibraryWriter();
    LibraryWriter(const LibraryWriter&) = delete;
    LibraryWriter& operator=(const LibraryWriter&) = delete;

    void submit(Job job);

private:
    CaptureStore& store();

    std::filesystem::path file_;
    std::unique_ptr<CaptureStore> store_;
    SerialThread thread_{SerialThread::AtEnd::runQueued}; // last: ends before the store
};

} // namespace tavro
