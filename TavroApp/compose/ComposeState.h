#pragma once

#include "model/CaptureGroup.h"
#include "values/PendingCapture.h"
#include "values/WriteResult.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// What the note box edits for one pending capture, without a display: the widgets bind to it
// and read every decision from it.
class ComposeState {
public:
    using CreateGroup = std::function<WriteResult<CaptureGroup>(const std::string& name)>;

    // What saving hands to the capture flow.
    struct SaveArguments {
        std::string note;
        CapturePriority priority = CapturePriority::normal;
        std::optional<std::string> groupID;
        std::vector<std::string> tags;

        bool operator==(const SaveArguments&) const = default;
    };

    ComposeState(PendingCapture pending, std::vector<CaptureGroup> groups);

    // Takes the box's fields from the pending capture's draft; a draft without a chosen group
    // files the capture in `defaultGroupID`.
    void restoreDraft(const std::optional<std::string>& defaultGroupID);
    ComposeDraft currentDraft() const;

    // Splits at every comma and space; each piece is trimmed of spaces and tabs and lower-cased,
    // empty pieces are dropped, order and repeats are kept.
    static std::vector<std::string> splitTags(std::string_view tagText);
    std::vector<std::string> tags() const { return splitTags(tagText); }

    // The screenshot in the preview: the selected one, else the first; none without screenshots.
    const PendingImage* selected() const;
    void select(const std::string& imageID) { selectedImageID = imageID; }

    // The library's groups and those made in this box, by name ignoring case; equal names keep
    // the library's first.
    std::vector<CaptureGroup> allGroups() const;
    // None when no group is chosen or the chosen id names no group any more.
    std::optional<CaptureGroup> selectedGroup() const;
    const std::optional<std::string>& groupID() const { return groupID_; }
    void chooseGroup(const std::optional<std::string>& groupID);

    void beginNamingGroup();
    void cancelNamingGroup();
    // The name in the field trimmed, while a group is being named and the name is not blank.
    std::optional<std::string> groupToCreate() const;
    // What came of creating the named group: the field closes, and a stored group becomes the
    // selection. Its id, when one was stored.
    std::optional<std::string> groupCreated(const WriteResult<CaptureGroup>& created);
    // Creates the group named in the field. A blank name changes nothing; otherwise the field
    // closes whether or not `create` stored a group, and a stored one becomes the selection.
    std::optional<std::string> commitNewGroup(const CreateGroup& create);

    // Commits a group still being named, then the trimmed note, the priority, the chosen group
    // (none when its id names no group) and the tags. The note box creates the group first and
    // saves only once it is stored.
    SaveArguments saveArguments(const CreateGroup& create = {});

    const PendingCapture& pending() const { return pending_; }

    std::string note;
    CapturePriority priority = CapturePriority::normal;
    std::string tagText;
    std::optional<std::string> selectedImageID;
    bool isNamingGroup = false;
    std::string newGroupName;

private:
    PendingCapture pending_;
    std::vector<CaptureGroup> groups_;
    std::vector<CaptureGroup> createdGroups_;
    std::optional<std::string> groupID_;
    bool groupChosen_ = false;
};

// The file every view of a pending screenshot shows: the marked copy when there is one, else
// the PNG written when it was taken; none when the stored path would leave the library.
std::optional<std::filesystem::path> displayFile(const PendingImage& image);

} // namespace tavro
