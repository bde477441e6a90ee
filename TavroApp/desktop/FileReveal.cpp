#include "desktop/FileReveal.h"

#include "desktop/FileRevealer.h"

#include <QCoreApplication>

namespace tavro {

void revealInFileManager(const std::filesystem::path& item) {
    // One for the app's lifetime, so that its bus connection is opened once.
    static FileRevealer* const revealer = [] {
        auto made = makeFileRevealer();
        auto* object = dynamic_cast<QObject*>(made.get());
        if (object && QCoreApplication::instance())
            object->setParent(QCoreApplication::instance());
        return made.release();
    }();
    revealer->reveal(item, {});
}

} // namespace tavro
