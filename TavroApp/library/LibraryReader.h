#pragma once

#include "library/LibraryState.h"
#include "library/SerialThread.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class CaptureStore;

// The library facade's one reader: a thread of its own and one connection to the library file,
// confined to that thread, for the board and for every read a view asks for (a capture's detail,
// a screenshot's row), so that the GUI thread never waits on the database nor holds a
// connection. Reads run one at a time in the order asked. After the first read, a board read
// takes only what the store's change log says moved.
class LibraryReader {
public:
    enum class Reading {
        // Only when the store's change counter moved.
        ifMoved,
        // Publishes even when nothing moved, with the account's records read again.
        always,
        // Everything, however little moved.
        whole,
        // The newest captures only (firstScreenful of them) with the whole board's figures, or
        // everything when the board holds no more: what the window shows first.
        newest,
    };

    // More than the largest screen shows at once.
    static constexpr std::size_t firstScreenful = 300;

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
    // Hands out the reader's store, opening it first when needed; throws when it cannot.
    using Connection = std::function<CaptureStore&()>;
    using Job = std::function<void(const Connection& store)>;

    // Opens the connection at the first read, and again after a read that could not open it,
    // on the thread that reads.
    explicit LibraryReader(std::filesystem::path file);
    // Waits for a read under way; reads not begun are dropped unanswered.
    ~LibraryReader();
    LibraryReader(const LibraryReader&) = delete;
    LibraryReader& operator=(const LibraryReader&) = delete;

    // Reads the board on the calling thread; without `previous`, everything. Never throws. Only
    // for a reader that is never started: the connection belongs to the thread that opened it.
    Outcome read(const std::shared_ptr<const LibraryState>& previous, Reading reading);
    // The same on the reader's thread, which then calls `done`. One board read at a time: the
    // caller waits for `done` before starting another.
    void start(std::shared_ptr<const LibraryState> previous, Reading reading, Done done);
    // Runs `job` on the reader's thread after the reads asked for before it. The job catches
    // what the store throws.
    void post(Job job);
    // Lets go of the state the last board read replaced and hands the memory freed back to the
    // system, on the reader's thread: for once the caller has published a whole read.
    void releaseMemory();

private:
    CaptureStore& store();
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
