#include "board/CaptureCardContent.h"

#include "ui/RelativeTime.h"
#include "ui/ShownText.h"
#include "values/Utf8.h"

namespace tavro {

namespace {

QString picturePath(const BoardCapture& capture) {
    if (!capture.hasImage())
        return {};
    const auto path = capture.thumbPath ? capture.thumbFilePath() : capture.imageFilePath();
    return path ? toQString(path->string()) : QString();
}

std::optional<GroupChipContent> chip(const std::optional<CaptureGroup>& group) {
    if (!group)
        return std::nullopt;
    return GroupChipContent{shownName(toQString(group->name)), group->colorHex};
}

std::vector<QString> firstTags(const std::vector<std::string>& tags) {
    std::vector<QString> shown;
    for (size_t i = 0; i < tags.size() && i < 2; ++i)
        shown.push_back(shownName(toQString(tags[i])));
    return shown;
}

std::optional<std::int64_t> atLeast(std::int64_t value, std::int64_t least) {
    return value >= least ? std::optional(value) : std::nullopt;
}

QString appName(const BoardCapture& capture) {
    return shownName(toQString(capture.appName.value_or(CardTexts::unknownApp)));
}

} // namespace

Icon symbol(CardAction action) {
    return action == CardAction::resolve ? Icon::checkmark : Icon::trash;
}

QString helpText(CardAction action) {
    return QString::fromUtf8(action == CardAction::resolve ? CardTexts::markResolved
                                                           : CardTexts::remove);
}

bool CaptureCardContent::hasMetaLine() const {
    return group || !tags.empty() || commentCount || claimedByAgent || assignee;
}

CaptureCardContent cardContent(const BoardCapture& capture,
                               const std::optional<CaptureGroup>& group,
                               const std::vector<std::string>& tags, std::int64_t commentCount,
                               std::int64_t imageCount, const std::optional<Person>& assignee,
                               Seconds now) {
    CaptureCardContent content;
    content.captureID = capture.id;
    content.hasImage = capture.hasImage();
    content.picturePath = picturePath(capture);
    content.title = toQString(capture.title());
    content.noteBody = toQString(capture.noteBody());
    content.status = capture.status;
    content.priority = capture.priority;
    content.imageCountBadge = atLeast(imageCount, 2);
    content.noScreenshotBadge = !capture.hasImage();
    content.appBundleID = capture.appBundleID;
    content.appName = appName(capture);
    content.age = RelativeTime::string(capture.createdAt, now);
    content.group = chip(group);
    content.tags = firstTags(tags);
    content.assignee = assignee;
    content.claimedByAgent = capture.claimedBy.has_value();
    content.commentCount = atLeast(commentCount, 1);
    if (capture.status != CaptureStatus::resolved)
        content.hoverActions.push_back(CardAction::resolve);
    content.hoverActions.push_back(CardAction::remove);
    return content;
}

CaptureRowContent rowContent(const BoardCapture& capture, const std::optional<CaptureGroup>& group,
                             const std::vector<std::string>& tags, std::int64_t commentCount,
                             Seconds now) {
    CaptureRowContent content;
    content.captureID = capture.id;
    content.hasImage = capture.hasImage();
    content.picturePath = picturePath(capture);
    content.title = toQString(capture.title());
    content.appBundleID = capture.appBundleID;
    content.appName = appName(capture);
    if (const auto window = capture.distinctWindowTitle())
        content.windowTitle = shownName(toQString(*window));
    content.group = chip(group);
    content.tags = firstTags(tags);
    content.commentCount = atLeast(commentCount, 1);
    content.priority = capture.priority;
    content.status = capture.status;
    content.age = RelativeTime::string(capture.createdAt, now);
    return content;
}

} // namespace tavro
