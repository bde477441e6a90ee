#include "Diagnostics.h"
#include "Formatting.h"
#include "ImageEncoder.h"
#include "ToolArguments.h"
#include "ToolRegistry.h"
#include "model/LibraryOpen.h"
#include "model/Text.h"
#include "store/CaptureStore.h"

#include <algorithm>

namespace tavro {

namespace {

constexpr size_t maxIDs = 6;
constexpr int maxImages = 8;
constexpr std::int64_t defaultEdge = 1400;
constexpr std::int64_t minEdge = 200;
constexpr std::int64_t maxEdge = 4000;

std::string missingFile(const std::string& path) {
    return "\u26A0\uFE0E A screenshot file is missing at " + path + ".";
}

std::string refusedFile(const std::string& path, const std::string& link) {
    return "\u26A0\uFE0E A screenshot file is refused at " + path + ": " +
           TavroPaths::refusedLinkText(link) + ".";
}

std::string tooLargeFile(const std::string& path, DeclaredSize size) {
    return "\u26A0\uFE0E A screenshot file is too large to decode at " + path + " (" +
           ImageEncoder::tooLargeReason(size) + ").";
}

} // namespace

ToolResult ToolRegistry::getCapture(const JSON& arguments) const {
    std::vector<std::string> requested;
    if (auto ids = ToolArguments::stringList(arguments, "ids"))
        requested = *ids;
    else if (auto id = ToolArguments::string(arguments, "id"))
        requested = {*id};
    std::vector<std::string> ids;
    for (const auto& id : requested)
        if (auto trimmed = text::trimmed(id, text::Whitespace::Horizontal); !trimmed.empty())
            ids.push_back(trimmed);
    if (ids.empty())
        return ToolResult::failure("Pass `id` (one capture) or `ids` (up to 6).");
    if (ids.size() > maxIDs)
        return ToolResult::failure("get_capture takes at most 6 ids at a time; you passed " +
                                   std::to_string(ids.size()) + ".");

    bool includeImage = ToolArguments::boolean(arguments, "include_image").value_or(true);
    int edge =
        int(std::clamp(ToolArguments::integer(arguments, "max_image_edge").value_or(defaultEdge),
                       minEdge, maxEdge));
    Seconds now = clock_();
    int attached = 0;
    ToolResult result;
    std::vector<std::string> unresolved;

    for (const auto& id : ids) {
        std::optional<Capture> capture;
        if (auto fullID = store_->resolveCaptureID(id))
            capture = store_->capture(*fullID);
        if (!capture) {
            unresolved.push_back(id);
            continue;
        }
        auto images = store_->images(capture->id, CaptureStore::MarkupRead::head);
        result.content.push_back(ToolResult::textBlock(Format::detail(
            *capture, groupName(*capture), store_->tags(capture->id), store_->comments(capture->id),
            store_->activity(capture->id), images, now)));
        if (!includeImage)
            continue;

        using Status = ImageEncoder::Prepared::Status;
        const size_t n = images.size();
        for (size_t i = 0; i < n; ++i) {
            if (attached >= maxImages) {
                result.content.push_back(ToolResult::textBlock(
                    "(" + std::to_string(n - i) +
                    " more screenshot(s) on this capture not attached \u2014 ask for this "
                    "capture on its own to see them.)"));
                break;
            }
            if (n >= 2)
                result.content.push_back(ToolResult::textBlock(
                    "Screenshot " + std::to_string(i + 1) + " of " + std::to_string(n) +
                    (Format::hasAnnotations(images[i]) ? " \u2014 marked up by the user" : "")));
            auto file = images[i].displayFilePath();
            auto path = ImageEncoder::shownPath(file, images[i].displayPath());
            auto prepared = file ? ImageEncoder::prepare(*file, edge) : ImageEncoder::Prepared{};
            if (prepared.status == Status::linkRefused) {
                diagnostics::log(ImageEncoder::refusedDiagnostic(path, prepared.link));
                result.content.push_back(ToolResult::textBlock(refusedFile(path, prepared.link)));
                continue;
            }
            if (prepared.status == Status::tooLarge) {
                diagnostics::log(ImageEncoder::tooLargeDiagnostic(path, prepared.declared));
                result.content.push_back(
                    ToolResult::textBlock(tooLargeFile(path, prepared.declared)));
                continue;
            }
            if (prepared.status != Status::ready) {
                if (prepared.status == Status::unreadable)
                    diagnostics::log("could not read image at " + path);
                result.content.push_back(ToolResult::textBlock(missingFile(path)));
                continue;
            }
            result.content.push_back(ToolResult::imageBlock(std::move(prepared.base64PNG)));
            ++attached;
        }
        if (n == 0 && !capture->imagePath.empty()) {
            // A capture from before screenshot rows existed: its cover is its only image.
            auto file = capture->imageFilePath();
            auto prepared = file ? ImageEncoder::prepare(*file, edge) : ImageEncoder::Prepared{};
            const auto path = ImageEncoder::shownPath(file, capture->imagePath);
            if (prepared.status == Status::unreadable)
                diagnostics::log("could not read image at " + path);
            if (prepared.status == Status::linkRefused)
                diagnostics::log(ImageEncoder::refusedDiagnostic(path, prepared.link));
            if (prepared.status == Status::tooLarge)
                diagnostics::log(ImageEncoder::tooLargeDiagnostic(path, prepared.declared));
            if (prepared.status == Status::ready) {
                result.content.push_back(ToolResult::imageBlock(std::move(prepared.base64PNG)));
                ++attached;
            }
        }
    }
    if (!unresolved.empty())
        result.content.push_back(
            ToolResult::textBlock("Could not resolve: " + Format::join(unresolved, ", ") +
                                  ". Call list_captures for current ids."));
    return result;
}

} // namespace tavro
