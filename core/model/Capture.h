#pragma once

#include "model/BoardEnums.h"
#include "model/Time.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tavro {

// One board entry, mirroring a row of the captures table field for field. The five image fields
// describe the cover, the first of its screenshots.
struct Capture {
    std::string id;
    Seconds createdAt = 0;
    Seconds updatedAt = 0;
    std::string note;
    CaptureStatus status = CaptureStatus::open;
    CapturePriority priority = CapturePriority::normal;
    std::optional<std::string> groupID;
    std::string imagePath;
    std::optional<std::string> thumbPath;
    std::int64_t imageWidth = 0;
    std::int64_t imageHeight = 0;
    std::int64_t imageBytes = 0;
    CaptureMode captureMode = CaptureMode::region;
    std::optional<std::string> appName;
    std::optional<std::string> appBundleID;
    std::optional<std::string> windowTitle;
    std::optional<std::string> url;
    std::optional<std::string> displayName;
    double displayScale = 0; // 0 or less: not recorded
    std::optional<std::string> claimedBy;
    std::optional<Seconds> claimedAt;
    std::optional<Seconds> resolvedAt;
    std::optional<std::string> resolutionRef;
    std::optional<std::string> remoteID;
    SyncState syncState = SyncState::local;
    bool dirty = false;
    std::optional<Seconds> deletedAt;
    std::optional<std::string> workspaceID;
    std::optional<std::string> authorID;
    std::optional<std::string> assigneeID;
    std::optional<std::string> claimedByID;
    std::int64_t version = 0;
    bool localOnly = false;

    bool operator==(const Capture&) const = default;

    // In a workspace and not kept local; a present but empty workspace id counts.
    bool isShared() const { return workspaceID.has_value() && !localOnly; }
    bool hasImage() const { return !imagePath.empty(); }
    // The cover's files; nothing when the stored path is empty or would leave the library.
    std::optional<std::filesystem::path> imageFilePath() const;
    std::optional<std::filesystem::path> thumbFilePath() const;
    // The last 8 characters of the id.
    std::string shortID() const;
    // The note's first line, trimmed of spaces and tabs, or "Untitled capture in <app>".
    std::string title() const;
    // Everything after the first line, trimmed of white space and line breaks.
    std::string noteBody() const;
    // The window title, trimmed, when it says more than the application name beside it.
    std::optional<std::string> distinctWindowTitle() const;
};

// Capture::title() and noteBody() for a note held elsewhere; `appName` may be null.
std::string captureTitle(const std::string& note, bool hasImage, const std::string* appName);
std::string noteBody(const std::string& note);

// A window title trimmed of white space and line breaks; none when it is missing, blank, or
// the application's name apart from letter case (a missing name counts as empty).
std::optional<std::string> distinctWindowTitle(const std::optional<std::string>& windowTitle,
                                               const std::optional<std::string>& appName);

} // namespace tavro
