#pragma once

#include "model/Pixels.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavro {

// Makes screenshots small enough to hand to an agent: scaled down (never up) to a longest edge,
// encoded as PNG in memory.
namespace ImageEncoder {

// Standard Base64 without line breaks.
std::string base64(std::span<const std::uint8_t> bytes);

struct Prepared {
    enum class Status { ready, unreadable, tooLarge, linkRefused };
    Status status = Status::unreadable;
    std::string base64PNG; // set when ready
    DeclaredSize declared; // set when too large
    std::string link;      // set when the file lies behind a symbolic link inside the library
};

// "40000 × 30000 pixels": why a screenshot too large to decode is not shown.
std::string tooLargeReason(DeclaredSize size);
// The standard-error line for such a screenshot, without the program's prefix.
std::string tooLargeDiagnostic(const std::string& path, DeclaredSize size);
// The standard-error line for a screenshot behind a symbolic link, without the prefix.
std::string refusedDiagnostic(const std::string& path, const std::string& link);

// Where a stored screenshot path points, for messages: the guarded location when there is one,
// else the stored text under the captures folder (shown only, never opened).
std::string shownPath(const std::optional<std::filesystem::path>& file, std::string_view stored);

// The whole road of a screenshot file to an agent: its first image decoded and brought down to
// maxEdge as it is read (the pixels Image would give for it, never enlarged), encoded as PNG and
// Base64. A file that cannot be decoded is too large when its header names a size beyond what
// Image decodes, else unreadable. A file inside the library is never read through a symbolic
// link.
Prepared prepare(const std::filesystem::path& file, int maxEdge);

} // namespace ImageEncoder

} // namespace tavro
