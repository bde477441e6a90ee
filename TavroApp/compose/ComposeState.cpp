#include "compose/ComposeState.h"

#include "model/Paths.h"
#include "model/Text.h"

#include <algorithm>

namespace tavro {

ComposeState::ComposeState(PendingCapture pending, std::vector<CaptureGroup> groups)
    : pending_(std::move(pending))
    , groups_(std::move(groups)) {}

void ComposeState::restoreDraft(const std::optional<std::string>& defaultGroupID) {
    const ComposeDraft& draft = pending_.draft;
    note = draft.note;
    priority = draft.priority;
    tagText = draft.tagText;
    groupChosen_ = draft.groupChosen;
    groupID_ = draft.groupID || draft.groupChosen ? draft.groupID : defaultGroupID;
    selectedImageID = draft.selectedImageID;
    if (!selectedImageID && !pending_.images.empty())
        selectedImageID = pending_.images.front().id;
    if (!draft.pendingGroupName.empty()) {
        newGroupName = draft.pendingGroupName;
        isNamingGroup = true;
    }
}

ComposeDraft ComposeState::currentDraft() const {
    ComposeDraft draft;
    draft.note = note;
    draft.priority = priority;
    draft.groupID = groupID_;
    draft.groupChosen = groupChosen_;
    draft.tagText = tagText;
    draft.selectedImageID = selectedImageID;
    draft.pendingGroupName = isNamingGroup ? newGroupName : std::string();
    return draft;
}

std::vector<std::string> ComposeState::splitTags(std::string_view tagText) {
    std::vector<std::string> tags;
    size_t start = 0;
    while (start <= tagText.size()) {
        size_t end = tagText.find_first_of(", ", start);
        if (end == std::string_view::npos)
            end = tagText.size();
        std::string tag = text::lowercased(
            text::trimmed(tagText.substr(start, end - start), text::Whitespace::Horizontal));
        if (!tag.empty())
            tags.push_back(std::move(tag));
        start = end + 1;
    }
    return tags;
}

const PendingImage* ComposeState::selected() const {
    const auto& images = pending_.images;
    if (images.empty())
        return nullptr;
    if (selectedImageID) {
        auto it = std::find_if(images.begin(), images.end(), [&](const PendingImage& image) {
            return image.id == *selectedImageID;
        });
        if (it != images.end())
            return &*it;
    }
    return &images.front();
}

std::vector<CaptureGroup> ComposeState::allGroups() const {
    std::vector<CaptureGroup> all = groups_;
    all.insert(all.end(), createdGroups_.begin(), createdGroups_.end());
    const text::CaseInsensitiveOrder order;
    std::stable_sort(all.begin(), all.end(), [&](const CaptureGroup& a, const CaptureGroup& b) {
        return order.compare(a.name, b.name) < 0;
    });
    return all;
}

std::optional<CaptureGroup> ComposeState::selectedGroup() const {
    if (!groupID_)
        return std::nullopt;
    for (const CaptureGroup& group : allGroups())
        if (group.id == *groupID_)
            return group;
    return std::nullopt;
}

void ComposeState::chooseGroup(const std::optional<std::string>& groupID) {
    groupID_ = groupID;
    groupChosen_ = true;
}

void ComposeState::beginNamingGroup() {
    newGroupName.clear();
    isNamingGroup = true;
}

void ComposeState::cancelNamingGroup() {
    isNamingGroup = false;
    newGroupName.clear();
}

std::optional<std::string> ComposeState::groupToCreate() const {
    if (!isNamingGroup)
        return std::nullopt;
    std::string name = text::trimmed(text::singleLine(newGroupName), text::Whitespace::Horizontal);
    if (name.empty())
        return std::nullopt;
    return name;
}

std::optional<std::string> ComposeState::groupCreated(const WriteResult<CaptureGroup>& created) {
    std::optional<std::string> result;
    // A failure is the box's to show; here the field just closes.
    if (created) {
        const auto all = allGroups();
        if (std::none_of(all.begin(), all.end(),
                         [&](const CaptureGroup& known) { return known.id == created->id; }))
            createdGroups_.push_back(*created);
        chooseGroup(created->id);
        result = created->id;
    }
    cancelNamingGroup();
    return result;
}

std::optional<std::string> ComposeState::commitNewGroup(const CreateGroup& create) {
    const std::string name =
        text::trimmed(text::singleLine(newGroupName), text::Whitespace::Horizontal);
    if (name.empty())
        return std::nullopt;
    return groupCreated(create ? create(name) : WriteResult<CaptureGroup>::failure({}));
}

ComposeState::SaveArguments ComposeState::saveArguments(const CreateGroup& create) {
    if (isNamingGroup && create)
        commitNewGroup(create);
    SaveArguments arguments;
    arguments.note = text::trimmed(note, text::Whitespace::AndNewlines);
    arguments.priority = priority;
    if (auto group = selectedGroup())
        arguments.groupID = group->id;
    arguments.tags = tags();
    return arguments;
}

std::optional<std::filesystem::path> displayFile(const PendingImage& image) {
    return TavroPaths::resolveInside(TavroPaths::capturesRoot(),
                                     image.annotatedPath.value_or(image.written.relativePath));
}

} // namespace tavro
