#include "sync/ScreenshotBlobs.h"

#include "model/Paths.h"
#include "model/Text.h"
#include "model/Wire.h"
#include "sync/ContentHash.h"
#include "sync/HttpTransport.h"

#include <cstring>
#include <exception>
#include <filesystem>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace tavro {

namespace {

using Folder = LibraryFiles::Folder;

std::string idTail(std::string_view id) {
    return std::string(id.size() > 8 ? id.substr(id.size() - 8) : id);
}

// A failure of one screenshot's files, which leaves the others to go on.
class FileFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::vector<std::uint8_t> readLibraryFile(Folder folder, std::string_view name) {
    // Rows come from other processes as well: a name that would leave the library, or a link
    // inside it, is never followed.
    auto contents = LibraryFiles::read(folder, name);
    const auto fileName = [&] {
        return fs::path(std::string(name)).filename().string();
    };
    switch (contents.status) {
    case LibraryFiles::Contents::Status::read:
        return std::move(contents.bytes);
    case LibraryFiles::Contents::Status::refusedName:
        throw FileFailure("its file name points outside the library");
    case LibraryFiles::Contents::Status::missing:
        throw FileFailure("the file " + fileName() + " is missing");
    case LibraryFiles::Contents::Status::failed:
        break;
    }
    throw FileFailure("the file " + fileName() + " could not be read: " + contents.failure);
}

void writeLibraryFile(Folder folder, std::string_view name, std::string_view bytes) {
    const auto file = LibraryFiles::locate(folder, name);
    if (!file)
        throw FileFailure("its file name points outside the library");
    TavroPaths::ensureParentDirectory(*file);
    const std::span data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (auto failure = LibraryFiles::writeAtomically(*file, data))
        throw FileFailure(*failure);
}

// Rethrows what ends the pass (offline, a stop, an expired session, and uploads switched off
// when `passOnUploadsOff`); anything else belongs to the one screenshot and is described.
std::string confinedFailure(std::exception_ptr thrown, bool passOnUploadsOff) {
    try {
        std::rethrow_exception(thrown);
    } catch (const SyncError& error) {
        switch (error.code()) {
        case SyncError::Code::offline:
        case SyncError::Code::unauthorized:
            throw;
        case SyncError::Code::uploadsDisabled:
            if (passOnUploadsOff)
                throw;
            break;
        case SyncError::Code::server:
        case SyncError::Code::decode:
        case SyncError::Code::tooLarge:
            break;
        }
        return error.what();
    } catch (const TransportError& error) {
        // Storage the service named could not be reached while the service itself answered:
        // that storage location is at fault, unless the pass is being stopped.
        if (error.kind() == TransportError::Kind::stopped)
            throw SyncError::offline(error.what());
        return error.what();
    } catch (const std::exception& error) {
        return error.what();
    }
}

// What a failed upload or download was about: a change to it is worth a try at once.
std::string uploadShape(const CaptureImage& image) {
    std::string shape = image.imagePath;
    for (const auto* path : {&image.annotatedPath, &image.thumbPath})
        shape += '\n' + path->value_or("\x01");
    return shape;
}

std::string downloadShape(const CaptureImage& image) {
    std::string shape;
    for (const auto* hash : {&image.originalSHA256, &image.markedSHA256, &image.thumbSHA256})
        shape += hash->value_or("-") + '\n';
    return shape;
}

} // namespace

ScreenshotBlobs::ScreenshotBlobs(SyncLedger& ledger, SyncClient& client, Clock clock,
                                 BlobBackoff backoff)
    : ledger_(ledger)
    , client_(client)
    , clock_(std::move(clock))
    , uploadFailures_(ledger, SyncLedger::Transfer::upload, backoff)
    , downloadFailures_(ledger, SyncLedger::Transfer::download, backoff) {}

void ScreenshotBlobs::Tally::add(const std::string& line) {
    if (count++ == 0)
        first = line;
}

void ScreenshotBlobs::Tally::log(SyncLedger& ledger, std::string_view noun, std::string_view verb) {
    if (count == 0)
        return;
    std::string line = first;
    if (const std::size_t more = count - 1; more > 0)
        line += " (" + std::to_string(more) + " more " + std::string(noun) +
                (more == 1 ? " " : "s ") + std::string(verb) + " this pass)";
    ledger.log("warn", text::validUTF8(line));
    *this = {};
}

void ScreenshotBlobs::beginPass() {
    uploadsFailed_ = {};
    downloadsFailed_ = {};
}

void ScreenshotBlobs::logPassFailures() {
    uploadsFailed_.log(ledger_, "screenshot", "skipped");
    downloadsFailed_.log(ledger_, "download", "failed");
}

void ScreenshotBlobs::ensureBlobs(const CaptureImage& image, std::stop_token stop) {
    const std::string shape = uploadShape(image);
    if (uploadFailures_.waiting(image.id, shape, clock_()))
        throw BlobsDeferred("waiting after an earlier failure");
    const auto capture = ledger_.store().rawCapture(image.captureID);
    if (!capture || !capture->workspaceID)
        return;
    const std::string& workspace = *capture->workspaceID;

    std::optional<std::string> original = image.originalSHA256;
    std::optional<std::string> marked;
    std::optional<std::string> thumb;
    try {
        if (!image.imagePath.empty())
            original = uploadFile(Folder::captures, image.imagePath, image.originalSHA256,
                                  workspace, stop);
        if (image.annotatedPath)
            marked = uploadFile(Folder::captures, *image.annotatedPath, image.markedSHA256,
                                workspace, stop);
        if (image.thumbPath)
            thumb =
                uploadFile(Folder::thumbs, *image.thumbPath, image.thumbSHA256, workspace, stop);
    } catch (...) {
        const std::string reason = confinedFailure(std::current_exception(), true);
        uploadFailures_.failed(image.id, shape, clock_());
        uploadsFailed_.add("Image " + idTail(image.id) + " skipped: " + reason);
        throw BlobsDeferred(reason);
    }
    ledger_.setImageHashes(image.id, original, marked, thumb);
    uploadFailures_.succeeded(image.id);
}

std::string ScreenshotBlobs::uploadFile(Folder folder, const std::string& name,
                                        const std::optional<std::string>& storedHash,
                                        const std::string& workspaceID, std::stop_token stop) {
    const std::vector<std::uint8_t> bytes = readLibraryFile(folder, name);
    std::string hash = ContentHash::sha256(bytes);
    if (hash != storedHash)
        client_.ensureUploaded(workspaceID, bytes, hash, contentType(name), stop);
    return hash;
}

bool ScreenshotBlobs::downloadPendingImages(std::stop_token stop) {
    // Screenshots still waiting out a failure are listed too but skipped, so they never take
    // the places of the others.
    const auto awaiting =
        ledger_.imagesAwaitingDownload(downloadsPerRun + std::int64_t(downloadFailures_.size()));
    std::int64_t tried = 0;
    for (const auto& [image, workspace] : awaiting) {
        if (tried == downloadsPerRun)
            break;
        const std::string shape = downloadShape(image);
        if (downloadFailures_.waiting(image.id, shape, clock_()))
            continue;
        ++tried;
        try {
            const Files files = fetchFiles(image, workspace, stop);
            ledger_.setImagePaths(image.id, files.imagePath, files.annotatedPath, files.thumbPath);
            if (const auto stored = ledger_.rawImage(image.id))
                ledger_.store().refreshCover(stored->captureID);
            downloadFailures_.succeeded(image.id);
        } catch (...) {
            const std::string reason = confinedFailure(std::current_exception(), false);
            downloadFailures_.failed(image.id, shape, clock_());
            downloadsFailed_.add("Download for image " + idTail(image.id) + " failed: " + reason);
        }
    }
    return tried > 0;
}

ScreenshotBlobs::Files ScreenshotBlobs::fetchFiles(const CaptureImage& image,
                                                   const std::string& workspaceID,
                                                   std::stop_token stop) {
    // The id names the files: one that is not id-shaped could name a folder or climb out.
    if (!Wire::isID(image.id))
        throw FileFailure("its id cannot name a file");
    Files files{image.imagePath, image.annotatedPath, image.thumbPath};
    const auto& original = image.originalSHA256;
    const auto& marked = image.markedSHA256;
    if (image.imagePath.empty() && original)
        files.imagePath =
            fetchFile(Folder::captures, image.id, image.createdAt, *original, workspaceID, stop);
    // A marked hash equal to the original's means there is no separate marked-up copy.
    if (!image.annotatedPath && marked && marked != original)
        files.annotatedPath = fetchFile(Folder::captures, image.id + "-marked", image.createdAt,
                                        *marked, workspaceID, stop, *marked);
    if (!image.thumbPath && image.thumbSHA256)
        files.thumbPath = fetchFile(Folder::thumbs, image.id, image.createdAt, *image.thumbSHA256,
                                    workspaceID, stop);
    return files;
}

std::string ScreenshotBlobs::fetchFile(Folder folder, const std::string& baseName, Seconds date,
                                       const std::string& sha, const std::string& workspaceID,
                                       std::stop_token stop,
                                       const std::optional<std::string>& keepApart) {
    const std::string bytes = client_.downloadBlob(workspaceID, sha, stop, maxFileBytes);
    const std::string ext = imageKind(bytes).ext;
    std::string name = TavroPaths::relativeImagePath(baseName, date, ext);
    // A marked copy made here, set aside when the service kept another, still lives under the
    // plain name: the pulled one takes a name of its own beside it.
    if (keepApart) {
        std::error_code error;
        const auto existing = LibraryFiles::locate(folder, name);
        if (existing && fs::exists(*existing, error))
            name =
                TavroPaths::relativeImagePath(baseName + "-" + keepApart->substr(0, 12), date, ext);
    }
    writeLibraryFile(folder, name, bytes);
    return name;
}

std::string ScreenshotBlobs::contentType(std::string_view path) {
    const auto slash = path.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = last.rfind('.');
    const std::string ext =
        dot == std::string_view::npos ? std::string() : text::lowercased(last.substr(dot + 1));
    if (ext == "jpg" || ext == "jpeg")
        return "image/jpeg";
    if (ext == "webp")
        return "image/webp";
    return "image/png";
}

ScreenshotBlobs::ImageKind ScreenshotBlobs::imageKind(std::span<const std::uint8_t> bytes) {
    const auto startsWith = [&](std::initializer_list<std::uint8_t> prefix, std::size_t at = 0) {
        return bytes.size() >= at + prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), bytes.begin() + std::ptrdiff_t(at));
    };
    if (startsWith({0x89, 0x50, 0x4E, 0x47}))
        return {"png", "image/png"};
    if (startsWith({0xFF, 0xD8}))
        return {"jpg", "image/jpeg"};
    if (bytes.size() >= 13 && startsWith({'R', 'I', 'F', 'F'}) &&
        startsWith({'W', 'E', 'B', 'P'}, 8))
        return {"webp", "image/webp"};
    return {"png", "image/png"};
}

ScreenshotBlobs::ImageKind ScreenshotBlobs::imageKind(std::string_view bytes) {
    return imageKind({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

} // namespace tavro
