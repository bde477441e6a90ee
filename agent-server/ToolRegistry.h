#pragma once

#include "JSONRPC.h"
#include "ToolResult.h"
#include "model/Capture.h"
#include "model/Time.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace tavro {

class CaptureStore;

// The nine tools an agent works the board with, over one open store.
class ToolRegistry {
public:
    // The time that relative texts ("3h ago") are measured from.
    using Clock = std::function<Seconds()>;

    ToolRegistry(std::shared_ptr<CaptureStore> store, std::string defaultAgent,
                 Clock clock = tavro::now);

    // The tool definitions "tools/list" publishes, in their fixed order.
    static const JSON& definitions();

    // Runs one tool. Never throws: an unknown name, unusable arguments and store errors all come
    // back as a failure result.
    ToolResult call(std::string_view name, const JSON& arguments) const;

    const std::string& defaultAgent() const { return defaultAgent_; }

private:
    // The capture the "id" argument names, or the failure result to answer with.
    using Resolution = std::variant<Capture, ToolResult>;

    Resolution resolve(const JSON& arguments) const;
    std::string actor(const JSON& arguments) const;
    std::optional<std::string> groupName(const Capture& capture) const;

    ToolResult listCaptures(const JSON& arguments) const;
    ToolResult listGroups() const;
    ToolResult captureStats() const;
    ToolResult getCapture(const JSON& arguments) const;
    ToolResult claimCapture(const JSON& arguments) const;
    std::string claimAndDescribe(const std::string& id, const std::string& who) const;
    ToolResult commentOnCapture(const JSON& arguments) const;
    ToolResult resolveCapture(const JSON& arguments) const;
    ToolResult reopenCapture(const JSON& arguments) const;
    ToolResult updateCapture(const JSON& arguments) const;

    void addAgentComment(const Capture& capture, const std::string& agent,
                         const std::string& body) const;
    void recordAgentActivity(const Capture& capture, std::string_view kind, std::string_view detail,
                             const std::string& agent) const;

    std::shared_ptr<CaptureStore> store_;
    std::string defaultAgent_;
    Clock clock_;
};

} // namespace tavro
