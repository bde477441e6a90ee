#include "sync/ScreenshotBlobs.h"

#include <utility>

namespace tavro {

ScreenshotBlobs::ScreenshotBlobs(CaptureStore& store, SyncClient& client, Clock clock,
                                 BlobBackoff backoff)
    : store_(store)
    , client_(client)
    , clock_(std::move(clock))
    , backoff_(backoff) {}

void ScreenshotBlobs::ensureBlobs(const CaptureImage&, std::stop_token) {}

bool ScreenshotBlobs::downloadPendingImages(std::stop_token) {
    return false;
}

std::string ScreenshotBlobs::contentType(std::string_view) {
    return "image/png";
}

ScreenshotBlobs::ImageKind ScreenshotBlobs::imageKind(std::span<const std::uint8_t>) {
    return {"png", "image/png"};
}

ScreenshotBlobs::ImageKind ScreenshotBlobs::imageKind(std::string_view) {
    return {"png", "image/png"};
}

} // namespace tavro
