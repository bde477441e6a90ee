#include "capture/PendingFiles.h"

#include "capture/CaptureRecord.h"
#include "files/LibraryFiles.h"
#include "files/ScreenshotFiles.h"
#include "library/ThumbnailLoader.h"
#include "model/Uuid.h"
#include "values/CaptureError.h"
#include "values/ImageWriter.h"
#include "values/QtImage.h"
#include "values/Utf8.h"

#include <exception>
#include <mutex>
#include <utility>
#include <vector>

namespace tavro {

namespace {

using Folder = LibraryFiles::Folder;

struct FileName {
    Folder folder;
    std::string name;
};

std::vector<FileName> named(Folder folder, const std::optional<std::string>& name) {
    if (!name)
        return {};
    return {{folder, *name}};
}

void removeUnless(Folder folder, const std::optional<std::string>& name,
                  const std::optional<std::string>& kept) {
    if (name && name != kept)
        LibraryFiles::remove(folder, *name);
}

std::string reason(const std::exception& error) {
    if (dynamic_cast<const ScreenshotFiles::WriteError*>(&error))
        return CaptureError::writeFailed(error.what()).what();
    return error.what();
}

} // namespace

struct PendingFiles::Batch {
    std::mutex mutex;
    bool discarded = false;
    std::vector<FileName> files;
    // Originals the loader holds from memory; the GUI thread's alone.
    std::vector<QString> primed;

    bool isDiscarded() {
        std::lock_guard lock(mutex);
        return discarded;
    }

    // Takes the names of files a job wrote; when the capture was discarded meanwhile, the files
    // go at once and the answer is false.
    bool adopt(std::vector<FileName> written) {
        std::lock_guard lock(mutex);
        if (discarded) {
            for (const FileName& file : written)
                LibraryFiles::remove(file.folder, file.name);
            return false;
        }
        files.insert(files.end(), written.begin(), written.end());
        return true;
    }
};

PendingFiles::PendingFiles(ThumbnailLoader* thumbnails, QObject* parent)
    : QObject(parent)
    , thumbnails_(thumbnails) {
    // One job at a time, in order: a mark-up works on the files the write before it made.
    worker_.setMaxThreadCount(1);
}

PendingFiles::~PendingFiles() {
    waitForJobs();
}

void PendingFiles::waitForJobs() {
    worker_.waitForDone();
}

std::shared_ptr<PendingFiles::Batch> PendingFiles::batch(const std::string& captureID) {
    auto& batch = batches_[captureID];
    if (!batch)
        batch = std::make_shared<Batch>();
    return batch;
}

void PendingFiles::run(const std::shared_ptr<Batch>& batch, std::function<Answer(Batch&)> job,
                       Done done) {
    ++running_;
    worker_.start([this, batch, job = std::move(job), done = std::move(done)] {
        Answer answer = batch ? job(*batch) : Answer{};
        QMetaObject::invokeMethod(
            this,
            [this, answer = std::move(answer), done] {
                deliver(answer);
                if (done)
                    done(answer);
            },
            Qt::QueuedConnection);
    });
}

void PendingFiles::deliver(const Answer& answer) {
    --running_;
    if (!thumbnails_ || !answer.image)
        return;
    // Names can come back (a thumbnail replaced twice): what was read of them before is stale.
    const PendingImage& image = *answer.image;
    if (image.annotatedPath)
        if (auto file = LibraryFiles::locate(Folder::captures, *image.annotatedPath))
            thumbnails_->evict(toQString(file->string()));
    if (image.written.thumbRelativePath)
        if (auto file = LibraryFiles::locate(Folder::thumbs, *image.written.thumbRelativePath))
            thumbnails_->evict(toQString(file->string()));
}

PendingImage PendingFiles::write(const std::string& captureID, const QImage& image, Seconds date,
                                 Done done) {
    PendingImage pending;
    pending.id = makeUUID();
    pending.image = image;
    pending.written.relativePath = LibraryFiles::originalName(pending.id, date);
    pending.written.width = image.width();
    pending.written.height = image.height();
    // The note box shows the screenshot from its file's name: until the file is there, from
    // memory.
    const auto files = batch(captureID);
    if (thumbnails_)
        if (auto file = LibraryFiles::locate(Folder::captures, pending.written.relativePath)) {
            files->primed.push_back(toQString(file->string()));
            thumbnails_->prime(files->primed.back(), image);
        }

    run(
        files,
        [pending, date](Batch& batch) {
            Answer answer;
            answer.imageID = pending.id;
            if (batch.isDiscarded())
                return answer;
            try {
                const auto pixels = QtImage::copyFrom(pending.image);
                if (!pixels)
                    throw ScreenshotFiles::WriteError("PNG encoding failed");
                const auto original = ScreenshotFiles::writeOriginal(*pixels, pending.id, date);
                answer.png = QByteArray(reinterpret_cast<const char*>(original.png.data()),
                                        qsizetype(original.png.size()));
                auto files = named(Folder::captures, original.imagePath);
                for (auto& thumb : named(Folder::thumbs, original.thumbPath))
                    files.push_back(std::move(thumb));
                if (!batch.adopt(std::move(files)))
                    return answer;
                PendingImage written = pending;
                written.written = ImageWriter::written(original);
                answer.image = std::move(written);
            } catch (const std::exception& error) {
                answer.error = reason(error);
            }
            return answer;
        },
        std::move(done));
    return pending;
}

void PendingFiles::mark(const std::string& captureID, const PendingImage& image,
                        const Annotation& annotation, Done done) {
    run(
        batch(captureID),
        [image, annotation, captureID](Batch& batch) {
            Answer answer;
            answer.imageID = image.id;
            if (batch.isDiscarded())
                return answer;
            try {
                const CaptureImage before =
                    CaptureRecord::transientRow(image, captureID, false, now());
                const auto marked = ScreenshotFiles::writeMarked(annotation, before, now());
                auto files = named(Folder::captures, marked.markedPath);
                for (auto& thumb : named(Folder::thumbs, marked.thumbPath))
                    files.push_back(std::move(thumb));
                if (!batch.adopt(std::move(files)))
                    return answer;
                PendingImage after = image;
                after.annotation = annotation;
                after.annotatedPath = marked.markedPath;
                if (marked.thumbPath)
                    after.written.thumbRelativePath = marked.thumbPath;
                after.written.byteCount = marked.byteCount;
                removeUnless(Folder::captures, before.annotatedPath, after.annotatedPath);
                removeUnless(Folder::thumbs, before.thumbPath, after.written.thumbRelativePath);
                answer.image = std::move(after);
            } catch (const std::exception& error) {
                answer.error = reason(error);
            }
            return answer;
        },
        std::move(done));
}

void PendingFiles::unmark(const std::string& captureID, const PendingImage& image, Done done) {
    run(
        batch(captureID),
        [image, captureID](Batch& batch) {
            Answer answer;
            answer.imageID = image.id;
            if (batch.isDiscarded())
                return answer;
            const CaptureImage before = CaptureRecord::transientRow(image, captureID, false, now());
            const auto thumb = ScreenshotFiles::writeOriginalThumbnail(before, now());
            if (!batch.adopt(named(Folder::thumbs, thumb)))
                return answer;
            PendingImage after = image;
            after.annotation = {};
            after.annotatedPath.reset();
            // Without a thumbnail of its own, the screenshot is shown from its original.
            after.written.thumbRelativePath = thumb;
            if (auto size = LibraryFiles::byteCount(Folder::captures, before.imagePath))
                after.written.byteCount = *size;
            removeUnless(Folder::captures, before.annotatedPath, std::nullopt);
            removeUnless(Folder::thumbs, before.thumbPath, thumb);
            answer.image = std::move(after);
            return answer;
        },
        std::move(done));
}

void PendingFiles::afterPendingJobs(std::function<void()> done) {
    run(nullptr, {}, [done = std::move(done)](const Answer&) {
        if (done)
            done();
    });
}

void PendingFiles::discard(const std::string& captureID) {
    const auto found = batches_.find(captureID);
    if (found == batches_.end())
        return;
    const auto batch = found->second;
    batches_.erase(found);
    std::lock_guard lock(batch->mutex);
    batch->discarded = true;
    for (const FileName& file : batch->files) {
        LibraryFiles::remove(file.folder, file.name);
        if (thumbnails_)
            if (auto path = LibraryFiles::locate(file.folder, file.name))
                thumbnails_->evict(toQString(path->string()));
    }
    batch->files.clear();
    if (thumbnails_)
        for (const QString& path : batch->primed)
            thumbnails_->evict(path);
}

void PendingFiles::keep(const std::string& captureID) {
    batches_.erase(captureID);
}

} // namespace tavro
