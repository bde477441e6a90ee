#include "LibraryFixture.h"

#include "model/Paths.h"
#include "model/Uuid.h"

#include "MemorySecrets.h"

#include <QTest>

#include <gtest/gtest.h>

namespace tavro::test {

LibraryFixture::LibraryFixture(std::unique_ptr<StoreChangeListener> listener) {
    TavroPaths::ensureDirectories();
    store_ =
        std::make_shared<CaptureStore>(TavroPaths::databasePath(), defaultStoreChangeNotifier());
    library =
        std::make_unique<Library>(TavroPaths::databasePath(), thumbnails, std::move(listener));
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
    settle();
}

void LibraryFixture::settle() {
    // Reloads are a short timer and a read on a worker away; a loaded machine may need longer.
    const bool settled = QTest::qWaitFor(
        [this] {
            return library->writesPending() == 0 && !library->reloadPending() &&
                   !library->viewReadsPending();
        },
        10000);
    EXPECT_TRUE(settled) << "the library never finished reloading";
}

void LibraryFixture::reloadAndWait() {
    library->reload();
    settle();
}

namespace {

// Runs the event loop until `read` answers through the callback it is handed.
template <class T, class Read> T awaitRead(Read read, T otherwise) {
    QObject context;
    std::optional<T> answer;
    read(&context, [&answer](T value) { answer.emplace(std::move(value)); });
    if (!QTest::qWaitFor([&] { return answer.has_value(); }, 10000)) {
        ADD_FAILURE() << "the read never answered";
        return otherwise;
    }
    return std::move(*answer);
}

} // namespace

CaptureDetail LibraryFixture::readDetail(const std::string& captureID, DetailParts parts) {
    return awaitRead<CaptureDetail>(
        [&](QObject* context, auto done) { library->readDetail(captureID, parts, context, done); },
        CaptureDetail::failed(captureID, parts, "no answer"));
}

std::optional<CaptureImage> LibraryFixture::readImage(const std::string& id) {
    return awaitRead<std::optional<CaptureImage>>(
        [&](QObject* context, auto done) { library->readImage(id, context, done); }, std::nullopt);
}

bool LibraryFixture::readDeleted(const std::string& captureID) {
    return awaitRead<bool>(
        [&](QObject* context, auto done) { library->readDeleted(captureID, context, done); },
        false);
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
