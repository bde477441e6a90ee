#include "shell/DetailReader.h"

#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"
#include "store/ReadSnapshot.h"

#include <exception>

namespace tavro {

DetailReader::DetailReader(std::filesystem::path file)
    : file_(std::move(file)) {}

DetailReader::~DetailReader() = default;

CaptureDetail DetailReader::read(const std::string& captureID, DetailParts parts) {
    CaptureDetail detail;
    detail.captureID = captureID;
    detail.parts = parts;
    try {
        // A reader never announces anything: it writes nothing.
        if (!store_)
            store_ =
                std::make_unique<CaptureStore>(file_, std::make_shared<NullStoreChangeNotifier>());
        ReadSnapshot snapshot(store_->db());
        if (parts.has(DetailPart::images))
            detail.images = store_->images(captureID);
        if (parts.has(DetailPart::comments))
            detail.comments = store_->comments(captureID);
        if (parts.has(DetailPart::activity))
            detail.activity = store_->activity(captureID);
    } catch (const std::exception& error) {
        detail.images.clear();
        detail.comments.clear();
        detail.activity.clear();
        detail.error = error.what();
    }
    return detail;
}

void DetailReader::start(std::string captureID, DetailParts parts, Done done) {
    thread_.post([this, captureID = std::move(captureID), parts, done = std::move(done)] {
        done(read(captureID, parts));
    });
}

} // namespace tavro
