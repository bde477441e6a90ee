// The behaviour that belongs to the tavro-mcp process: framing on its real standard streams,
// diagnostics, exit status, and start-up failures.
#include "ProcessRunner.h"
#include "SilentBus.h"
#include "TempLibrary.h"
#include "WaitUntil.h"
#include "model/Paths.h"
#include "store/CaptureStore.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

namespace {

const std::string ready = "[tavro-mcp] ready \u2014 library at ";
const std::string exiting = "[tavro-mcp] stdin closed \u2014 exiting\n";

ProcessResult serve(const std::string& input) {
    return ProcessRunner::run({TAVRO_MCP}, input);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// Standard output carries protocol messages alone: every line one JSON object.
void expectOnlyMessages(const std::string& out) {
    for (const auto& line : lines(out)) {
        auto message = nlohmann::json::parse(line, nullptr, false);
        EXPECT_TRUE(message.is_object()) << line;
    }
    EXPECT_TRUE(out.empty() || out.back() == '\n');
}

std::string addCapture(const std::string& note) {
    CaptureStore store(TavroPaths::databasePath(), defaultStoreChangeNotifier());
    Capture capture{.id = "0c0ffee0-1111-4222-8333-444455556666",
                    .createdAt = now(),
                    .updatedAt = now(),
                    .note = note,
                    .captureMode = CaptureMode::text};
    store.insert(capture);
    return capture.id;
}

std::string toolCall(const std::string& name, const nlohmann::json& arguments, int id = 1) {
    return nlohmann::json{{"jsonrpc", "2.0"},
                          {"id", id},
                          {"method", "tools/call"},
                          {"params", {{"name", name}, {"arguments", arguments}}}}
               .dump() +
           "\n";
}

std::string firstText(const std::string& replyLine) {
    return nlohmann::json::parse(replyLine)["result"]["content"][0]["text"].get<std::string>();
}

struct RunningServer {
    pid_t pid = -1;
    int input = -1;
    int output = -1;
};

// tavro-mcp with pipes on both ends and standard error in `errFile`.
RunningServer startServer(const fs::path& errFile) {
    // Writing to a server that has ended must fail, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, 2);
        execl(TAVRO_MCP, TAVRO_MCP, nullptr);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    return {pid, in[1], out[0]};
}

} // namespace

TEST(AgentServerProcess, AnswersLineByLineAndExitsAtTheEndOfInput) {
    TempLibrary library;
    const std::string input = "\n"
                              "   \t\r\n"
                              "\r\n"
                              "[1,2]\n"
                              "42\n"
                              "hello\n"
                              R"({"jsonrpc":"2.0","method":"ping"})"
                              "\n"
                              R"({"jsonrpc":"2.0","id":7,"method":"notifications/initialized"})"
                              "\n"
                              R"({"jsonrpc":"2.0","id":8,"method":"notifications/cancelled"})"
                              "\n"
                              R"({"jsonrpc":"2.0","method":"foo/bar"})"
                              "\n"
                              R"({"jsonrpc":"2.0","id":3,"method":"foo/bar"})"
                              "\n"
                              R"({"id":"r1","method":"ping","params":[1]})"
                              "\n"
                              R"({"id":null,"method":"ping"})"
                              "\n"
                              R"({"id":1.5,"method":"ping"})"
                              "\n"
                              R"({"id":{"x":1},"method":"ping"})"
                              "\n"
                              R"({"method":5})"
                              "\n"
                              R"({"id":1})"
                              "\n"
                              R"({"id":9,"method":"prompts/list"})"
                              "\r\n"
                              R"({"id":10,"method":"resources/templates/list"})"
                              "\n"
                              R"({"id":11,"method":"ping"})";
    const std::string malformed =
        R"({"error":{"code":-32700,"message":"Malformed JSON-RPC message."},"id":null,"jsonrpc":"2.0"})"
        "\n";
    auto result = serve(input);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(
        result.out,
        malformed + malformed + malformed +
            R"({"id":null,"jsonrpc":"2.0","result":{}})"
            "\n"
            R"({"error":{"code":-32601,"message":"Unsupported method: foo/bar"},"id":3,"jsonrpc":"2.0"})"
            "\n"
            R"({"id":"r1","jsonrpc":"2.0","result":{}})"
            "\n"
            R"({"id":null,"jsonrpc":"2.0","result":{}})"
            "\n"
            R"({"id":1.5,"jsonrpc":"2.0","result":{}})"
            "\n"
            R"({"id":{"x":1},"jsonrpc":"2.0","result":{}})"
            "\n" +
            malformed + malformed +
            R"({"id":9,"jsonrpc":"2.0","result":{"prompts":[]}})"
            "\n"
            R"({"error":{"code":-32601,"message":"Unsupported method: resources/templates/list"},"id":10,"jsonrpc":"2.0"})"
            "\n"
            R"({"id":11,"jsonrpc":"2.0","result":{}})"
            "\n");
    EXPECT_EQ(result.err, ready + library.database().string() + "\n" + exiting);
}

TEST(AgentServerProcess, TwoRequestsThenEndOfInput) {
    TempLibrary library;
    auto result = serve(R"({"id":1,"method":"ping"})"
                        "\n"
                        R"({"id":2,"method":"tools/list"})"
                        "\n");
    EXPECT_EQ(result.exitCode, 0);
    auto replies = lines(result.out);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0], R"({"id":1,"jsonrpc":"2.0","result":{}})");
    EXPECT_EQ(nlohmann::json::parse(replies[1])["result"]["tools"].size(), 9u);
    EXPECT_TRUE(result.err.ends_with(exiting));
}

TEST(AgentServerProcess, DefaultAgentNameComesFromTheEnvironment) {
    struct Case {
        std::optional<std::string> value;
        std::string agent;
    };
    const Case cases[] = {
        {"  claude\t", "claude"}, {"   ", "agent"}, {std::nullopt, "agent"}, {"", "agent"}};
    for (const auto& c : cases) {
        TempLibrary library;
        ScopedEnv agent("TAVRO_AGENT", c.value);
        auto id = addCapture("Login button is cut off");
        auto result = serve(toolCall("claim_capture", {{"id", id}}));
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(firstText(result.out),
                  "Claimed [0c0ffee0] \u201CLogin button is cut off\u201D as " + c.agent +
                      ". Status is now IN-PROGRESS.");
    }
}

// The store-changed signal must never hold up a reply: otherwise the first write is committed,
// its reply never comes, and a client that retries adds the comment twice.
TEST(AgentServerProcess, ABusThatNeverAnswersHoldsUpNoReply) {
    TempLibrary library;
    auto id = addCapture("Login button is cut off");
    MuteBus bus;
    ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", bus.address());
    auto result = ProcessRunner::run(
        {"/usr/bin/timeout", "20", TAVRO_MCP},
        toolCall("comment_on_capture", {{"id", id}, {"body", "first"}, {"agent", "claude"}}) +
            toolCall("comment_on_capture", {{"id", id}, {"body", "second"}, {"agent", "claude"}},
                     2));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto replies = lines(result.out);
    ASSERT_EQ(replies.size(), 2u);
    for (const auto& reply : replies)
        EXPECT_EQ(firstText(reply),
                  "Comment added to [0c0ffee0] \u201CLogin button is cut off\u201D as claude.");
    CaptureStore store(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    EXPECT_EQ(store.comments(id).size(), 2u);
}

TEST(AgentServerProcess, TextThatIsNotUTF8StillGetsAReply) {
    TempLibrary library;
    auto id = addCapture("placeholder");
    {
        CaptureStore store(TavroPaths::databasePath(), defaultStoreChangeNotifier());
        store.db().execute("UPDATE captures SET note = CAST(? AS TEXT), app_name = ? WHERE id = ?;",
                           {std::string("Broken \xFF\xFE note"), std::string("App\xC3"), id});
    }
    auto result = serve(toolCall("list_captures", nlohmann::json::object()) +
                        toolCall("get_capture", {{"id", id}}, 2));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    expectOnlyMessages(result.out);
    auto replies = lines(result.out);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_NE(firstText(replies[0]).find("Broken \uFFFD\uFFFD note"), std::string::npos);
    EXPECT_NE(firstText(replies[1]).find("App: App\uFFFD"), std::string::npos);
}

TEST(AgentServerProcess, DeeplyNestedInputIsAMalformedMessage) {
    TempLibrary library;
    const std::string deep = std::string(1000000, '[') + std::string(1000000, ']');
    auto result = serve(
        R"({"id":)" + deep + R"(,"method":"ping"})" + "\n" +
        R"({"id":2,"method":"ping","params":{"a":)" + deep + "}}\n" +
        R"({"id":3,"method":"tools/call","params":{"name":"list_captures","arguments":{"x":[[]]}}})"
        "\n" +
        R"({"id":4,"method":"tools/call","params":{"name":"list_captures","arguments":{"x":)" +
        deep + "}}}\n" + std::string(1000000, '{') + "\n" + R"({"id":5,"method":"ping"})" + "\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string malformed =
        R"({"error":{"code":-32700,"message":"Malformed JSON-RPC message."},"id":null,"jsonrpc":"2.0"})";
    auto replies = lines(result.out);
    ASSERT_EQ(replies.size(), 6u);
    EXPECT_EQ(replies[0], malformed);
    EXPECT_EQ(replies[1], malformed);
    EXPECT_EQ(nlohmann::json::parse(replies[2])["result"]["isError"], false);
    EXPECT_EQ(replies[3], malformed);
    EXPECT_EQ(replies[4], malformed);
    EXPECT_EQ(replies[5], R"({"id":5,"jsonrpc":"2.0","result":{}})");
}

// The former product's library stays where it is when the new folder already holds the user's
// files; the agent server says so instead of starting on an empty board without a word.
TEST(AgentServerProcess, ALegacyLibraryLeftInPlaceIsSaidOnStandardError) {
    TempFolder folder;
    ScopedEnv home("HOME", folder.path().string());
    ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    ScopedEnv tavroHome("TAVRO_HOME", std::nullopt);
    const auto legacy = folder.path() / ".local/share/Koldar";
    const auto library = folder.path() / ".local/share/Tavro";
    writeFile(legacy / "koldar.sqlite", "");
    writeFile(library / "notes.txt", "mine");
    auto result = serve(R"({"id":1,"method":"ping"})"
                        "\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(lines(result.err).at(0),
              "[tavro-mcp] The library of the former release at " + legacy.string() +
                  " was not moved into " + library.string() +
                  ", which already holds files of yours. Move those files elsewhere and start "
                  "Tavro again to bring the old library over.");
    EXPECT_TRUE(fs::exists(legacy / "koldar.sqlite"));
    EXPECT_EQ(readFile(library / "notes.txt"), "mine");
}

TEST(AgentServerProcess, FatalStartUpWritesThreeLinesAndNothingToStandardOutput) {
    // Each case breaks a library inside a fresh folder and returns the library folder.
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& folder)> breakLibrary;
        std::string whatToDo;
    };
    const Case cases[] = {
        {"library folder cannot be created",
         [](const fs::path& folder) {
             writeFile(folder / "blocker", "x");
             return folder / "blocker" / "Library";
         },
         "Launch the Tavro app once to create it, then reconnect this MCP server."},
        // What is there is not the app's to make: the line says what is wrong with it.
        {"database is a folder",
         [](const fs::path& folder) {
             fs::create_directories(folder / "Library" / "tavro.sqlite");
             return folder / "Library";
         },
         "There is a folder where its database file should be. Move the folder away, then "
         "reconnect this MCP server."},
        {"database is not a database",
         [](const fs::path& folder) {
             writeFile(folder / "Library" / "tavro.sqlite", std::string(4096, 'x'));
             return folder / "Library";
         },
         "The file there is not a Tavro database, or it is damaged. Move it away to start a new "
         "library, or put a good copy in its place, then reconnect this MCP server."},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        fs::path home = c.breakLibrary(folder.path());
        ScopedEnv env("TAVRO_HOME", home.string());
        auto result = serve(R"({"id":1,"method":"ping"})"
                            "\n");
        EXPECT_EQ(result.exitCode, 1) << c.name;
        EXPECT_EQ(result.out, "") << c.name;
        auto err = lines(result.err);
        ASSERT_EQ(err.size(), 3u) << c.name << "\n" << result.err;
        EXPECT_TRUE(err[0].starts_with("[tavro-mcp] fatal: ")) << err[0];
        EXPECT_EQ(err[1],
                  "Tavro could not open its library at " + (home / "tavro.sqlite").string() + ".");
        EXPECT_EQ(err[2], c.whatToDo) << c.name;
    }
}

TEST(AgentServerProcess, AClosedStandardOutputCostsRepliesNotTheProcess) {
    TempLibrary library;
    TempFolder errFolder;
    auto errFile = errFolder.path() / "err";
    // Standard output is a pipe whose reader has gone.
    auto server = startServer(errFile);
    close(server.output);
    std::string input = R"({"id":1,"method":"ping"})"
                        "\n"
                        R"({"id":2,"method":"ping"})"
                        "\n";
    ASSERT_EQ(write(server.input, input.data(), input.size()), ssize_t(input.size()));
    close(server.input);
    int status = 0;
    waitpid(server.pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    auto err = lines(readFile(errFile));
    ASSERT_EQ(err.size(), 2u) << readFile(errFile);
    EXPECT_EQ(err[1], "[tavro-mcp] stdout closed \u2014 exiting");
}

// A client that has gone reads no more replies: the server stops, and the requests still queued
// on its input are dropped undone, rather than run one by one for no one.
TEST(AgentServerProcess, AClientThatStopsReadingEndsTheServerAndItsQueue) {
    TempLibrary library;
    auto id = addCapture("Login button is cut off");
    TempFolder errFolder;
    auto errFile = errFolder.path() / "err";
    auto server = startServer(errFile);
    // One answered request: the server is serving.
    const std::string ping = R"({"id":1,"method":"ping"})"
                             "\n";
    ASSERT_EQ(write(server.input, ping.data(), ping.size()), ssize_t(ping.size()));
    char reply[256];
    ASSERT_GT(read(server.output, reply, sizeof reply), 0);
    close(server.output);
    std::string queued;
    for (int i = 0; i < 50; ++i)
        queued += toolCall("comment_on_capture", {{"id", id}, {"body", "queued"}}, i + 2);
    ASSERT_EQ(write(server.input, queued.data(), queued.size()), ssize_t(queued.size()));
    // Standard input stays open: only the closed output tells the server its client is gone.
    int status = 0;
    const bool ended =
        waitUntil([&] { return waitpid(server.pid, &status, WNOHANG) == server.pid; },
                  std::chrono::seconds(20));
    close(server.input);
    if (!ended) {
        kill(server.pid, SIGKILL);
        waitpid(server.pid, &status, 0);
    }
    ASSERT_TRUE(ended) << "still serving a client that has gone";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    CaptureStore store(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    EXPECT_TRUE(store.comments(id).empty()) << "a queued request was run";
    EXPECT_TRUE(readFile(errFile).ends_with("[tavro-mcp] stdout closed \u2014 exiting\n"))
        << readFile(errFile);
}

TEST(AgentServerProcess, RefusesAnOverlongMessageAndServesTheNextOne) {
    TempLibrary library;
    const std::string body(9u << 20, 'x');
    const std::string overlong =
        R"({"jsonrpc":"2.0","id":5,"method":"tools/call","params":{"name":"comment_on_capture",)"
        R"("arguments":{"body":")" +
        body + "\"}}}\n";
    auto result = serve(overlong +
                        R"({"jsonrpc":"2.0","id":6,"method":"ping"})"
                        "\n" +
                        body);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(
        result.out,
        R"({"error":{"code":-32600,"message":"Message too long: a request takes at most 8 MiB."},"id":5,"jsonrpc":"2.0"})"
        "\n"
        R"({"id":6,"jsonrpc":"2.0","result":{}})"
        "\n"
        R"({"error":{"code":-32600,"message":"Message too long: a request takes at most 8 MiB."},"id":null,"jsonrpc":"2.0"})"
        "\n");
}
