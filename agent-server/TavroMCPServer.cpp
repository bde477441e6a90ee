#include "TavroMCPServer.h"

#include "Diagnostics.h"
#include "RequestLines.h"
#include "model/Paths.h"
#include "model/Text.h"
#include "store/CaptureStore.h"

namespace tavro {

TavroMCPServer::TavroMCPServer(int outputFd, const std::filesystem::path& database,
                               std::string defaultAgent, ToolRegistry::Clock clock)
    : TavroMCPServer(outputFd,
                     std::make_shared<CaptureStore>(database, defaultStoreChangeNotifier()),
                     std::move(defaultAgent), std::move(clock)) {}

TavroMCPServer::TavroMCPServer(int outputFd, std::shared_ptr<CaptureStore> store,
                               std::string defaultAgent, ToolRegistry::Clock clock)
    : transport_(std::make_unique<StdoutTransport>(outputFd))
    , store_(std::move(store))
    , tools_(store_, std::move(defaultAgent), clock)
    , clock_(clock ? std::move(clock) : ToolRegistry::Clock(tavro::now)) {}

TavroMCPServer::~TavroMCPServer() = default;

std::string TavroMCPServer::defaultAgentName(const char* environmentValue) {
    if (environmentValue) {
        auto name = text::trimmed(text::singleLine(environmentValue), text::Whitespace::Horizontal);
        if (!name.empty())
            return name;
    }
    return "agent";
}

void TavroMCPServer::run(std::istream& input) {
    if (store_->legacyMove() == TavroPaths::LegacyMove::leftInPlace)
        diagnostics::log(TavroPaths::legacyLibraryLeftNotice());
    diagnostics::log("ready \u2014 library at " + store_->db().file().string());
    RequestLines lines(input);
    while (auto line = lines.next()) {
        // A client that has gone reads no reply: the requests it left queued are dropped.
        if (transport_->readerGone()) {
            diagnostics::log("stdout closed \u2014 exiting");
            return;
        }
        if (!line->overlong) {
            handleLine(line->text);
            continue;
        }
        diagnostics::log("refused a message longer than " + std::to_string(lines.limit()) +
                         " bytes");
        transport_->send(JSONRPC::error(line->id, JSONRPC::ErrorCode::invalidRequest,
                                        "Message too long: a request takes at most " +
                                            std::to_string(lines.limit() >> 20) + " MiB."));
    }
    diagnostics::log("stdin closed \u2014 exiting");
}

void TavroMCPServer::handleLine(std::string_view line) {
    if (text::isBlank(text::validUTF8(line), text::Whitespace::AndNewlines))
        return;
    auto request = JSONRPC::parse(line);
    if (!request) {
        transport_->send(JSONRPC::error(JSON(nullptr), JSONRPC::ErrorCode::parseError,
                                        "Malformed JSON-RPC message."));
        return;
    }
    std::optional<JSON> message;
    try {
        message = reply(*request);
    } catch (const std::exception& error) {
        // Whatever goes wrong, the client is answered rather than left waiting.
        diagnostics::log(request->method + " failed: " + diagnostics::describe(error));
        message = JSONRPC::error(request->id, JSONRPC::ErrorCode::internalError,
                                 diagnostics::plainMessage(error));
    }
    if (message)
        transport_->send(*message);
}

std::optional<JSON> TavroMCPServer::reply(const JSONRPC::Request& request) const {
    const auto& method = request.method;
    const auto& id = request.id;
    if (method == "initialize")
        return JSONRPC::result(id, initializeResult(request.params));
    if (method == "notifications/initialized" || method == "notifications/cancelled")
        return std::nullopt;
    if (method == "ping")
        return JSONRPC::result(id, JSON::object());
    if (method == "tools/list")
        return JSONRPC::result(id, JSON{{"tools", ToolRegistry::definitions()}});
    if (method == "tools/call")
        return handleToolCall(request);
    if (method == "resources/list")
        return handleResourcesList(request);
    if (method == "resources/read")
        return handleResourceRead(request);
    if (method == "prompts/list")
        return JSONRPC::result(id, JSON{{"prompts", JSON::array()}});
    if (!id)
        return std::nullopt;
    return JSONRPC::error(id, JSONRPC::ErrorCode::methodNotFound, "Unsupported method: " + method);
}

} // namespace tavro
