#include "library/LibraryWatch.h"

#include "library/Library.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace tavro {

void onReloadChanging(Library& library, QObject* context,
                      std::initializer_list<LibraryProperty> properties,
                      std::function<void()> refresh) {
    auto stale = std::make_shared<bool>(false);
    QObject::connect(
        &library, &Library::changed, context,
        [stale, watched = std::vector<LibraryProperty>(properties)](LibraryProperty property) {
            if (std::find(watched.begin(), watched.end(), property) != watched.end())
                *stale = true;
        });
    QObject::connect(&library, &Library::reloaded, context, [stale, refresh = std::move(refresh)] {
        if (std::exchange(*stale, false))
            refresh();
    });
}

} // namespace tavro
