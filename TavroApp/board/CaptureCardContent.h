#pragma once

#include "library/BoardCapture.h"
#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "ui/Icons.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// A group as a card or a row names it: a coloured dot and the name.
struct GroupChipContent {
    QString name;
    std::string colorHex;

    bool operator==(const GroupChipContent&) const = default;
};

// What a capture's hover buttons do, in the order they sit from left to right.
enum class CardAction { resolve, remove };

// The button's symbol and tool tip.
Icon symbol(CardAction action);
QString helpText(CardAction action);

// Everything a capture card shows, worked out from the records the board hands it.
struct CaptureCardContent {
    std::string captureID;
    // Without a screenshot the header shows the note instead of a picture.
    bool hasImage = false;
    // The thumbnail, else the cover screenshot; empty when there is none that may be read.
    QString picturePath;
    QString title;
    // Shown only in the note header.
    QString noteBody;
    CaptureStatus status = CaptureStatus::open;
    CapturePriority priority = CapturePriority::normal;
    // Two screenshots or more.
    std::optional<std::int64_t> imageCountBadge;
    bool noScreenshotBadge = false;
    std::optional<std::string> appBundleID;
    QString appName;
    QString age;
    std::optional<GroupChipContent> group;
    // The first two tags; the rest are neither shown nor counted.
    std::vector<QString> tags;
    std::optional<Person> assignee;
    bool claimedByAgent = false;
    std::optional<std::int64_t> commentCount;
    std::vector<CardAction> hoverActions;

    // Group, tags, comments, a claim or an assignee make the line under the source.
    bool hasMetaLine() const;
    // The title sits in the details only under a picture; the note header shows it otherwise.
    bool titleInDetails() const { return hasImage; }

    bool operator==(const CaptureCardContent&) const = default;
};

CaptureCardContent cardContent(const BoardCapture& capture,
                               const std::optional<CaptureGroup>& group,
                               const std::vector<std::string>& tags, std::int64_t commentCount,
                               std::int64_t imageCount, const std::optional<Person>& assignee,
                               Seconds now);

// Everything a capture row shows: the dense counterpart of the card.
struct CaptureRowContent {
    std::string captureID;
    bool hasImage = false;
    QString picturePath;
    QString title;
    std::optional<std::string> appBundleID;
    QString appName;
    // Only when it says more than the application name.
    std::optional<QString> windowTitle;
    std::optional<GroupChipContent> group;
    std::vector<QString> tags;
    std::optional<std::int64_t> commentCount;
    CapturePriority priority = CapturePriority::normal;
    CaptureStatus status = CaptureStatus::open;
    QString age;

    bool operator==(const CaptureRowContent&) const = default;
};

CaptureRowContent rowContent(const BoardCapture& capture, const std::optional<CaptureGroup>& group,
                             const std::vector<std::string>& tags, std::int64_t commentCount,
                             Seconds now);

// The texts of cards and rows.
namespace CardTexts {
inline constexpr const char* unknownApp = "Unknown";
inline constexpr const char* noScreenshot = "No screenshot";
inline constexpr const char* markResolved = "Mark resolved";
inline constexpr const char* remove = "Delete";
} // namespace CardTexts

} // namespace tavro
