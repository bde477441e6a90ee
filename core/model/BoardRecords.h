#pragma once

#include "model/BoardEnums.h"
#include "model/Time.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// A person or bot known to the board.
struct Person {
    std::string id;
    std::string name;
    std::optional<std::string> email;
    std::optional<std::string> imageURL;
    std::string kind; // "bot", else a person

    bool operator==(const Person&) const = default;

    bool isBot() const { return kind == "bot"; }
    // Up to two upper-cased first letters of the name's space-separated words; "?" for none.
    std::string initials() const;
};

// A web-service workspace the signed-in user belongs to, with the user's role in it.
struct Workspace {
    std::string id;
    std::string name;
    std::string slug;
    std::string role;
    std::optional<std::string> settingsJSON;

    bool operator==(const Workspace&) const = default;

    bool isAdmin() const { return role == "owner" || role == "admin"; }
    bool isGuest() const { return role == "guest"; }
};

// The author and actor that comments and history give the library's own user.
inline constexpr std::string_view localActor = "you";

// A comment on a capture, or a conflict note that sync records.
struct Comment {
    std::string id;
    std::string captureID;
    std::string author;
    bool isAgent = false;
    std::string body;
    Seconds createdAt = 0;
    std::optional<std::string> authorID;
    std::optional<std::string> actorLabel;
    std::string kind; // "comment" or "conflict"
    SyncState syncState = SyncState::local;

    bool operator==(const Comment&) const = default;

    bool isConflict() const { return kind == "conflict"; }
};

// One entry of a capture's history.
struct ActivityEvent {
    std::string id;
    std::optional<std::string> captureID;
    std::string kind;
    std::string detail;
    std::string actor;
    Seconds createdAt = 0;
    std::optional<std::string> actorID;
    bool remote = false;

    bool operator==(const ActivityEvent&) const = default;
};

} // namespace tavro
