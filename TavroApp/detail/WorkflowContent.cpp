#include "detail/WorkflowContent.h"

#include "detail/PaneTexts.h"
#include "library/Library.h"

namespace tavro {

WorkflowContent WorkflowContent::make(const Capture& capture, const Library& library) {
    WorkflowContent content;
    for (CaptureStatus status : allCases<CaptureStatus>())
        content.statuses.push_back(
            {status, std::string(displayName(status)), status == capture.status});
    for (CapturePriority priority : allCases<CapturePriority>())
        content.priorities.push_back(
            {priority, std::string(displayName(priority)), priority == capture.priority});

    content.showsAssignee = library.currentUserID().has_value();
    if (content.showsAssignee) {
        content.people = library.people();
        content.assignee = library.person(capture.assigneeID);
        if (!library.isMine(capture))
            content.filedBy = library.person(capture.authorID);
    }
    if (capture.claimedBy)
        content.claim = std::string(PaneTexts::claimedBy) + *capture.claimedBy;
    if (capture.resolutionRef && !capture.resolutionRef->empty())
        content.resolution = capture.resolutionRef;

    if (const auto group = library.group(capture.groupID)) {
        content.groupLabel = group->name;
        content.groupColorHex = group->colorHex;
    } else {
        content.groupLabel = std::string(PaneTexts::noGroup);
    }
    content.groupItems.push_back({false, std::string(PaneTexts::noGroup), std::nullopt});
    if (!library.groups().empty())
        content.groupItems.push_back({true, {}, std::nullopt});
    for (const CaptureGroup& group : library.groups())
        content.groupItems.push_back({false, group.name, group.id});
    return content;
}

namespace WorkflowEdits {

PendingWrite<> setStatus(Library& library, const Capture& capture, CaptureStatus status) {
    return library.setStatus(status, capture.id);
}

PendingWrite<> setPriority(Library& library, const Capture& capture, CapturePriority priority) {
    Capture edited = capture;
    edited.priority = priority;
    return library.update(edited);
}

PendingWrite<> setGroup(Library& library, const Capture& capture,
                        const std::optional<std::string>& groupID) {
    Capture edited = capture;
    edited.groupID = groupID;
    return library.update(edited);
}

PendingWrite<> assign(Library& library, const Capture& capture,
                      const std::optional<std::string>& personID) {
    return library.assign(personID, capture.id);
}

} // namespace WorkflowEdits

} // namespace tavro
