#pragma once

#include "model/Annotation.h"
#include "model/Time.h"
#include "values/PendingCapture.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace tavro {

class ThumbnailLoader;

// The files of screenshots not stored yet. They are written, marked and unmarked on a worker
// thread of their own, one job after another, and every answer comes back on the GUI thread in
// the order the jobs were asked for. Each file a job writes belongs to its capture until the
// capture is kept (stored) or discarded; discarding removes them all, those of a job still
// running included. Files a job replaces are removed by the job itself, as no row names them.
class PendingFiles final : public QObject {
    Q_OBJECT

public:
    struct Answer {
        std::string imageID;
        // The screenshot with its files as written; absent when the job failed or its capture
        // was discarded.
        std::optional<PendingImage> image;
        std::string error; // why not, for the user
        QByteArray png;    // for an original: its encoded bytes, written as they are
    };
    using Done = std::function<void(Answer answer)>;

    explicit PendingFiles(ThumbnailLoader* thumbnails = nullptr, QObject* parent = nullptr);
    ~PendingFiles() override;
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;

    // The screenshot with its file names and size, at once; its files are written in the
    // background and `done` has their size and thumbnail. The image is shown from memory
    // meanwhile.
    PendingImage write(const std::string& captureID, const QImage& image, Seconds date, Done done);
    // Draws the mark-up into a new marked copy and thumbnail; the answer holds the screenshot
    // with them, or, on failure, why (its earlier marks and files stay).
    void mark(const std::string& captureID, const PendingImage& image, const Annotation& annotation,
              Done done);
    // Takes every mark off: the marked copy goes and a thumbnail of the original comes back.
    void unmark(const std::string& captureID, const PendingImage& image, Done done);
    // Runs `done` once every job asked for so far has answered.
    void afterPendingJobs(std::function<void()> done);
    // A job asked for has not answered yet.
    bool busy() const { return running_ > 0; }

    // Removes every file the capture's jobs wrote, and those its running jobs write yet.
    void discard(const std::string& captureID);
    // The capture is stored: its files belong to its rows from now on.
    void keep(const std::string& captureID);

    // Waits for the worker; for tests and shutdown.
    void waitForJobs();

private:
    struct Batch;
    std::shared_ptr<Batch> batch(const std::string& captureID);
    void run(const std::shared_ptr<Batch>& batch, std::function<Answer(Batch&)> job, Done done);
    void deliver(const Answer& answer);

    ThumbnailLoader* thumbnails_;
    QThreadPool worker_;
    std::map<std::string, std::shared_ptr<Batch>> batches_;
    int running_ = 0;
};

} // namespace tavro
