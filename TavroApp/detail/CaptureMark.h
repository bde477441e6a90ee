#pragma once

#include "model/Capture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

struct LibraryState;

// What the published board says of one capture: its row, how many comments and screenshots it
// has, and its tags. Every write to the capture's comments, screenshots or history moves one of
// them, so the pane reads those again only when the mark moved.
struct CaptureMark {
    // Absent when the capture is not published (deleted, or not read yet).
    std::optional<Capture> capture;
    std::int64_t comments = 0;
    std::int64_t images = 0;
    std::vector<std::string> tags;

    bool operator==(const CaptureMark&) const = default;

    static CaptureMark of(const LibraryState& state, const std::string& captureID);
};

} // namespace tavro
