#pragma once

#include "model/BoardRecords.h"
#include "model/CaptureImage.h"
#include "shell/SerialThread.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

class CaptureStore;

// What one capture's detail pane shows beyond the published board.
enum class DetailPart : unsigned {
    images = 1u << 0,
    comments = 1u << 1,
    activity = 1u << 2,
};

struct DetailParts {
    unsigned bits = 0;

    DetailParts() = default;
    DetailParts(DetailPart part)
        : bits(unsigned(part)) {}
    bool has(DetailPart part) const { return bits & unsigned(part); }
    friend DetailParts operator|(DetailParts a, DetailParts b) {
        DetailParts both;
        both.bits = a.bits | b.bits;
        return both;
    }
};

// One read of a capture's screenshots, comments and history, each only when asked for.
struct CaptureDetail {
    std::string captureID;
    DetailParts parts;
    // The live screenshots by position.
    std::vector<CaptureImage> images;
    // Oldest first, both.
    std::vector<Comment> comments;
    std::vector<ActivityEvent> activity;
    // Set when the read failed; the lists are then empty and mean nothing.
    std::optional<std::string> error;
};

// Reads for the detail pane on a thread of its own, through a connection of its own to the
// library file, so that opening or following a large capture never holds up the GUI thread.
// Requests are answered in the order they were made.
class DetailReader {
public:
    using Done = std::function<void(CaptureDetail)>;

    // Opens the connection at the first read, and again after a read that could not open it.
    explicit DetailReader(std::filesystem::path file);
    // Waits for a read under way; requests not begun are dropped unanswered.
    ~DetailReader();
    DetailReader(const DetailReader&) = delete;
    DetailReader& operator=(const DetailReader&) = delete;

    // Reads on the calling thread, all parts from the same moment. Never throws.
    CaptureDetail read(const std::string& captureID, DetailParts parts);
    // The same on the reader's thread, which then calls `done`.
    void start(std::string captureID, DetailParts parts, Done done);
    // On the reader's thread, in turn with the reads: the changes a sign-out would lose
    // (CaptureStore::unsentChangeCount), or nothing when the read fails.
    void countChangesLostOnSignOut(std::function<void(std::optional<std::int64_t>)> done);

private:
    CaptureStore& store();

    std::filesystem::path file_;
    std::unique_ptr<CaptureStore> store_;
    SerialThread thread_{SerialThread::AtEnd::dropQueued}; // last: ends before the store
};

} // namespace tavro
