// Screenshot files to and from the loopback stand-in of the service, hostile replies included.
#include "CountingNotifier.h"
#include "SyncService.h"
#include "TempLibrary.h"
#include "ledger/SyncLedger.h"
#include "model/Paths.h"
#include "sync/ContentHash.h"
#include "sync/ScreenshotBlobs.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tavro;
using namespace tavro::test;
using namespace std::string_literals;
using nlohmann::json;
using Fault = SyncService::Fault;
using Bytes = std::optional<std::string>;

namespace {

const std::string png = "\x89PNG\r\n\x1a\n original", jpeg = "\xFF\xD8\xFF marked";
const std::string webp = "RIFF\x04\0\0\0WEBPVP8 "s;
const std::string ws = SyncService::workspaceID;

std::string tail(const std::string& id) {
    return id.substr(id.size() - 8);
}
Bytes sha(const Bytes& bytes) {
    return bytes ? Bytes(ContentHash::sha256(*bytes)) : std::nullopt;
}

struct ScreenshotBlobsTest : ::testing::Test {
    TempLibrary library;
    SyncService service;
    CaptureStore store{library.database(), std::make_shared<CountingNotifier>()};
    SyncLedger ledger{store};
    SyncClient client{service.baseURL(),
                      service.issueToken(),
                      makeCurlTransport(),
                      {.requestIdle = std::chrono::milliseconds(500)}};
    Seconds clock = 1'800'000'000;
    ScreenshotBlobs blobs{ledger, client, [this] {
                              return clock;
                          }};
    int made = 0;

    // A screenshot of a new capture, with the files given written in place.
    CaptureImage local(const Bytes& marked, const Bytes& thumb, bool shared = true) {
        const std::string id = "screenshot-" + std::to_string(++made);
        store.insert({.id = "cap-" + id,
                      .workspaceID = shared ? Bytes(ws) : std::nullopt,
                      .localOnly = !shared});
        CaptureImage image{.id = id, .captureID = "cap-" + id, .imagePath = "01/" + id + ".png"};
        writeFile(TavroPaths::capturesRoot() / image.imagePath, png);
        if (marked)
            writeFile(TavroPaths::capturesRoot() /
                          *(image.annotatedPath = "01/" + id + "-marked.jpg"),
                      *marked);
        if (thumb)
            writeFile(TavroPaths::thumbsRoot() / *(image.thumbPath = "01/" + id + ".jpg"), *thumb);
        return store.addImage(image);
    }

    // A screenshot another device made, its files on the service unless `stored` is false.
    CaptureImage pulled(const std::string& original, const Bytes& marked = {},
                        const Bytes& thumb = {}, bool stored = true) {
        const std::string id = "screenshot-" + std::to_string(++made);
        ledger.applyRemoteCapture({{"id", "cap-" + id}, {"workspace_id", ws}});
        const auto hash = [&](const Bytes& bytes) {
            return bytes ? json(stored ? service.storeBlob(*bytes) : *sha(bytes)) : json();
        };
        ledger.applyRemoteImage({{"id", id},
                                 {"capture_id", "cap-" + id},
                                 {"original_sha256", hash(original)},
                                 {"marked_sha256", hash(marked)},
                                 {"thumb_sha256", hash(thumb)},
                                 {"created_at", formatISO8601(1'768'089'600 + made)}});
        return *ledger.rawImage(id);
    }

    size_t logged(const std::string& start) {
        size_t n = 0;
        for (const auto& line : store.syncLog(1000))
            n += line.message.starts_with(start);
        return n;
    }
    size_t requestsTo(std::string_view prefix) {
        size_t n = 0;
        for (const auto& request : service.requests())
            n += request.path.starts_with(prefix);
        return n;
    }
    // The lines logged after each try: at once, then 29, 30, 89 and 90 s after the first.
    std::vector<size_t> backoffSteps(const std::function<void()>& attempt,
                                     const std::string& line) {
        std::vector<size_t> lines;
        for (Seconds advance : {0, 29, 1, 59, 1}) {
            clock += advance;
            attempt();
            blobs.logPassFailures();
            lines.push_back(logged(line));
        }
        return lines;
    }
    void restartService() {
        service.control("reset");
        client.setToken(service.issueToken());
    }
};

const std::vector<size_t> loggedOncePerStep = {1, 1, 2, 2, 3};

} // namespace

TEST_F(ScreenshotBlobsTest, UploadsTheFilesTheServiceLacksAndRecordsTheirHashes) {
    struct Case {
        std::string name;
        Bytes marked, thumb;
        bool shared, rowKnowsOriginal;
        std::vector<std::string> asked; // content types of the uploads asked for
    };
    const std::vector<Case> cases = {
        {"all three files", jpeg, jpeg, true, false, {"image/png", "image/jpeg", "image/jpeg"}},
        {"only an original, stale hashes of the others", {}, {}, true, false, {"image/png"}},
        {"an original the row knows", {}, {}, true, true, {}},
        {"a capture in no workspace", jpeg, jpeg, false, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.clearRequests();
        const std::string id = local(c.marked, c.thumb, c.shared).id;
        store.db().execute("UPDATE capture_images SET original_sha256 = ?, marked_sha256 = 'old', "
                           "thumb_sha256 = 'old' WHERE id = ?;",
                           {c.rowKnowsOriginal ? *sha(png) : "old", id});
        const CaptureImage before = *ledger.rawImage(id);
        blobs.ensureBlobs(before);

        std::vector<std::string> asked;
        for (const auto& request : service.requests())
            if (request.path == "/v1/uploads")
                asked.push_back(json::parse(request.body).at("content_type"));
        EXPECT_EQ(asked, c.asked);
        const CaptureImage after = *ledger.rawImage(id);
        EXPECT_EQ(std::tuple(after.originalSHA256, after.markedSHA256, after.thumbSHA256),
                  c.shared
                      ? std::tuple(sha(png), sha(c.marked), sha(c.thumb))
                      : std::tuple(before.originalSHA256, before.markedSHA256, before.thumbSHA256));
    }
    EXPECT_EQ(service.inspect("state").at("blobs").size(), 2u); // the PNG and the JPEG, once each
}

TEST_F(ScreenshotBlobsTest, AScreenshotThatFailsToUploadWaitsLongerEachTimeAndLogsOncePerWait) {
    const auto outside = library.root().parent_path() / "outside.png";
    writeFile(outside, "private");
    const auto ticket = [&](Fault fault) {
        fault.count = -1;
        return [this, fault](CaptureImage&) {
            service.inject(fault);
        };
    };
    const auto ticketBody = [&](json body) {
        return ticket({.route = "/v1/uploads", .status = 200, .body = body});
    };
    struct Case {
        std::string name;
        std::function<void(CaptureImage&)> spoil;
        bool asks = true; // the service is asked for a ticket
    };
    const std::vector<Case> cases = {
        {"a missing file", [](CaptureImage& i) { std::filesystem::remove(*i.originalFilePath()); },
         false},
        {"a path that climbs out", [](CaptureImage& i) { i.imagePath = "../../outside.png"; },
         false},
        {"an absolute path", [&](CaptureImage& i) { i.imagePath = outside.string(); }, false},
        {"a ticket to a missing host", ticketBody({{"url", "http://127.0.0.1:1/put"}})},
        {"a file:// ticket", ticketBody({{"url", "file://" + outside.string()}})},
        {"NaN in the ticket", ticketBody("{\"url\": NaN}")},
        {"a ticket that is not UTF-8",
         ticket({.route = "/v1/uploads", .status = 200, .rawBody = "{\"url\": \"http://\xff/\"}"})},
        {"storage that refuses the bytes", ticket({.route = "/storage/*", .status = 500})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restartService();
        CaptureImage image = local({}, {});
        c.spoil(image);
        const auto attempt = [&] {
            EXPECT_THROW(blobs.ensureBlobs(image), BlobsDeferred);
        };
        EXPECT_EQ(backoffSteps(attempt, "Image " + tail(image.id) + " skipped: "),
                  loggedOncePerStep);
        EXPECT_EQ(requestsTo("/v1/uploads"), c.asks ? 3u : 0u);
        EXPECT_EQ(ledger.rawImage(image.id)->originalSHA256, std::nullopt);
        EXPECT_TRUE(service.inspect("state").at("blobs").empty());
    }
    EXPECT_EQ(readFile(outside), "private");
}

TEST_F(ScreenshotBlobsTest, DownloadsPulledFilesIntoTheLibraryAndMakesThemTheCover) {
    struct Case {
        std::string name, original;
        Bytes marked, thumb;
        std::string cover;
    };
    const std::vector<Case> cases = {
        {"all three files", png, jpeg, jpeg, "-marked.jpg"},
        {"a marked hash that is the original's", webp, webp, {}, ".webp"},
        {"an unknown kind, taken for PNG", "GIF89a", {}, png, ".png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CaptureImage image = pulled(c.original, c.marked, c.thumb);
        ASSERT_TRUE(blobs.downloadPendingImages());
        const CaptureImage after = *ledger.rawImage(image.id);
        EXPECT_EQ(readFile(*after.originalFilePath()), c.original);
        EXPECT_EQ(after.annotatedPath ? Bytes(readFile(*after.displayFilePath())) : std::nullopt,
                  c.marked == c.original ? std::nullopt : c.marked);
        EXPECT_EQ(after.thumbPath ? Bytes(readFile(*after.thumbFilePath())) : std::nullopt,
                  c.thumb);
        EXPECT_EQ(store.rawCapture(image.captureID)->imagePath, "2026/01/" + image.id + c.cover);
    }
    EXPECT_FALSE(blobs.downloadPendingImages());
}

TEST_F(ScreenshotBlobsTest, AScreenshotThatFailsToDownloadWaitsItsTurnWhileTheOthersArrive) {
    const auto location = [](json body) {
        return [body](const std::string& sha) {
            return Fault{
                .route = "/v1/blobs/" + ws + "/" + sha, .status = 200, .body = body, .count = -1};
        };
    };
    const auto redirectedToAFile = [](const std::string& route, int status) {
        return [route, status](const std::string& sha) {
            return Fault{.route = route + sha,
                         .status = status,
                         .headers = {{"Location", "file:///etc/passwd"}},
                         .count = -1};
        };
    };
    const std::vector<std::pair<std::string, std::function<Fault(const std::string&)>>> cases = {
        {"a file the service lacks", {}},
        {"bytes that don't match their hash",
         [](const std::string& sha) {
             return Fault{.route = "/storage/" + ws + "/" + sha,
                          .status = 200,
                          .body = "other",
                          .count = -1};
         }},
        {"a file:// location", location({{"url", "file:///etc/passwd"}})},
        {"a location that redirects to a file", redirectedToAFile("/storage/" + ws + "/", 302)},
        {"a location asked for that redirects to a file",
         redirectedToAFile("/v1/blobs/" + ws + "/", 307)},
        {"a location on a missing host", location({{"url", "http://127.0.0.1:1/blob"}})},
        {"NaN for the location", location("{\"url\": NaN}")},
    };
    for (const auto& [name, fault] : cases) {
        SCOPED_TRACE(name);
        const CaptureImage good = pulled(png);
        const CaptureImage bad = pulled(jpeg, {}, {}, fault != nullptr);
        if (fault)
            service.inject(fault(*bad.originalSHA256));
        std::vector<bool> tried;
        const auto attempt = [&] {
            tried.push_back(blobs.downloadPendingImages());
        };
        EXPECT_EQ(backoffSteps(attempt, "Download for image " + tail(bad.id) + " failed: "),
                  loggedOncePerStep);
        EXPECT_EQ(tried, (std::vector<bool>{true, false, true, false, true}));
        EXPECT_FALSE(ledger.rawImage(good.id)->imagePath.empty());
        EXPECT_TRUE(ledger.rawImage(bad.id)->imagePath.empty());
        ledger.dropCapture(bad.captureID);
        restartService();
    }
    // Nothing landed beside the library, whatever the service named.
    EXPECT_EQ(filesUnder(library.root().parent_path()), filesUnder(library.root()));
}

TEST_F(ScreenshotBlobsTest, IdsThatWouldNameFilesOutsideTheLibraryFetchNothing) {
    const std::string blob = service.storeBlob(png);
    ledger.applyRemoteCapture({{"id", "cap-hostile"}, {"workspace_id", ws}});
    for (const std::string id : {"../../evil", "/tmp/evil", "a/../../evil", "evil\xff"}) {
        SCOPED_TRACE(id);
        // As the service would send it, and as another program could have written it.
        ledger.applyRemoteImage(
            {{"id", id}, {"capture_id", "cap-hostile"}, {"original_sha256", blob}});
        store.db().execute("INSERT OR IGNORE INTO capture_images (id, capture_id, position, "
                           "image_path, created_at, original_sha256, sync_state) VALUES "
                           "(?, 'cap-hostile', 0, '', 0, ?, 'synced');",
                           {id, blob});
        EXPECT_FALSE(blobs.downloadPendingImages());
    }
    EXPECT_EQ(requestsTo("/v1/blobs/"), 0u);
    EXPECT_EQ(filesUnder(library.root().parent_path()), filesUnder(library.root()));
    EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 0u);
}

TEST_F(ScreenshotBlobsTest, ScreenshotsWaitingOutFailuresLeaveTheirPlacesInARun) {
    const CaptureImage oldest = pulled(png);
    for (int i = 0; i < 31; ++i)
        pulled("missing " + std::to_string(i), {}, {}, false);
    EXPECT_TRUE(blobs.downloadPendingImages()); // the 30 newest fail
    blobs.logPassFailures();
    EXPECT_EQ(logged("Download for image "), 1u);
    EXPECT_NE(store.syncLog(1).at(0).message.find(" (29 more downloads failed this pass)"),
              std::string::npos)
        << store.syncLog(1).at(0).message;
    EXPECT_TRUE(blobs.downloadPendingImages()); // the 31st fails, the oldest arrives
    blobs.logPassFailures();
    EXPECT_EQ(logged("Download for image "), 2u);
    EXPECT_EQ(store.syncLog(1).at(0).message.find(" more "), std::string::npos);
    EXPECT_FALSE(ledger.rawImage(oldest.id)->imagePath.empty());
    EXPECT_FALSE(blobs.downloadPendingImages());
}

TEST_F(ScreenshotBlobsTest, GoingOfflineOrAnExpiredSessionEndsTheRunAndKeepsWhatArrived) {
    for (const auto& [fault, code] : std::vector<std::pair<Fault, SyncError::Code>>{
             {{.route = "/v1/blobs/*", .status = 401}, SyncError::Code::unauthorized},
             {{.route = "/v1/blobs/*", .hang = 2}, SyncError::Code::offline}}) {
        const CaptureImage older = pulled(png), newer = pulled(jpeg);
        service.inject({.route = "/v1/blobs/*"}); // the newer one goes through
        service.inject(fault);
        try {
            blobs.downloadPendingImages();
            ADD_FAILURE() << "the run went on";
        } catch (const SyncError& error) {
            EXPECT_EQ(error.code(), code);
        }
        EXPECT_FALSE(ledger.rawImage(newer.id)->imagePath.empty());
        EXPECT_TRUE(ledger.rawImage(older.id)->imagePath.empty());
        EXPECT_EQ(logged("Download for image "), 0u);
        ledger.dropCapture(older.captureID);
        restartService();
    }
}

TEST_F(ScreenshotBlobsTest, EachFailureDoublesTheWaitUpToAnHourAndOutlivesTheProcess) {
    const CaptureImage image = local({}, {});
    BlobFailures failures(ledger, SyncLedger::Transfer::upload);
    std::vector<Seconds> waits;
    for (int i = 0; i < 9; ++i)
        waits.push_back(failures.failed(image.id, "shape", 100));
    EXPECT_EQ(waits, (std::vector<Seconds>{30, 60, 120, 240, 480, 960, 1920, 3600, 3600}));
    // A changed screenshot, or a clock set back, does not wait.
    const auto waitingThen = [&](const BlobFailures& seen) {
        return std::tuple(
            seen.waiting(image.id, "shape", 3699), seen.waiting(image.id, "shape", 3700),
            seen.waiting(image.id, "other", 200), seen.waiting(image.id, "shape", -1e9));
    };
    EXPECT_EQ(waitingThen(failures), std::tuple(true, false, false, false));
    // The next process over the library finds the same waits; a download's is its own.
    CaptureStore later(library.database(), std::make_shared<CountingNotifier>());
    SyncLedger laterLedger(later);
    EXPECT_EQ(waitingThen(BlobFailures(laterLedger, SyncLedger::Transfer::upload)),
              std::tuple(true, false, false, false));
    EXPECT_FALSE(
        BlobFailures(laterLedger, SyncLedger::Transfer::download).waiting(image.id, "shape", 200));
    EXPECT_EQ(failures.size(), 1u);
    // A screenshot that is gone, or that no longer waits to be pushed, is not counted.
    store.db().execute("UPDATE capture_images SET sync_state = 'synced' WHERE id = ?;", {image.id});
    EXPECT_EQ(failures.size(), 0u);
    store.db().execute("DELETE FROM captures WHERE id = ?;", {image.captureID});
    failures.failed(image.id, "shape", 100);
    EXPECT_FALSE(failures.waiting(image.id, "shape", 101));
}

// After a restart, screenshots still waiting out a failure are neither tried nor logged again,
// and a pass's failures make one line.
TEST_F(ScreenshotBlobsTest, ARestartWaitsOutEarlierFailuresAndAPassLogsOneLine) {
    std::vector<CaptureImage> images;
    for (int i = 0; i < 3; ++i) {
        images.push_back(local({}, {}));
        std::filesystem::remove(*images.back().originalFilePath());
    }
    for (const auto& image : images)
        EXPECT_THROW(blobs.ensureBlobs(image), BlobsDeferred);
    blobs.logPassFailures();
    const auto lines = store.syncLog(10);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message, "Image " + tail(images[0].id) + " skipped: the file " +
                                    images[0].id +
                                    ".png is missing (2 more screenshots skipped "
                                    "this pass)");

    CaptureStore later(library.database(), std::make_shared<CountingNotifier>());
    SyncLedger laterLedger(later);
    ScreenshotBlobs restarted{laterLedger, client, [this] {
                                  return clock + 1;
                              }};
    restarted.beginPass();
    for (const auto& image : images)
        EXPECT_THROW(restarted.ensureBlobs(image), BlobsDeferred);
    restarted.logPassFailures();
    EXPECT_EQ(store.syncLog(10).size(), 1u);
    EXPECT_EQ(restarted.uploadsWaiting(), 3u);
}
