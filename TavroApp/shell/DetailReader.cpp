#include "shell/DetailReader.h"

#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"
#include "store/ReadSnapshot.h"

#include <exception>

namespace tavro {

DetailReader::DetailReader(std::filesystem::path file)
    : file_(std::move(file)) {}

DetailReader::~DetailReader() = default;

CaptureStore& DetailReader::store() {
    // A reader never announces anything: it writes nothing.
    if (!store_)
        store_ = std::make_unique<CaptureStore>(file_, std::make_shared<NullStoreChangeNotifier>());
    return *store_;
}

CaptureDetail DetailReader::read(const std::string& captureID, DetailParts parts) {
    CaptureDetail detail;
    detail.captureID = captureID;
    detail.parts = parts;
    try {
        CaptureStore& reading = store();
        ReadSnapshot snapshot(reading.db());
        if (parts.has(DetailPart::images))
            detail.images = reading.images(captureID);
        if (parts.has(DetailPart::comments))
            detail.comments = reading.comments(captureID);
        if (parts.has(DetailPart::activity))
            detail.activity = reading.activity(captureID);
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

void DetailReader::countChangesLostOnSignOut(
    std::function<void(std::optional<std::int64_t>)> done) {
    thread_.post([this, done = std::move(done)] {
        std::optional<std::int64_t> count;
        try {
            count = store().unsentChangeCount();
        } catch (const std::exception&) {
            // The caller goes on without the count.
        }
        done(count);
    });
}

} // namespace tavro
