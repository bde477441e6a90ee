#include "library/LibraryOpening.h"

#include "desktop/StoreChangeListener.h"
#include "library/Library.h"
#include "model/Paths.h"
#include "model/Time.h"
#include "store/CaptureStore.h"
#include "store/LibrarySweep.h"

#include <QThreadPool>
#include <QtGlobal>

namespace tavro {

std::unique_ptr<Library> openLibrary(ThumbnailLoader& thumbnails,
                                     std::unique_ptr<StoreChangeListener> listener) {
    TavroPaths::ensureDirectories();
    auto store =
        std::make_shared<CaptureStore>(TavroPaths::databasePath(), defaultStoreChangeNotifier());
    if (store->legacyMove() == TavroPaths::LegacyMove::leftInPlace)
        qWarning("%s", TavroPaths::legacyLibraryLeftNotice().c_str());
    auto library = std::make_unique<Library>(store->db().file(), thumbnails, std::move(listener));
    // Once per start, through the connection that opened the library: the sweep's own from here
    // on, which closes with it.
    QThreadPool::globalInstance()->start(
        [store = std::move(store)] { LibrarySweep::run(*store, now()); });
    return library;
}

} // namespace tavro
