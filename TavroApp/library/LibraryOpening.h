#pragma once

#include <memory>

namespace tavro {

class Library;
class StoreChangeListener;
class ThumbnailLoader;

// Opens the library's database (creating its folders, moving a legacy library first), starts the
// sweep of files left by captures never saved and by interrupted writes, and builds the facade
// over it. Throws what the store throws when the database cannot be opened.
std::unique_ptr<Library> openLibrary(ThumbnailLoader& thumbnails,
                                     std::unique_ptr<StoreChangeListener> listener);

} // namespace tavro
