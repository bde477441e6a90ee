#include "files/ScreenshotFiles.h"

#include "files/LibraryFiles.h"

#include <filesystem>

// Apart from the writers: copying files needs no image library, and the store copies them.
namespace tavro::ScreenshotFiles {

namespace {

using Folder = LibraryFiles::Folder;

// A plain file of the library, whole; nothing when the name is refused or the file is not there.
std::optional<std::vector<std::uint8_t>> readFile(Folder folder, std::string_view name) {
    auto contents = LibraryFiles::read(folder, name);
    using Status = LibraryFiles::Contents::Status;
    if (contents.status == Status::failed)
        throw WriteError("the file " +
                         std::filesystem::path(std::string(name)).filename().string() +
                         " could not be read: " + contents.failure);
    if (contents.status != Status::read)
        return std::nullopt;
    return std::move(contents.bytes);
}

std::string extensionOf(std::string_view name) {
    const auto ext = std::filesystem::path(std::string(name)).extension().string();
    return ext.size() > 1 ? ext.substr(1) : "png";
}

// Copies the file under `copyName` with the source's extension; nothing when there is none.
std::optional<std::string> copyFile(Folder folder, const std::optional<std::string>& name,
                                    const std::string& copyName) {
    if (!name)
        return std::nullopt;
    const auto bytes = readFile(folder, *name);
    if (!bytes)
        return std::nullopt;
    const std::string target = LibraryFiles::withExtension(copyName, extensionOf(*name));
    if (auto error = LibraryFiles::write(folder, target, *bytes))
        throw WriteError(*error);
    return target;
}

} // namespace

Copies copyFiles(const CaptureImage& image, std::string_view imageID, Seconds date) {
    Copies copies;
    const std::string original = LibraryFiles::originalName(imageID, date);
    // The id becomes part of the names: it is refused before anything is written.
    if (!LibraryFiles::locate(Folder::captures, original))
        throw WriteError("the image id cannot name a file");
    copies.imagePath = copyFile(Folder::captures, image.imagePath, original).value_or("");
    copies.annotatedPath =
        copyFile(Folder::captures, image.annotatedPath, LibraryFiles::markedCopyName(original));
    copies.thumbPath =
        copyFile(Folder::thumbs, image.thumbPath, LibraryFiles::thumbnailName(imageID, date));
    return copies;
}

} // namespace tavro::ScreenshotFiles
