#pragma once

#include "model/Annotation.h"
#include "model/BoardEnums.h"
#include "model/Time.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tavro {

// One screenshot of a capture, mirroring a row of the capture_images table.
struct CaptureImage {
    std::string id;
    std::string captureID;
    std::int64_t position = 0; // negative asks the store for the next free place
    std::string imagePath;     // empty while awaiting download, and once deleted
    std::optional<std::string> annotatedPath;
    std::optional<std::string> thumbPath;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytes = 0;
    std::optional<std::string> annotationJSON;
    Seconds createdAt = 0;
    std::optional<std::string> remoteID;
    SyncState syncState = SyncState::local;
    bool dirty = false;
    std::optional<std::string> originalSHA256;
    std::optional<std::string> markedSHA256;
    std::optional<std::string> thumbSHA256;
    std::int64_t version = 0;
    std::optional<Seconds> deletedAt;

    bool operator==(const CaptureImage&) const = default;

    // File locations inside the library; nothing when a stored path is empty or would leave it.
    std::optional<std::filesystem::path> originalFilePath() const;
    // The marked-up copy when there is one (a present, non-empty path), else the original.
    std::optional<std::filesystem::path> displayFilePath() const;
    // The stored relative path behind displayFilePath().
    const std::string& displayPath() const;
    std::optional<std::filesystem::path> thumbFilePath() const;

    // The decoded mark-up; absent or unreadable JSON reads as no mark-up. Decoded afresh on
    // every call.
    Annotation annotation() const;
    // Whether the stored mark-up has shapes: decoded when short, and a longer one read only up
    // to its first shape, so its start alone answers as the whole text does.
    bool hasAnnotations() const;
    // The longest mark-up hasAnnotations() decodes whole.
    static constexpr size_t decodedMarkupBytes = 65536;

    // The file is known to the web service but not yet on this machine.
    bool isAwaitingDownload() const { return imagePath.empty() && originalSHA256.has_value(); }
};

} // namespace tavro
