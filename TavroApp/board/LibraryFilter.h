#pragma once

#include "model/BoardEnums.h"
#include "ui/Icons.h"

#include <cstddef>
#include <functional>
#include <string>

namespace tavro {

// Which captures the board shows: the sidebar's selection and the board's filter. Never empty:
// the default value is the inbox, where a new board window starts.
class LibraryFilter {
public:
    // In declaration order; the order is also the first thing hashed.
    enum class Kind { inbox, assignedToMe, mine, status, group, tag, everything };

    LibraryFilter() = default;

    static LibraryFilter inbox() { return {}; }
    static LibraryFilter assignedToMe() { return LibraryFilter(Kind::assignedToMe); }
    static LibraryFilter mine() { return LibraryFilter(Kind::mine); }
    static LibraryFilter status(CaptureStatus status);
    static LibraryFilter group(std::string groupID);
    static LibraryFilter tag(std::string name);
    static LibraryFilter everything() { return LibraryFilter(Kind::everything); }

    Kind kind() const { return kind_; }
    // The status of a status filter; open for every other kind.
    CaptureStatus statusValue() const { return status_; }
    // The group id of a group filter or the tag name of a tag filter; empty for the others.
    const std::string& text() const { return text_; }

    // "Inbox", "Open", "Group" (the board puts the group's name in its place), "#" + the tag.
    std::string title() const;
    // The symbol shown beside the title: the tray, a status's circle, the folder…
    Icon symbol() const;

    // Same kind and equal payload; a group id or tag name compares by canonical equivalence
    // and is otherwise exact.
    bool operator==(const LibraryFilter& other) const;
    // Agrees with ==: canonically equivalent payloads hash alike.
    std::size_t hash() const;

private:
    explicit LibraryFilter(Kind kind)
        : kind_(kind) {}

    Kind kind_ = Kind::inbox;
    CaptureStatus status_ = CaptureStatus::open;
    std::string text_;
};

} // namespace tavro

template <> struct std::hash<tavro::LibraryFilter> {
    std::size_t operator()(const tavro::LibraryFilter& filter) const { return filter.hash(); }
};
