#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tavro {

// The board's closed enumerations. Each case's text value is a stored and wire format, exactly
// as written in its table; display names are separate texts.

enum class CaptureStatus { open, inProgress, resolved, archived };
enum class CapturePriority { low, normal, high };
enum class CaptureMode { region, fullscreen, window, text };
enum class SyncState { local, synced, pendingPush };
enum class GroupVisibility { workspace, privateGroup };

template <class E> struct EnumCase {
    E value;
    std::string_view raw;
    std::string_view display;
};

template <class E> struct EnumTable;

template <> struct EnumTable<CaptureStatus> {
    static constexpr std::array<EnumCase<CaptureStatus>, 4> cases{{
        {CaptureStatus::open, "open", "Open"},
        {CaptureStatus::inProgress, "in_progress", "In Progress"},
        {CaptureStatus::resolved, "resolved", "Resolved"},
        {CaptureStatus::archived, "archived", "Archived"},
    }};
};

template <> struct EnumTable<CapturePriority> {
    static constexpr std::array<EnumCase<CapturePriority>, 3> cases{{
        {CapturePriority::low, "low", "Low"},
        {CapturePriority::normal, "normal", "Normal"},
        {CapturePriority::high, "high", "High"},
    }};
};

template <> struct EnumTable<CaptureMode> {
    static constexpr std::array<EnumCase<CaptureMode>, 4> cases{{
        {CaptureMode::region, "region", "Region"},
        {CaptureMode::fullscreen, "fullscreen", "Full Screen"},
        {CaptureMode::window, "window", "Window"},
        {CaptureMode::text, "text", "Text only"},
    }};
};

template <> struct EnumTable<SyncState> {
    static constexpr std::array<EnumCase<SyncState>, 3> cases{{
        {SyncState::local, "local", ""},
        {SyncState::synced, "synced", ""},
        {SyncState::pendingPush, "pendingPush", ""},
    }};
};

template <> struct EnumTable<GroupVisibility> {
    static constexpr std::array<EnumCase<GroupVisibility>, 2> cases{{
        {GroupVisibility::workspace, "workspace", "Workspace"},
        {GroupVisibility::privateGroup, "private", "Private"},
    }};
};

template <class E> constexpr std::string_view rawValue(E value) {
    for (const auto& c : EnumTable<E>::cases)
        if (c.value == value)
            return c.raw;
    return {};
}

template <class E> constexpr std::string_view displayName(E value) {
    for (const auto& c : EnumTable<E>::cases)
        if (c.value == value)
            return c.display;
    return {};
}

// Exact, case-sensitive match of the whole text; anything else is absent.
template <class E> constexpr std::optional<E> fromRawValue(std::string_view text) {
    for (const auto& c : EnumTable<E>::cases)
        if (c.raw == text)
            return c.value;
    return std::nullopt;
}

// Declaration order, the order pickers list them in.
template <class E> constexpr auto allCases() {
    std::array<E, EnumTable<E>::cases.size()> out{};
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = EnumTable<E>::cases[i].value;
    return out;
}

// The statuses that count as open work.
inline constexpr std::array<CaptureStatus, 2> activeStatuses{CaptureStatus::open,
                                                             CaptureStatus::inProgress};

inline constexpr bool isActive(CaptureStatus status) {
    return status == CaptureStatus::open || status == CaptureStatus::inProgress;
}

// Smaller sorts first: high 0, normal 1, low 2.
inline constexpr int sortWeight(CapturePriority priority) {
    switch (priority) {
    case CapturePriority::high:
        return 0;
    case CapturePriority::normal:
        return 1;
    case CapturePriority::low:
        return 2;
    }
    return 2;
}

} // namespace tavro
