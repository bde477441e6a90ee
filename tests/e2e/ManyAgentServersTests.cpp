// Many tavro-mcp processes writing one library at the same moment, as when every agent of a
// busy machine works the same board.
#include "TempLibrary.h"
#include "WaitUntil.h"
#include "model/Paths.h"
#include "store/CaptureStore.h"
#include "store/Database.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

namespace {

constexpr int servers = 128;
// Unoptimised under AddressSanitizer each call holds the lock several times as long, and the
// crowd's last writer would wait past its bound on a busy machine: fewer calls each keep the
// crowd as large and the run about as long as the optimised one's.
#ifdef __SANITIZE_ADDRESS__
constexpr int callsEach = 2;
#else
constexpr int callsEach = 5;
#endif
constexpr int captures = 8;

std::string captureID(int n) {
    char id[64];
    std::snprintf(id, sizeof id, "c%07d-0000-4000-8000-%012d", n, n);
    return id;
}

// The tool calls of one server, each under an agent name of its own so that what it left in
// the library can be told apart: the call and the history entry it must have left.
struct Call {
    std::string agent;
    std::string tool;
    nlohmann::json arguments;
    std::string historyKind;
    bool comments;
};

std::vector<Call> callsOf(int server) {
    std::vector<Call> calls;
    for (int k = 0; k < callsEach; ++k) {
        const std::string agent = "agent-" + std::to_string(server) + "-" + std::to_string(k);
        const std::string id = captureID((server + k) % captures + 1);
        switch (k % 5) {
        case 0:
            calls.push_back({agent,
                             "update_capture",
                             {{"note", "Note by " + agent},
                              {"tags", {"t" + std::to_string(server % 7)}},
                              {"group", "Group " + std::to_string(server % 3)},
                              {"status", k % 2 ? "resolved" : "in_progress"}},
                             "updated",
                             false});
            break;
        case 1:
            calls.push_back(
                {agent, "comment_on_capture", {{"body", "Seen by " + agent}}, "commented", true});
            break;
        case 2:
            calls.push_back({agent, "claim_capture", nlohmann::json::object(), "claimed", false});
            break;
        case 3:
            calls.push_back({agent,
                             "resolve_capture",
                             {{"reference", agent}, {"comment", "Fixed by " + agent}},
                             "resolved",
                             true});
            break;
        default:
            calls.push_back({agent,
                             "reopen_capture",
                             {{"comment", "Reopened by " + agent}},
                             "status_changed",
                             true});
            break;
        }
        calls.back().arguments["id"] = id;
        calls.back().arguments["agent"] = agent;
    }
    return calls;
}

std::string requestsOf(const std::vector<Call>& calls) {
    std::string text;
    for (size_t i = 0; i < calls.size(); ++i)
        text +=
            nlohmann::json{{"jsonrpc", "2.0"},
                           {"id", i},
                           {"method", "tools/call"},
                           {"params", {{"name", calls[i].tool}, {"arguments", calls[i].arguments}}}}
                .dump() +
            "\n";
    return text;
}

struct Server {
    pid_t pid = -1;
    int input = -1;
    fs::path out;
    fs::path err;
};

// Started with its standard input a pipe, so that every server is running before any of them
// is given work; replies go to a file.
Server start(const fs::path& out, const fs::path& err) {
    int in[2];
    if (pipe2(in, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        execl(TAVRO_MCP, TAVRO_MCP, nullptr);
        _exit(127);
    }
    close(in[0]);
    close(outFd);
    close(errFd);
    return {pid, in[1], out, err};
}

std::vector<nlohmann::json> repliesIn(const fs::path& file) {
    std::vector<nlohmann::json> replies;
    std::istringstream lines(readFile(file));
    for (std::string line; std::getline(lines, line);)
        replies.push_back(nlohmann::json::parse(line, nullptr, false));
    return replies;
}

} // namespace

// Each write waits its turn however many others want the lock and however long one holds it, so
// every call is answered as done, and each one left its history entry (and its comment, where it
// makes one).
TEST(ManyAgentServers, WritingOneLibraryAtOnceLoseNothing) {
    TempLibrary library;
    // No bus: 128 servers posting store-changed signals is not what this is about.
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    {
        CaptureStore store(TavroPaths::databasePath(), defaultStoreChangeNotifier());
        for (int n = 1; n <= captures; ++n)
            store.insert(Capture{.id = captureID(n),
                                 .createdAt = now(),
                                 .updatedAt = now(),
                                 .note = "Capture " + std::to_string(n),
                                 .captureMode = CaptureMode::text});
    }
    TempFolder logs;
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<Server> started;
    std::vector<std::vector<Call>> calls;
    for (int s = 0; s < servers; ++s) {
        const auto name = std::to_string(s);
        started.push_back(start(logs.path() / (name + ".out"), logs.path() / (name + ".err")));
        calls.push_back(callsOf(s));
    }
    // All of them serving at once, each with the library open.
    ASSERT_TRUE(waitUntil(
        [&] {
            return std::ranges::all_of(started, [](const Server& server) {
                return readFile(server.err).find("ready") != std::string::npos;
            });
        },
        std::chrono::minutes(2)))
        << "not every server started";
    // Another program holds the write lock past one busy wait (5 s) while every server is given
    // its work: all of them wait behind it, then write at once the moment it is free.
    Database holder{TavroPaths::databasePath()};
    holder.executeRaw("BEGIN IMMEDIATE TRANSACTION;");
    const auto heldSince = std::chrono::steady_clock::now();
    for (int s = 0; s < servers; ++s) {
        const std::string requests = requestsOf(calls[s]);
        EXPECT_EQ(write(started[s].input, requests.data(), requests.size()),
                  ssize_t(requests.size()));
        close(started[s].input);
    }
    // How long the lock is held is the case itself, not a wait for something.
    std::this_thread::sleep_until(heldSince + std::chrono::milliseconds(5600));
    holder.executeRaw("COMMIT;");
    // Each server ends once its input is done; one still running long after is stuck, and is
    // stopped so that the test reports it rather than hangs.
    std::map<pid_t, int> ended;
    const bool allEnded = waitUntil(
        [&] {
            for (const auto& server : started)
                if (int status = 0;
                    !ended.contains(server.pid) && waitpid(server.pid, &status, WNOHANG) > 0)
                    ended[server.pid] = status;
            return ended.size() == started.size();
        },
        std::chrono::minutes(4));
    for (const auto& server : started)
        if (!ended.contains(server.pid)) {
            kill(server.pid, SIGKILL);
            waitpid(server.pid, nullptr, 0);
        }
    ASSERT_TRUE(allEnded) << started.size() - ended.size() << " servers still running";
    for (const auto& [pid, status] : ended)
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    CaptureStore store(TavroPaths::databasePath(), defaultStoreChangeNotifier());
    std::map<std::string, std::multiset<std::string>> historyBy;
    std::map<std::string, int> commentsBy;
    for (int n = 1; n <= captures; ++n) {
        for (const auto& event : store.activity(captureID(n)))
            historyBy[event.actor].insert(event.kind);
        for (const auto& comment : store.comments(captureID(n)))
            ++commentsBy[comment.author];
    }
    int failures = 0;
    for (int s = 0; s < servers; ++s) {
        const auto replies = repliesIn(started[s].out);
        ASSERT_EQ(replies.size(), calls[s].size()) << "server " << s << " left calls unanswered";
        for (size_t i = 0; i < replies.size(); ++i) {
            const auto& call = calls[s][i];
            const auto& result = replies[i]["result"];
            if (result.value("isError", true)) {
                ++failures;
                ADD_FAILURE() << call.agent << " " << call.tool << ": " << result.dump();
                continue;
            }
            EXPECT_EQ(historyBy[call.agent].count(call.historyKind), 1u)
                << call.agent << " " << call.tool;
            EXPECT_EQ(commentsBy[call.agent], call.comments ? 1 : 0)
                << call.agent << " " << call.tool;
        }
    }
    EXPECT_EQ(failures, 0);
}
