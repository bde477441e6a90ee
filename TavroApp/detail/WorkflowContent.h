#pragma once

#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "values/PendingWrite.h"

#include <optional>
#include <string>
#include <vector>

namespace tavro {

class Library;

// One choice of the status or priority row; the current one is drawn as chosen.
template <class Value> struct WorkflowChip {
    Value value;
    std::string title;
    bool current = false;

    bool operator==(const WorkflowChip&) const = default;
};

// One item of the group menu: "No group", a divider, or a group.
struct GroupMenuItem {
    bool divider = false;
    std::string title;
    std::optional<std::string> groupID;

    bool operator==(const GroupMenuItem&) const = default;
};

// Where a capture stands, as the workflow section of the detail pane shows it. Worked out
// afresh from the published board on every change, so an agent's edit shows at once.
struct WorkflowContent {
    std::vector<WorkflowChip<CaptureStatus>> statuses;
    std::vector<WorkflowChip<CapturePriority>> priorities;
    // The assignee row, only while someone is signed in.
    bool showsAssignee = false;
    // The assignee menu's choices and its current one.
    std::vector<Person> people;
    std::optional<Person> assignee;
    // Someone else who filed the capture, when known.
    std::optional<Person> filedBy;
    // "Claimed by " and the agent.
    std::optional<std::string> claim;
    // The reference it was resolved with, when not empty.
    std::optional<std::string> resolution;
    // The group menu's label (with its colour, none for "No group") and items.
    std::string groupLabel;
    std::optional<std::string> groupColorHex;
    std::vector<GroupMenuItem> groupItems;

    bool operator==(const WorkflowContent&) const = default;

    static WorkflowContent make(const Capture& capture, const Library& library);
};

// The section's writes, each on the capture as shown. A choice equal to the current value
// writes again.
namespace WorkflowEdits {
[[nodiscard]] PendingWrite<> setStatus(Library& library, const Capture& capture,
                                       CaptureStatus status);
[[nodiscard]] PendingWrite<> setPriority(Library& library, const Capture& capture,
                                         CapturePriority priority);
[[nodiscard]] PendingWrite<> setGroup(Library& library, const Capture& capture,
                                      const std::optional<std::string>& groupID);
[[nodiscard]] PendingWrite<> assign(Library& library, const Capture& capture,
                                    const std::optional<std::string>& personID);
} // namespace WorkflowEdits

} // namespace tavro
