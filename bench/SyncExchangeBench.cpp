// Sync passes of the real engine against the stand-in service on loopback: a large backlog of
// captures pushed, and screenshot files uploaded one at a time with the process's memory
// watched.
//
// Goals: 10,000 pending captures without screenshots acknowledged within two passes, 15 s of
// pass time in all; 1,000 screenshots (a 300 KB PNG and a 40 KB thumbnail each) uploaded in
// 30 s, the process's peak at most 50 MiB above what it held before; the 500 results of one
// reply applied within 50 ms; 10,000 captures pulled in at most 1.3 times what the same
// requests take replayed with plain HTTP against the same service; one reply of 100 MB pulled
// with the process's peak at most twice the reply above what it held before.
#include "files/LibraryFiles.h"
#include "ledger/SyncLedger.h"
#include "model/Uuid.h"
#include "sync/SyncEngine.h"

#include "EngineCalls.h"
#include "MemoryPeak.h"
#include "MemorySecrets.h"
#include "PlainHTTPClient.h"
#include "PullReplies.h"
#include "SyncService.h"
#include "SyntheticScreenshot.h"
#include "TempLibrary.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;
using Clock = std::chrono::steady_clock;

namespace {

// The curl transport, noting when each request went out and when its reply was in.
class TimedTransport final : public HttpTransport {
public:
    struct Call {
        std::string url;
        Clock::time_point sent, answered;
    };

    HttpResponse send(const HttpRequest& request, std::stop_token stop) override {
        const auto sent = Clock::now();
        auto response = inner_->send(request, stop);
        std::lock_guard lock(mutex_);
        calls_.push_back({request.url, sent, Clock::now()});
        return response;
    }
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override {
        return inner_->stream(request, onBody, stop);
    }
    std::vector<Call> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    std::shared_ptr<HttpTransport> inner_ = makeCurlTransport();
    std::mutex mutex_;
    std::vector<Call> calls_;
};

// A library signed in to a fresh stand-in, as after a sign-in, with a store of its own.
struct SignedInLibrary {
    TempLibrary library;
    SyncService service;
    std::shared_ptr<MemorySecrets> secrets = std::make_shared<MemorySecrets>();
    CaptureStore store{library.database(), std::make_shared<NullStoreChangeNotifier>()};
    SyncLedger ledger{store};

    SignedInLibrary() {
        store.setSyncMeta("user_id", SyncService::userID);
        store.setSyncMeta("default_workspace_id", SyncService::workspaceID);
        store.setSyncMeta("device_id", makeUUID());
        secrets->write(service.issueToken(), SecretStore::sessionAccount);
    }

    std::unique_ptr<SyncEngine>
    engine(std::shared_ptr<HttpTransport> transport = makeCurlTransport()) {
        return std::make_unique<SyncEngine>(
            SyncEngineConfig{.database = library.database(),
                             .baseURL = service.baseURL(),
                             .deviceName = "bench",
                             .appVersion = "bench",
                             .secrets = secrets,
                             .transport = std::move(transport),
                             .notifier = std::make_shared<NullStoreChangeNotifier>()});
    }

    std::int64_t count(const std::string& sql) {
        return store.db().query(sql).front().intValue("n").value_or(-1);
    }

    size_t requestsTo(std::string_view prefix, std::string_view method) {
        size_t n = 0;
        for (const auto& request : service.requests())
            n += request.path.starts_with(prefix) && request.method == method;
        return n;
    }

    Capture newCapture(int n) {
        Capture capture;
        capture.id = makeUUID();
        capture.createdAt = capture.updatedAt = now() - 100'000 + n;
        capture.note = "Capture " + std::to_string(n) + "\nSteps: open the cart, press Pay.";
        capture.appName = "Firefox";
        capture.windowTitle = "Cart";
        return capture;
    }
};

// Passes until nothing waits in `table` (at most `limit` of them); gives the seconds each took.
std::vector<double> passUntilPushed(SyncEngine& engine, SignedInLibrary& library,
                                    std::string_view table, int limit) {
    std::vector<double> seconds;
    while (int(seconds.size()) < limit && !library.ledger.pending(table, 1).empty()) {
        const auto start = Clock::now();
        syncNow(engine);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    return seconds;
}

void report(benchmark::State& state, const std::vector<double>& passes) {
    double total = 0;
    for (double pass : passes)
        total += pass;
    state.counters["passes"] = double(passes.size());
    state.counters["pass_s"] = total;
    state.SetIterationTime(total);
}

void BM_PushTenThousandCaptures(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SignedInLibrary library;
        library.store.db().transaction([&] {
            for (int i = 0; i < 10'000; ++i)
                library.store.insert(library.newCapture(i));
        });
        auto engine = library.engine();
        state.ResumeTiming();
        const auto passes = passUntilPushed(*engine, library, "captures", 4);
        state.PauseTiming();
        report(state, passes);
        state.counters["left"] = double(library.ledger.pending("captures", 20'000).size());
        state.counters["exchanges"] = double(library.requestsTo("/v1/sync", "POST"));
        state.counters["synced"] =
            double(library.count("SELECT COUNT(*) AS n FROM captures WHERE sync_state = 'synced'"));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PushTenThousandCaptures)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// One exchange of 200 groups, 200 captures and 100 comments: the time from the reply's arrival
// to the end of the pass is the results' (nothing is pulled: the service holds only these).
void BM_ApplyOneReplyOf500Results(benchmark::State& state) {
    for (auto _ : state) {
        SignedInLibrary library;
        library.store.db().transaction([&] {
            for (int i = 0; i < 200; ++i) {
                CaptureGroup group;
                group.id = makeUUID();
                group.name = "Group " + std::to_string(i);
                group.colorHex = "#5B8DEF";
                group.visibility = GroupVisibility::workspace;
                group.createdAt = group.updatedAt = now();
                library.store.upsertGroup(group);
                const auto capture = library.newCapture(i);
                library.store.insert(capture);
                if (i % 2 == 0)
                    library.store.addComment({.id = makeUUID(),
                                              .captureID = capture.id,
                                              .author = "you",
                                              .body = "Seen on the staging site too",
                                              .createdAt = now(),
                                              .kind = "comment"});
            }
        });
        auto transport = std::make_shared<TimedTransport>();
        auto engine = library.engine(transport);
        const auto start = Clock::now();
        syncNow(*engine);
        const auto end = Clock::now();

        std::optional<TimedTransport::Call> exchange;
        Clock::time_point before = start;
        for (const auto& call : transport->calls()) {
            if (call.url.ends_with("/v1/sync") && !exchange)
                exchange = call;
            else if (!exchange)
                before = call.answered;
        }
        if (!exchange) {
            state.SkipWithError("no exchange in the pass");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - exchange->answered).count());
        state.counters["collect_ms"] = milliseconds(exchange->sent - before);
        state.counters["request_ms"] = milliseconds(exchange->answered - exchange->sent);
        state.counters["results_ms"] = milliseconds(end - exchange->answered);
        state.counters["pass_ms"] = milliseconds(end - start);
        state.counters["left"] = double(
            library.count("SELECT (SELECT COUNT(*) FROM groups WHERE sync_state = 'pendingPush') "
                          "+ (SELECT COUNT(*) FROM captures WHERE sync_state = 'pendingPush') + "
                          "(SELECT COUNT(*) FROM comments WHERE sync_state = 'pendingPush') AS n"));
    }
}
BENCHMARK(BM_ApplyOneReplyOf500Results)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Gives every copy of a file bytes of its own, so the service holds none of them yet: a PNG
// text chunk after the header, a JPEG comment after the start marker.
std::vector<std::uint8_t> uniquePNG(const std::vector<std::uint8_t>& png, int n) {
    const std::string text = "Comment" + std::string(1, '\0') + "copy " + std::to_string(n);
    std::vector<std::uint8_t> chunk;
    auto put32 = [&](std::uint32_t value) {
        for (int shift : {24, 16, 8, 0})
            chunk.push_back(std::uint8_t(value >> shift));
    };
    put32(std::uint32_t(text.size()));
    const size_t typed = chunk.size();
    for (char c : std::string("tEXt") + text)
        chunk.push_back(std::uint8_t(c));
    std::uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = typed; i < chunk.size(); ++i) {
        crc ^= chunk[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    put32(crc ^ 0xFFFFFFFFu);
    std::vector<std::uint8_t> out(png.begin(), png.begin() + 33); // signature and IHDR
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), png.begin() + 33, png.end());
    return out;
}

std::vector<std::uint8_t> uniqueJPEG(const std::vector<std::uint8_t>& jpeg, int n) {
    const std::string text = "copy " + std::to_string(n);
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    const size_t length = text.size() + 2;
    out.insert(out.end(), {0xFF, 0xFE, std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), text.begin(), text.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

void writeInto(LibraryFiles::Folder folder, const std::string& name,
               const std::vector<std::uint8_t>& bytes) {
    const auto file = LibraryFiles::locate(folder, name);
    TavroPaths::ensureParentDirectory(*file);
    if (auto error = LibraryFiles::writeAtomically(*file, bytes))
        throw std::runtime_error(*error);
}

void BM_UploadThousandScreenshots(benchmark::State& state) {
    const auto screenshot = bench::syntheticScreenshot({2048, 1280});
    const auto png = *screenshot.encodePNG();
    const auto thumb = *screenshot.scaled({560, 350})->encodeJPEG(0.82);
    for (auto _ : state) {
        state.PauseTiming();
        SignedInLibrary library;
        library.store.db().transaction([&] {
            for (int i = 0; i < 1'000; ++i) {
                const auto capture = library.newCapture(i);
                library.store.insert(capture);
                CaptureImage image;
                image.id = makeUUID();
                image.captureID = capture.id;
                image.position = 0;
                image.createdAt = capture.createdAt;
                image.imagePath = LibraryFiles::originalName(image.id, image.createdAt);
                image.thumbPath = LibraryFiles::thumbnailName(image.id, image.createdAt);
                writeInto(LibraryFiles::Folder::captures, image.imagePath, uniquePNG(png, i));
                writeInto(LibraryFiles::Folder::thumbs, *image.thumbPath, uniqueJPEG(thumb, i));
                image.width = screenshot.width();
                image.height = screenshot.height();
                image.bytes = std::int64_t(png.size());
                library.store.addImage(image);
            }
        });
        auto engine = library.engine();
        const MemoryPeak peak;
        state.ResumeTiming();
        const auto passes = passUntilPushed(*engine, library, "capture_images", 10);
        state.PauseTiming();
        report(state, passes);
        state.counters["peak_above_MiB"] = peak.aboveStartMiB();
        state.counters["png_kB"] = double(png.size()) / 1024;
        state.counters["thumb_kB"] = double(thumb.size()) / 1024;
        state.counters["stored"] = double(library.requestsTo("/storage/", "PUT"));
        state.counters["left"] = double(library.ledger.pending("capture_images", 2'000).size());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UploadThousandScreenshots)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The curl transport, keeping every request it sent.
class RecordingTransport final : public HttpTransport {
public:
    HttpResponse send(const HttpRequest& request, std::stop_token stop) override {
        const auto start = Clock::now();
        auto response = inner_->send(request, stop);
        std::lock_guard lock(mutex_);
        sent_.push_back(request);
        waited_ += Clock::now() - start;
        return response;
    }
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override {
        return inner_->stream(request, onBody, stop);
    }
    std::vector<HttpRequest> sent() {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    // The time spent waiting on replies.
    double waited() {
        std::lock_guard lock(mutex_);
        return std::chrono::duration<double>(waited_).count();
    }

private:
    std::shared_ptr<HttpTransport> inner_ = makeCurlTransport();
    std::mutex mutex_;
    std::vector<HttpRequest> sent_;
    Clock::duration waited_{};
};

// Another device's 10,000 captures pulled through the engine, then the engine's requests sent
// again as they were, with plain HTTP and nothing done with the replies, to the same service.
void BM_PullTenThousandCaptures(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SignedInLibrary library;
        library.store.setSyncMeta("last_reconcile", formatISO8601(now()));
        for (int i = 0; i < 10'000; ++i) {
            const auto capture = library.newCapture(i);
            library.service.writeAsOtherDevice("captures",
                                               {{"id", capture.id},
                                                {"workspace_id", SyncService::workspaceID},
                                                {"note", capture.note},
                                                {"app_name", "Firefox"},
                                                {"window_title", "Cart"},
                                                {"status", "open"},
                                                {"priority", "normal"},
                                                {"capture_mode", "region"},
                                                {"created_at", formatISO8601(capture.createdAt)},
                                                {"updated_at", formatISO8601(capture.updatedAt)}});
        }
        const auto pulled = [&] {
            return library.count("SELECT COUNT(*) AS n FROM captures");
        };
        // A first pull, not measured, warms the service up as the replays later find it.
        for (int pass = 0; pass < 8 && pulled() < 10'000; ++pass)
            syncNow(*library.engine());

        // Rounds of the pull through the engine, each into a library that forgot what it had
        // pulled, then of the same requests replayed one after another on one kept-alive
        // connection of a plain client, each reply read whole (and through the engine's
        // transport, for what it adds). On a loaded machine the rounds side by side, and their
        // medians, keep the comparison fair.
        std::vector<double> engineRounds, replayRounds, transportRounds, waitedRounds;
        size_t requestCount = 0;
        for (int round = 0; round < 3; ++round) {
            library.store.db().execute("DELETE FROM captures;");
            library.store.setSyncMeta("cursor", "0");
            auto transport = std::make_shared<RecordingTransport>();
            auto engine = library.engine(transport);
            const auto start = Clock::now();
            for (int pass = 0; pass < 8 && pulled() < 10'000; ++pass)
                syncNow(*engine);
            engineRounds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
            engine.reset();
            waitedRounds.push_back(transport->waited());

            const auto requests = transport->sent();
            requestCount = requests.size();
            const auto replay = [&](auto&& send) {
                const auto replayStart = Clock::now();
                for (const auto& request : requests)
                    send(request);
                return std::chrono::duration<double>(Clock::now() - replayStart).count();
            };
            bench::PlainHTTPClient plain(library.service.port());
            replayRounds.push_back(replay([&](const HttpRequest& r) { plain.send(r); }));
            std::thread([&] {
                auto curl = makeCurlTransport();
                transportRounds.push_back(replay([&](const HttpRequest& r) { curl->send(r); }));
            }).join();
        }
        const double engineSeconds = median(engineRounds);
        const double replaySeconds = median(replayRounds);

        state.SetIterationTime(engineSeconds);
        state.counters["engine_s"] = engineSeconds;
        state.counters["replay_s"] = replaySeconds;
        state.counters["transport_replay_s"] = median(transportRounds);
        state.counters["engine_requests_s"] = median(waitedRounds);
        state.counters["ratio"] = engineSeconds / replaySeconds;
        state.counters["requests"] = double(requestCount);
        state.counters["pulled"] = double(pulled());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PullTenThousandCaptures)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// One reply of 100 MB of captures (argument 0) or of group members, the smallest rows (1),
// pulled and applied in one pass: the process's peak above what it held before, against the
// reply's size.
void BM_PullOneReplyOf100MB(benchmark::State& state) {
    const auto reply = state.range(0) == 0 ? &capturePullReply : &memberPullReply;
    for (auto _ : state) {
        state.PauseTiming();
        SignedInLibrary library;
        library.store.setSyncMeta("last_reconcile", formatISO8601(now()));
        double replyMiB = 0;
        {
            const std::string body = reply(100'000'000);
            library.service.inject({.route = "/v1/sync", .status = 200, .rawBody = body});
            replyMiB = double(body.size()) / (1 << 20);
        }
        auto engine = library.engine();
        const MemoryPeak peak;
        state.ResumeTiming();
        const auto start = Clock::now();
        syncNow(*engine);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        state.PauseTiming();
        state.counters["reply_MiB"] = replyMiB;
        state.counters["peak_above_MiB"] = peak.aboveStartMiB();
        state.counters["peak_per_reply"] = peak.aboveStartMiB() / replyMiB;
        state.counters["pulled"] =
            double(library.count("SELECT (SELECT COUNT(*) FROM captures) + (SELECT COUNT(*) "
                                 "FROM group_members) AS n"));
        engine.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PullOneReplyOf100MB)
    ->ArgName("small_rows")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Sign-out asked while a pass waits on a request the service holds: the time until the call
// returns, and until its completion reports the session ended and the account forgotten.
void BM_SignOutDuringAHeldPass(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SignedInLibrary library;
        library.store.setSyncMeta("last_reconcile", formatISO8601(now()));
        auto engine = library.engine();
        syncNow(*engine);
        library.service.inject({.route = "/v1/sync", .hold = true});
        engine->syncNow(nullptr);
        while (library.service.held("/v1/sync") == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::promise<void> done;
        state.ResumeTiming();
        const auto start = Clock::now();
        engine->signOut([&](std::exception_ptr) { done.set_value(); });
        const auto returned = Clock::now();
        done.get_future().wait();
        const auto completed = Clock::now();
        state.PauseTiming();
        state.SetIterationTime(std::chrono::duration<double>(returned - start).count());
        state.counters["return_ms"] = milliseconds(returned - start);
        state.counters["complete_ms"] = milliseconds(completed - start);
        library.service.clearFaults();
        engine.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SignOutDuringAHeldPass)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
