#include "shell/LibraryWriter.h"

#include "store/CaptureStore.h"

namespace tavro {

LibraryWriter::LibraryWriter(std::filesystem::path file)
    : file_(std::move(file))
    , thread_([this] { run(); }) {}

LibraryWriter::~LibraryWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void LibraryWriter::submit(Job job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

CaptureStore& LibraryWriter::store() {
    if (!store_) {
        // Other programs hear of the writes through the store's own notifier, as before.
        store_ = std::make_unique<CaptureStore>(file_);
        store_->db().confineTo(std::this_thread::get_id());
    }
    return *store_;
}

void LibraryWriter::run() {
    const Connection connection = [this]() -> CaptureStore& {
        return store();
    };
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job(connection);
    }
}

} // namespace tavro
