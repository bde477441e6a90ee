#include "ToolRegistry.h"

#include "Diagnostics.h"
#include "ToolArguments.h"
#include "model/Text.h"
#include "store/CaptureStore.h"

#include <array>

namespace tavro {

namespace {

// Carries a failure reply out of a tool's transaction, which it rolls back on the way.
struct Refusal {
    ToolResult reply;
};

} // namespace

ToolRegistry::ToolRegistry(std::shared_ptr<CaptureStore> store, std::string defaultAgent,
                           Clock clock)
    : store_(std::move(store))
    , defaultAgent_(std::move(defaultAgent))
    , clock_(clock ? std::move(clock) : Clock(tavro::now)) {}

ToolResult ToolRegistry::call(std::string_view name, const JSON& arguments) const {
    using Operation = ToolResult (*)(const ToolRegistry&, const JSON&);
    struct Entry {
        std::string_view name;
        Operation run;
        bool changesTheBoard = false;
    };
    static constexpr std::array<Entry, 9> tools{{
        {"list_captures",
         [](const ToolRegistry& r, const JSON& a) {
             return r.listCaptures(a);
         }},
        {"get_capture",
         [](const ToolRegistry& r, const JSON& a) {
             return r.getCapture(a);
         }},
        {"claim_capture", [](const ToolRegistry& r, const JSON& a) { return r.claimCapture(a); },
         true},
        {"comment_on_capture",
         [](const ToolRegistry& r, const JSON& a) { return r.commentOnCapture(a); }, true},
        {"resolve_capture",
         [](const ToolRegistry& r, const JSON& a) { return r.resolveCapture(a); }, true},
        {"reopen_capture", [](const ToolRegistry& r, const JSON& a) { return r.reopenCapture(a); },
         true},
        {"update_capture", [](const ToolRegistry& r, const JSON& a) { return r.updateCapture(a); },
         true},
        {"list_groups",
         [](const ToolRegistry& r, const JSON&) {
             return r.listGroups();
         }},
        {"capture_stats",
         [](const ToolRegistry& r, const JSON&) {
             return r.captureStats();
         }},
    }};
    for (const auto& tool : tools) {
        if (tool.name != name)
            continue;
        try {
            if (!tool.changesTheBoard)
                return tool.run(*this, arguments);
            // The whole call is one transaction: every change of it lands, or none does and
            // the reply says why, so an agent that tries again never doubles what landed.
            return store_->db().transaction([&] {
                ToolResult reply = tool.run(*this, arguments);
                if (reply.isError)
                    throw Refusal{std::move(reply)};
                return reply;
            });
        } catch (Refusal& refusal) {
            return std::move(refusal.reply);
        } catch (const std::exception& error) {
            diagnostics::log("tool " + std::string(name) +
                             " failed: " + diagnostics::describe(error));
            std::string reply = "Tavro failed to run " + std::string(name) + ": " +
                                diagnostics::plainMessage(error);
            if (tool.changesTheBoard)
                reply += " Nothing was changed.";
            return ToolResult::failure(std::move(reply));
        }
    }
    return ToolResult::failure("Unknown tool: " + std::string(name));
}

std::string ToolRegistry::actor(const JSON& arguments) const {
    if (auto agent = ToolArguments::string(arguments, "agent")) {
        auto name = text::trimmed(text::singleLine(*agent), text::Whitespace::Horizontal);
        if (!name.empty())
            return name;
    }
    return defaultAgent_;
}

ToolRegistry::Resolution ToolRegistry::resolve(const JSON& arguments) const {
    std::string reference;
    if (auto id = ToolArguments::string(arguments, "id"))
        reference = text::trimmed(*id, text::Whitespace::Horizontal);
    if (reference.empty())
        return ToolResult::failure("Missing required parameter `id`.");
    auto fullID = store_->resolveCaptureID(reference);
    if (!fullID)
        return ToolResult::failure(
            "No capture matches id \u201C" + reference +
            "\u201D. It may have been deleted, or the prefix may match more than one capture "
            "\u2014 call list_captures to see current ids.");
    auto capture = store_->capture(*fullID);
    if (!capture)
        return ToolResult::failure("Capture " + reference + " no longer exists.");
    return *capture;
}

std::optional<std::string> ToolRegistry::groupName(const Capture& capture) const {
    if (!capture.groupID)
        return std::nullopt;
    auto group = store_->group(*capture.groupID);
    if (!group)
        return std::nullopt;
    return group->name;
}

} // namespace tavro
