#pragma once

#include "model/BoardRecords.h"
#include "model/CaptureImage.h"

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

    // All parts from the same moment. Never throws: a failure is the answer's error.
    static CaptureDetail read(CaptureStore& store, const std::string& captureID, DetailParts parts);
    static CaptureDetail failed(const std::string& captureID, DetailParts parts, std::string error);
};

} // namespace tavro
