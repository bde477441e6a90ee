#pragma once

#include "library/SharedText.h"
#include "model/Capture.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace tavro {

// A live capture as the published board holds it: the fields the board shows under the names
// Capture gives them, texts that many captures hold alike shared, and the fields it never shows
// kept aside, only when any of them is set. The whole record comes back with whole().
struct BoardCapture {
    // What the board never shows, with Capture's defaults.
    struct Rest {
        std::int64_t imageWidth = 0;
        std::int64_t imageHeight = 0;
        std::int64_t imageBytes = 0;
        std::optional<std::string> displayName;
        double displayScale = 0;
        std::optional<Seconds> claimedAt;
        std::optional<Seconds> resolvedAt;
        std::optional<std::string> resolutionRef;
        std::optional<std::string> remoteID;
        SyncState syncState = SyncState::local;
        bool dirty = false;
        std::optional<Seconds> deletedAt;
        std::optional<std::string> claimedByID;
        std::int64_t version = 0;

        bool operator==(const Rest&) const = default;
    };

    std::string id;
    Seconds createdAt = 0;
    Seconds updatedAt = 0;
    std::string note;
    CaptureStatus status = CaptureStatus::open;
    CapturePriority priority = CapturePriority::normal;
    CaptureMode captureMode = CaptureMode::region;
    bool localOnly = false;
    SharedText groupID;
    std::string imagePath;
    std::optional<std::string> thumbPath;
    SharedText appName;
    SharedText appBundleID;
    SharedText windowTitle;
    SharedText url;
    SharedText claimedBy;
    SharedText workspaceID;
    SharedText authorID;
    SharedText assigneeID;
    // Null when every field of it has its default.
    std::shared_ptr<const Rest> rest;

    BoardCapture() = default;
    // Shares no text with other entries.
    BoardCapture(const Capture& capture);
    // Shares the texts `texts` handed out before.
    BoardCapture(Capture&& capture, SharedTexts& texts);

    Capture whole() const;

    bool operator==(const BoardCapture& other) const;

    bool isShared() const { return workspaceID.has_value() && !localOnly; }
    bool hasImage() const { return !imagePath.empty(); }
    std::optional<std::filesystem::path> imageFilePath() const;
    std::optional<std::filesystem::path> thumbFilePath() const;
    std::string shortID() const;
    std::string title() const;
    std::string noteBody() const;
    std::optional<std::string> distinctWindowTitle() const;
};

} // namespace tavro
