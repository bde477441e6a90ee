#pragma once

#include "files/LibraryFiles.h"
#include "ledger/SyncLedger.h"
#include "model/CaptureImage.h"
#include "model/Image.h"
#include "model/Time.h"
#include "sync/BlobFailures.h"
#include "sync/SyncClient.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>

namespace tavro {

// The screenshot was not made ready this time and its failure is already in the sync log (or it
// is still waiting out an earlier failure): skip it without a word; it stays pending.
class BlobsDeferred : public std::runtime_error {
public:
    explicit BlobsDeferred(const std::string& reason)
        : std::runtime_error(reason) {}
};

// Moves screenshot files between the library and the service's storage, where each file is
// known by the SHA-256 of its bytes. One file is read, sent or fetched at a time. A screenshot
// that keeps failing waits out a growing delay of its own, so it neither holds up the others
// nor writes its failure into the sync log on every pass. Every file name, whether a row or the
// service gave it, goes through the library's path guard. Used from the engine's worker only.
class ScreenshotBlobs {
public:
    using Clock = std::function<Seconds()>;

    ScreenshotBlobs(
        SyncLedger& ledger, SyncClient& client, Clock clock = [] { return now(); },
        BlobBackoff backoff = {});
    ScreenshotBlobs(const ScreenshotBlobs&) = delete;
    ScreenshotBlobs& operator=(const ScreenshotBlobs&) = delete;

    // Hashes the screenshot's files (original, marked-up copy, thumbnail, one after another),
    // uploads those the service lacks and records the three hashes on its row. A screenshot of
    // a capture that is gone or in no workspace is left alone. Throws SyncError when the pass
    // should end (offline, stopped, session expired) or the service takes no uploads
    // (uploadsDisabled); throws BlobsDeferred for a failure of this screenshot alone (a missing
    // or unreadable file, a refused path, a refused or unreadable ticket, storage that would
    // not take the bytes), counted for the pass's line once per back-off step; the store's
    // errors are thrown as they come.
    void ensureBlobs(const CaptureImage& image, std::stop_token stop = {});

    // Fetches the missing files of at most 30 pulled screenshots, newest first, checks them
    // against their hashes, writes them into the library and points the rows and the capture's
    // cover at them. A failing screenshot is counted for the pass's line once per back-off
    // step and the others go on. Throws SyncError offline (a stop included) or unauthorized, which
    // ends the run at once, and the store's error when the list cannot be read. True when it tried
    // at least one screenshot, so the caller posts the store-changed notification.
    bool downloadPendingImages(std::stop_token stop = {});

    // "image/jpeg" for .jpg and .jpeg, "image/webp" for .webp (any letter case), else
    // "image/png".
    static std::string contentType(std::string_view path);

    struct ImageKind {
        std::string ext;
        std::string type;
        bool operator==(const ImageKind&) const = default;
    };
    // By the first bytes: PNG, JPEG or WebP; anything else is taken for PNG.
    static ImageKind imageKind(std::span<const std::uint8_t> bytes);
    static ImageKind imageKind(std::string_view bytes);

    // Screenshots whose upload failed and waits to be tried again.
    std::size_t uploadsWaiting() const { return uploadFailures_.size(); }

    // The failures of a pass go into the sync log together when it ends: one line for the
    // uploads and one for the downloads, each naming the first screenshot that failed, why, and
    // how many more did.
    void beginPass();
    void logPassFailures();

    static constexpr std::int64_t downloadsPerRun = 30;
    // The largest file fetched: one that holds the largest image the library decodes, as
    // plain pixels.
    static constexpr std::size_t maxFileBytes = std::size_t(Image::maxPixels) * 4;

private:
    struct Files {
        std::string imagePath;
        std::optional<std::string> annotatedPath;
        std::optional<std::string> thumbPath;
    };
    std::string uploadFile(LibraryFiles::Folder folder, const std::string& name,
                           const std::optional<std::string>& storedHash,
                           const std::string& workspaceID, std::stop_token stop);
    Files fetchFiles(const CaptureImage& image, const std::string& workspaceID,
                     std::stop_token stop);
    // Writes the file as `baseName`, or, when a file of that name is there already and
    // `keepApart` is given, as `baseName` followed by the start of `keepApart`.
    std::string fetchFile(LibraryFiles::Folder folder, const std::string& baseName, Seconds date,
                          const std::string& sha, const std::string& workspaceID,
                          std::stop_token stop,
                          const std::optional<std::string>& keepApart = std::nullopt);

    struct Tally {
        std::size_t count = 0;
        std::string first;
        void add(const std::string& line);
        // The first line, with how many more of `noun` met `verb`; then starts again.
        void log(SyncLedger& ledger, std::string_view noun, std::string_view verb);
    };

    SyncLedger& ledger_;
    SyncClient& client_;
    Clock clock_;
    BlobFailures uploadFailures_;
    BlobFailures downloadFailures_;
    Tally uploadsFailed_;
    Tally downloadsFailed_;
};

} // namespace tavro
