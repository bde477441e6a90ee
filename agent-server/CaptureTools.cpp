#include "Formatting.h"
#include "ToolArguments.h"
#include "ToolRegistry.h"
#include "model/Text.h"
#include "model/TextLimits.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"

namespace tavro {

namespace {

constexpr std::string_view newGroupColor = "#6E7BF2";

std::string quotedTitle(const Capture& capture) {
    return "\u201C" + capture.title() + "\u201D";
}

ToolResult refused(const std::string& reason) {
    return ToolResult::failure(reason + " Nothing was changed.");
}

} // namespace

void ToolRegistry::addAgentComment(const Capture& capture, const std::string& agent,
                                   const std::string& body) const {
    store_->addComment(Comment{
        .id = makeUUID(),
        .captureID = capture.id,
        .author = agent,
        .isAgent = true,
        .body = body,
        .createdAt = now(),
        .kind = "comment",
        .syncState = SyncState::local,
    });
}

void ToolRegistry::recordAgentActivity(const Capture& capture, std::string_view kind,
                                       std::string_view detail, const std::string& agent) const {
    store_->recordActivity(capture.id, kind, detail, agent, makeUUID(), now());
}

ToolResult ToolRegistry::claimCapture(const JSON& arguments) const {
    auto resolution = resolve(arguments);
    if (auto problem = std::get_if<ToolResult>(&resolution))
        return *problem;
    const auto& capture = std::get<Capture>(resolution);
    auto agent = actor(arguments);
    std::string reply;
    if (capture.claimedBy && *capture.claimedBy != agent)
        reply = "Heads up: " + *capture.claimedBy + " already claimed this. Claiming for " + agent +
                " anyway.\n";
    return ToolResult::text(reply + claimAndDescribe(capture.id, agent));
}

std::string ToolRegistry::claimAndDescribe(const std::string& id, const std::string& who) const {
    auto claimed = store_->claim(id, who);
    if (!claimed)
        return "Claim failed.";
    return "Claimed [" + Format::shortID(*claimed) + "] " + quotedTitle(*claimed) + " as " + who +
           ". Status is now " + std::string(Format::statusTag(claimed->status)) + ".";
}

ToolResult ToolRegistry::commentOnCapture(const JSON& arguments) const {
    std::string body;
    if (auto text = ToolArguments::string(arguments, "body"))
        body = text::trimmed(*text, text::Whitespace::AndNewlines);
    if (body.empty())
        return ToolResult::failure("Missing required parameter `body`.");
    if (auto reason = TextLimits::tooLong("The comment", body, TextLimits::commentCharacters))
        return refused(*reason);
    auto resolution = resolve(arguments);
    if (auto problem = std::get_if<ToolResult>(&resolution))
        return *problem;
    const auto& capture = std::get<Capture>(resolution);
    auto agent = actor(arguments);
    addAgentComment(capture, agent, body);
    recordAgentActivity(capture, "commented", "", agent);
    return ToolResult::text("Comment added to [" + Format::shortID(capture) + "] " +
                            quotedTitle(capture) + " as " + agent + ".");
}

ToolResult ToolRegistry::resolveCapture(const JSON& arguments) const {
    auto resolution = resolve(arguments);
    if (auto problem = std::get_if<ToolResult>(&resolution))
        return *problem;
    const auto& capture = std::get<Capture>(resolution);
    auto agent = actor(arguments);
    auto reference = ToolArguments::nonEmptyString(arguments, "reference");
    auto comment = ToolArguments::nonEmptyString(arguments, "comment");
    if (comment)
        if (auto reason =
                TextLimits::tooLong("The comment", *comment, TextLimits::commentCharacters))
            return refused(*reason);
    if (comment)
        addAgentComment(capture, agent, *comment);
    auto resolved = store_->resolve(capture.id, reference, agent);
    if (!resolved)
        return ToolResult::failure("Could not resolve capture " + capture.id + ".");
    std::string reply =
        "Resolved [" + Format::shortID(*resolved) + "] " + quotedTitle(*resolved) + ".";
    if (reference)
        reply += " Reference: " + *reference;
    return ToolResult::text(std::move(reply));
}

ToolResult ToolRegistry::reopenCapture(const JSON& arguments) const {
    auto resolution = resolve(arguments);
    if (auto problem = std::get_if<ToolResult>(&resolution))
        return *problem;
    const auto& capture = std::get<Capture>(resolution);
    auto agent = actor(arguments);
    auto comment = ToolArguments::nonEmptyString(arguments, "comment");
    if (comment)
        if (auto reason =
                TextLimits::tooLong("The comment", *comment, TextLimits::commentCharacters))
            return refused(*reason);
    if (comment)
        addAgentComment(capture, agent, *comment);
    auto reopened = store_->setStatus(capture.id, CaptureStatus::open, agent);
    if (!reopened)
        return ToolResult::failure("Could not reopen capture " + capture.id + ".");
    return ToolResult::text("Reopened [" + Format::shortID(*reopened) + "] " +
                            quotedTitle(*reopened) + ". Status is now OPEN.");
}

ToolResult ToolRegistry::updateCapture(const JSON& arguments) const {
    auto resolution = resolve(arguments);
    if (auto problem = std::get_if<ToolResult>(&resolution))
        return *problem;
    const auto& capture = std::get<Capture>(resolution);
    auto agent = actor(arguments);
    std::vector<std::string> labels;

    auto note = ToolArguments::string(arguments, "note");
    // A group's name is one line, as the listings print it.
    std::optional<std::string> groupArgument;
    if (auto name = ToolArguments::nonEmptyString(arguments, "group"))
        if (auto line = text::trimmed(text::singleLine(*name), text::Whitespace::Horizontal);
            !line.empty())
            groupArgument = std::move(line);
    auto tags = ToolArguments::stringList(arguments, "tags");
    std::optional<std::string> reason;
    if (note)
        reason = TextLimits::tooLong("The note", *note, TextLimits::noteCharacters);
    if (!reason && groupArgument)
        reason =
            TextLimits::tooLong("The group name", *groupArgument, TextLimits::groupNameCharacters);
    if (!reason && tags)
        reason = TextLimits::tagsRefusal(*tags);
    if (reason)
        return refused(*reason);
    if (note && *note != capture.note)
        labels.push_back("note");
    else
        note.reset();
    std::optional<CapturePriority> priority;
    if (auto text = ToolArguments::string(arguments, "priority"))
        priority = fromRawValue<CapturePriority>(*text);
    if (priority && *priority != capture.priority)
        labels.push_back("priority \u2192 " + std::string(displayName(*priority)));
    else
        priority.reset();
    std::optional<std::string> groupID;
    if (const auto& name = groupArgument) {
        auto group = store_->groupNamed(*name, std::nullopt);
        // A new group is filed in the default workspace, where an archived group keeps its
        // name: say so rather than fail on the name, before anything is written.
        if (const auto workspace = store_->defaultWorkspaceID();
            !group && !store_->groupNamed(*name, workspace))
            if (auto archived = store_->archivedGroupNamed(*name, workspace))
                return ToolResult::failure("The group \u201C" + archived->name +
                                           "\u201D is archived, so nothing was changed. Pass "
                                           "another group name.");
        if (!group) {
            Seconds time = now();
            group = store_->upsertGroup(CaptureGroup{
                .id = makeUUID(),
                .name = *name,
                .colorHex = std::string(newGroupColor),
                .createdAt = time,
                .updatedAt = time,
                .syncState = SyncState::local,
                .visibility = GroupVisibility::privateGroup,
            });
        }
        if (capture.groupID != group->id) {
            groupID = group->id;
            labels.push_back("group \u2192 " + group->name);
        }
    }
    std::optional<CaptureStatus> status;
    if (auto text = ToolArguments::string(arguments, "status"))
        if (auto value = fromRawValue<CaptureStatus>(*text); value && *value != capture.status)
            status = value;

    // Only the fields the agent changed are written, onto the row as the earlier steps of this
    // call left it: nothing they changed is written back, and a capture gone meanwhile is not
    // brought back.
    auto current = store_->capture(capture.id);
    if (!current)
        return ToolResult::failure("Capture " + capture.id + " no longer exists.");
    if (note)
        current->note = *note;
    if (priority)
        current->priority = *priority;
    if (groupID)
        current->groupID = groupID;
    store_->update(*current);
    if (status) {
        store_->setStatus(capture.id, *status, agent);
        labels.push_back("status \u2192 " + std::string(displayName(*status)));
    }
    if (tags) {
        store_->setTags(*tags, capture.id);
        labels.push_back("tags \u2192 " +
                         (tags->empty() ? std::string("(none)") : Format::join(*tags, ", ")));
    }

    if (labels.empty())
        return ToolResult::text("Nothing to change on [" + Format::shortID(capture) +
                                "] \u2014 the values already match.");
    auto detail = Format::join(labels, ", ");
    recordAgentActivity(capture, "updated", detail, agent);
    return ToolResult::text("Updated [" + Format::shortID(capture) + "]: " + detail + ".");
}

} // namespace tavro
