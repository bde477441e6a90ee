#include "LibraryFixture.h"

#include "model/Paths.h"
#include "model/Uuid.h"

#include "MemorySecrets.h"

#include <QTest>

#include <gtest/gtest.h>

namespace tavro::test {

LibraryFixture::LibraryFixture(std::unique_ptr<StoreChangeListener> listener) {
    TavroPaths::ensureDirectories();
    store_ = std::make_shared<CaptureStore>(TavroPaths::databasePath());
    library = std::make_unique<Library>(store_, thumbnails, std::move(listener));
    // Never the desktop's keyring nor the real service: signed out, and no request leaves.
    account =
        std::make_unique<Account>(*library,
                                  SyncEngineConfig{.database = TavroPaths::databasePath(),
                                                   .baseURL = "http://127.0.0.1:9",
                                                   .deviceName = "test computer",
                                                   .secrets = std::make_shared<MemorySecrets>()},
                                  [](const QUrl&) { return false; });
    // As the app wires them.
    QObject::connect(library.get(), &Library::localChangeCommitted, account.get(),
                     &Account::noteLocalChange);
    QObject::connect(account.get(), &Account::rowsApplied, library.get(),
                     &Library::checkForChanges);
}

void LibraryFixture::settle() {
    // Reloads are a short timer and a read on a worker away; a loaded machine may need longer.
    const bool settled = QTest::qWaitFor(
        [this] {
            return library->writesPending() == 0 && !library->reloadPending() &&
                   !library->detailReadPending();
        },
        10000);
    EXPECT_TRUE(settled) << "the library never finished reloading";
}

void LibraryFixture::reloadAndWait() {
    library->reload();
    settle();
}

Capture LibraryFixture::makeCapture(const std::string& note, CapturePriority priority,
                                    CaptureMode mode, Seconds createdAt) {
    Capture capture;
    capture.id = makeUUID();
    capture.createdAt = createdAt > 0 ? createdAt : now();
    capture.updatedAt = capture.createdAt;
    capture.note = note;
    capture.priority = priority;
    capture.captureMode = mode;
    return capture;
}

QImage LibraryFixture::makeImage(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

} // namespace tavro::test
