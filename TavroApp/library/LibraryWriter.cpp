#include "library/LibraryWriter.h"

#include "store/CaptureStore.h"

namespace tavro {

LibraryWriter::LibraryWriter(std::filesystem::path file)
    : file_(std::move(file)) {}

LibraryWriter::~LibraryWriter() = default;

void LibraryWriter::submit(Job job) {
    thread_.post(
        [this, job = std::move(job)] { job([this]() -> CaptureStore& { return store(); }); });
}

CaptureStore& LibraryWriter::store() {
    if (!store_) {
        // Other programs hear of the writes over the session bus.
        store_ = std::make_unique<CaptureStore>(file_, defaultStoreChangeNotifier());
        store_->db().confineTo(std::this_thread::get_id());
    }
    return *store_;
}

} // namespace tavro
