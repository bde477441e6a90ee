#include "Diagnostics.h"
#include "Formatting.h"
#include "ImageEncoder.h"
#include "TavroMCPServer.h"
#include "ToolArguments.h"
#include "model/Text.h"
#include "store/CaptureStore.h"

#include <array>

namespace tavro {

namespace {

constexpr std::array<std::string_view, 3> supportedProtocolVersions{"2025-06-18", "2025-03-26",
                                                                    "2024-11-05"};
constexpr std::string_view resourcePrefix = "tavro://capture/";
constexpr int resourceImageEdge = 1400;
constexpr std::int64_t resourceLimit = 100;

std::string resourceDescription(const Capture& capture) {
    std::string description;
    if (capture.appName)
        description += "Seen in " + *capture.appName + " \u00B7 ";
    if (capture.windowTitle)
        description += "\u201C" + *capture.windowTitle + "\u201D \u00B7 ";
    return description + std::string(Format::statusTag(capture.status));
}

} // namespace

const std::string& TavroMCPServer::instructions() {
    static const std::string text =
        "Tavro is the user's visual bug board. Most entries are a screenshot they took of "
        "something wrong in a UI, plus a note about what is wrong and the app, window and URL it "
        "was seen in. Some are text-only issues they typed without taking a screenshot; those "
        "still record the app they were filed from.\n\n"
        "Start with list_captures to see what is open, or list_groups when you want to take on a "
        "whole topic at once \u2014 captures are filed into groups like \"design panel\" or "
        "\"checkout flow\", and related bugs are usually best fixed together. Call get_capture to "
        "actually look at a screenshot before you reason about the bug: the image is the primary "
        "evidence and the note alone is usually not enough. A capture may hold several "
        "screenshots, and the user may have drawn on them \u2014 arrows, boxes, or blurred-out "
        "regions \u2014 so treat those marks as them pointing directly at the problem.\n\n"
        "When you work on one: claim_capture first so the user can see it is being handled, "
        "comment_on_capture with your diagnosis, then resolve_capture with the commit or PR that "
        "fixed it. Do not resolve anything you have not actually fixed.";
    return text;
}

JSON TavroMCPServer::initializeResult(const JSON& params) const {
    std::string version(supportedProtocolVersions.front());
    if (auto asked = ToolArguments::string(params, "protocolVersion")) {
        for (auto supported : supportedProtocolVersions)
            if (*asked == supported)
                version = *asked;
    }
    return JSON{
        {"protocolVersion", version},
        {"capabilities",
         {{"tools", {{"listChanged", false}}},
          {"resources", {{"subscribe", false}, {"listChanged", false}}}}},
        {"serverInfo", {{"name", "tavro"}, {"version", "1.0.0"}}},
        {"instructions", instructions()},
    };
}

JSON TavroMCPServer::handleToolCall(const JSONRPC::Request& request) const {
    auto name = ToolArguments::string(request.params, "name");
    if (!name)
        return JSONRPC::error(request.id, JSONRPC::ErrorCode::invalidParams,
                              "tools/call requires a `name`.");
    JSON arguments = JSON::object();
    if (auto it = request.params.find("arguments"); it != request.params.end() && it->is_object())
        arguments = *it;
    return JSONRPC::result(request.id, tools_.call(*name, arguments).toJSON());
}

JSON TavroMCPServer::handleResourcesList(const JSONRPC::Request& request) const {
    std::vector<Capture> captures;
    try {
        CaptureQuery query;
        query.statuses = std::vector<CaptureStatus>(activeStatuses.begin(), activeStatuses.end());
        query.limit = resourceLimit;
        query.newestFirst = true;
        captures = store_->captures(query);
    } catch (const std::exception& error) {
        return JSONRPC::error(request.id, JSONRPC::ErrorCode::internalError,
                              "Could not list captures: " + diagnostics::plainMessage(error));
    }
    JSON resources = JSON::array();
    for (const auto& capture : captures)
        resources.push_back({
            {"uri", std::string(resourcePrefix) + capture.id},
            {"name", text::withoutControlCharacters(capture.title())},
            {"description", text::withoutControlCharacters(resourceDescription(capture))},
            {"mimeType", capture.imagePath.empty() ? "text/plain" : "image/png"},
        });
    return JSONRPC::result(request.id, JSON{{"resources", std::move(resources)}});
}

JSON TavroMCPServer::handleResourceRead(const JSONRPC::Request& request) const {
    auto uri = ToolArguments::string(request.params, "uri");
    std::string id;
    if (uri) {
        auto last = uri->rfind(resourcePrefix);
        id = last == std::string::npos ? *uri : uri->substr(last + resourcePrefix.size());
    }
    if (id.empty())
        return JSONRPC::error(request.id, JSONRPC::ErrorCode::invalidParams,
                              "Expected a tavro://capture/<id> uri.");

    JSON contents = JSON::array();
    std::optional<Capture> capture;
    try {
        if (auto fullID = store_->resolveCaptureID(id))
            capture = store_->capture(*fullID);
        if (!capture)
            return JSONRPC::error(request.id, JSONRPC::ErrorCode::invalidParams,
                                  "No capture at " + *uri + ".");
        std::optional<std::string> groupName;
        if (capture->groupID)
            if (auto group = store_->group(*capture->groupID))
                groupName = group->name;
        auto tags = store_->tags(capture->id);
        auto comments = store_->comments(capture->id);
        auto activity = store_->activity(capture->id);
        auto images = store_->images(capture->id, CaptureStore::MarkupRead::head);
        contents.push_back(
            {{"uri", *uri},
             {"mimeType", "text/plain"},
             {"text", text::withoutControlCharacters(Format::detail(
                          *capture, groupName, tags, comments, activity, images, clock_()))}});
    } catch (const std::exception& error) {
        return JSONRPC::error(request.id, JSONRPC::ErrorCode::internalError,
                              "Could not read " + *uri + ": " + diagnostics::plainMessage(error));
    }

    if (!capture->imagePath.empty()) {
        auto file = capture->imageFilePath();
        auto prepared =
            file ? ImageEncoder::prepare(*file, resourceImageEdge) : ImageEncoder::Prepared{};
        using Status = ImageEncoder::Prepared::Status;
        const auto path = ImageEncoder::shownPath(file, capture->imagePath);
        if (prepared.status == Status::unreadable)
            diagnostics::log("could not read image at " + path);
        else if (prepared.status == Status::tooLarge)
            diagnostics::log(ImageEncoder::tooLargeDiagnostic(path, prepared.declared));
        else if (prepared.status == Status::ready)
            contents.push_back(
                {{"uri", *uri}, {"mimeType", "image/png"}, {"blob", prepared.base64PNG}});
    }
    return JSONRPC::result(request.id, JSON{{"contents", std::move(contents)}});
}

} // namespace tavro
