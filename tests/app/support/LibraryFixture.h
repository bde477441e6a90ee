#pragma once

#include "account/Account.h"
#include "desktop/StoreChangeListener.h"
#include "library/Library.h"
#include "library/ThumbnailLoader.h"
#include "store/CaptureStore.h"

#include "TempLibrary.h"
#include "WriteAnswer.h"

#include <QImage>

#include <memory>
#include <optional>
#include <string>

namespace tavro::test {

// A throw-away library with a facade over it, as the app builds one, and its first board
// published. The store is the test's own connection, on the GUI thread.
struct LibraryFixture {
    explicit LibraryFixture(
        std::unique_ptr<StoreChangeListener> listener = std::make_unique<StoreChangeListener>());

    // A capture as the capture flow would store it; insert it with store().
    static Capture makeCapture(const std::string& note,
                               CapturePriority priority = CapturePriority::normal,
                               CaptureMode mode = CaptureMode::region, Seconds createdAt = 0);
    static QImage makeImage(int width, int height, QColor color = Qt::darkCyan);

    CaptureStore& store() { return *store_; }
    // Waits until every write made so far has answered, the facade has published every reload
    // asked for so far, and every detail read has answered.
    void settle();
    // Has the board read again, as after a write by another program, and waits for it.
    void reloadAndWait();

    // The facade's reads for views, each waited for; one that never answers fails the test.
    CaptureDetail readDetail(const std::string& captureID, DetailParts parts);
    std::optional<CaptureImage> readImage(const std::string& id);
    bool readDeleted(const std::string& captureID);

    TempLibrary temp;
    std::shared_ptr<CaptureStore> store_;
    ThumbnailLoader thumbnails;
    std::unique_ptr<Library> library;
    std::unique_ptr<Account> account;
};

} // namespace tavro::test
