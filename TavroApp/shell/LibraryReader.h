#pragma once

#include "shell/LibraryState.h"
#include "shell/SerialThread.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class CaptureStore;

// Reads the board for the library facade on a thread of its own, through a connection of its
// own to the library file, so that the GUI thread never waits on the database for a reload.
// After the first read, a read takes only what the store's change log says moved.
class LibraryReader {
public:
    enum class Reading {
        // Only when the store's change counter moved.
        ifMoved,
        // Publishes even when nothing moved, with the account's records read again.
        always,
        // Everything, however little moved.
        whole,
    };

    struct Outcome {
        // The new state; absent when the read failed or a check found the counter unmoved.
        std::shared_ptr<const LibraryState> state;
        // What differs from the state the read was given.
        std::vector<LibraryProperty> changed;
        // The ids of the captures that may differ from those of the state the read was given
        // (added, changed or removed); absent when the read took the whole board.
        std::optional<std::vector<std::string>> movedCaptures;
        std::optional<std::string> error;
    };
    using Done = std::function<void(Outcome)>;

    // Opens the connection at the first read, and again after a read that could not open it.
    explicit LibraryReader(std::filesystem::path file);
    // Waits for a read under way; its outcome is dropped.
    ~LibraryReader();
    LibraryReader(const LibraryReader&) = delete;
    LibraryReader& operator=(const LibraryReader&) = delete;

    // Reads on the calling thread; without `previous`, everything. Never throws.
    Outcome read(const std::shared_ptr<const LibraryState>& previous, Reading reading);
    // The same on the reader's thread, which then calls `done`. One read at a time: the caller
    // waits for `done` before starting another.
    void start(std::shared_ptr<const LibraryState> previous, Reading reading, Done done);

private:
    // `previous` with the account's records read again; itself when they did not move.
    std::shared_ptr<const LibraryState>
    withAccountRecords(const std::shared_ptr<const LibraryState>& previous,
                       std::vector<LibraryProperty>& changed);

    std::filesystem::path file_;
    std::unique_ptr<CaptureStore> store_;
    // The state a read replaced, held until the next request so that it goes on this thread
    // rather than the caller's.
    std::shared_ptr<const LibraryState> retired_;
    SerialThread thread_{SerialThread::AtEnd::dropQueued}; // last: ends before what it reads
};

} // namespace tavro
