#pragma once

#include "JSONRPC.h"
#include "StdoutTransport.h"
#include "ToolRegistry.h"

#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <string>

namespace tavro {

class CaptureStore;

// One per process: reads requests line by line, answers each before reading the next, and
// keeps nothing from one request to the next.
class TavroMCPServer {
public:
    // Opens the library at `database` (creating it when needed); throws what the store throws.
    TavroMCPServer(int outputFd, const std::filesystem::path& database, std::string defaultAgent,
                   ToolRegistry::Clock clock = tavro::now);
    TavroMCPServer(int outputFd, std::shared_ptr<CaptureStore> store, std::string defaultAgent,
                   ToolRegistry::Clock clock = tavro::now);
    ~TavroMCPServer();
    TavroMCPServer(const TavroMCPServer&) = delete;
    TavroMCPServer& operator=(const TavroMCPServer&) = delete;

    // "TAVRO_AGENT" on one line, trimmed of spaces and tabs, or "agent" when unset or blank.
    static std::string defaultAgentName(const char* environmentValue);

    // Serves requests until the input ends or the client stops reading the replies.
    void run(std::istream& input);

    // One input line: blank lines are skipped, anything else is answered or dropped as the
    // method says.
    void handleLine(std::string_view line);

    // The reply a request gets, if any.
    std::optional<JSON> reply(const JSONRPC::Request& request) const;

    static const std::string& instructions();

private:
    JSON initializeResult(const JSON& params) const;
    JSON handleToolCall(const JSONRPC::Request& request) const;
    JSON handleResourcesList(const JSONRPC::Request& request) const;
    JSON handleResourceRead(const JSONRPC::Request& request) const;

    std::unique_ptr<StdoutTransport> transport_;
    std::shared_ptr<CaptureStore> store_;
    ToolRegistry tools_;
    ToolRegistry::Clock clock_;
};

} // namespace tavro
