#pragma once

#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// The texts agents read. Times are written relative to `now`, which callers pass in.
namespace Format {

std::string join(const std::vector<std::string>& items, std::string_view separator);

// A field the texts give one line: a line break in a name or a title would start a line of the
// writer's own in the agent's reading.
std::string oneLine(std::string_view field);

// The first 8 characters of the id: the short id agents see and type back.
std::string shortID(std::string_view captureID);
inline std::string shortID(const Capture& capture) {
    return shortID(capture.id);
}

// "OPEN", "IN-PROGRESS", "RESOLVED", "ARCHIVED".
std::string_view statusTag(CaptureStatus status);

// UTC internet date-time without fractional seconds: 2025-06-18T09:41:07Z.
std::string iso(Seconds date);

// "just now", "1s ago" … "59s ago", "5m ago", "3h ago", "2d ago", "14mo ago".
std::string relative(Seconds date, Seconds now);

// Decimal units: "999 bytes", "245 KB", "1.2 MB".
std::string fileSize(std::int64_t bytes);

// The window title when it says more than the application name does.
std::optional<std::string> distinctWindowTitle(const Capture& capture);

bool hasAnnotations(const CaptureImage& image);

// Two lines: "[id] STATUS !high Title" and an indented line of where, what and when.
std::string listLine(const Capture& capture, const std::optional<std::string>& groupName,
                     const std::vector<std::string>& tags, std::int64_t comments,
                     std::int64_t images, Seconds now);

// One history event as a sentence: "Claude claimed it".
std::string describe(const ActivityEvent& event);

// The whole capture as text: status, screenshots, context, note, claim, comments, the last
// twelve history events and the local files.
std::string detail(const Capture& capture, const std::optional<std::string>& groupName,
                   const std::vector<std::string>& tags, const std::vector<Comment>& comments,
                   const std::vector<ActivityEvent>& activity,
                   const std::vector<CaptureImage>& images, Seconds now);

} // namespace Format

} // namespace tavro
