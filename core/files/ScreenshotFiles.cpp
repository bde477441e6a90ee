#include "files/ScreenshotFiles.h"

#include "files/LibraryFiles.h"
#include "model/AnnotationRenderer.h"
#include "model/Paths.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tavro::ScreenshotFiles {

namespace {

using Folder = LibraryFiles::Folder;

constexpr std::string_view missingOriginal = "the original screenshot is missing";

// Premultiplied colours over black are the colours themselves: only alpha changes.
void makeOpaque(Image& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* row = image.pixels() + std::ptrdiff_t(y) * image.stride();
        for (int x = 0; x < image.width(); ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, row + std::ptrdiff_t(x) * 4, 4);
            pixel |= 0xFF000000u;
            std::memcpy(row + std::ptrdiff_t(x) * 4, &pixel, 4);
        }
    }
}

// The longest edge brought down to 900, each side truncated (never below 1), as thumbnails have
// always been sized; nothing when the image fits already.
std::optional<PixelSize> shrunkSize(PixelSize size) {
    const int longer = std::max(size.width, size.height);
    if (longer <= thumbnailMaxEdge)
        return std::nullopt;
    const double factor = double(thumbnailMaxEdge) / longer;
    return PixelSize{std::max(1, int(factor * size.width)), std::max(1, int(factor * size.height))};
}

std::filesystem::path located(Folder folder, std::string_view name) {
    auto file = LibraryFiles::locate(folder, name);
    if (!file)
        throw WriteError("the image id cannot name a file");
    return *file;
}

// Writes `bytes` under `name`, making its folder. Throws WriteError or a file-system error.
void writeFile(Folder folder, std::string_view name, LibraryFiles::Bytes bytes) {
    const auto file = located(folder, name);
    TavroPaths::ensureParentDirectory(file);
    if (auto error = LibraryFiles::writeAtomically(file, bytes))
        throw WriteError(*error);
}

std::optional<std::string> writeThumbnailOf(const Image& image, std::string name) {
    const auto jpeg = thumbnailJPEG(image);
    if (!jpeg || !LibraryFiles::writeThumbnail(name, *jpeg))
        return std::nullopt;
    return name;
}

std::optional<Image> loadOriginal(std::string_view name) {
    const auto file = LibraryFiles::locate(Folder::captures, name);
    return file ? Image::load(*file) : std::nullopt;
}

} // namespace

std::optional<Image> thumbnail(const Image& image) {
    const auto size = shrunkSize(image.size());
    auto small = size ? image.scaled(*size) : image.copy();
    if (small && !small->isOpaque())
        makeOpaque(*small);
    return small;
}

std::optional<std::vector<std::uint8_t>> thumbnailJPEG(const Image& image) {
    // JPEG has no alpha and shows premultiplied colours as they are, over black: no flattening
    // is needed, and a small image is encoded without a copy.
    const auto size = shrunkSize(image.size());
    if (!size)
        return image.encodeJPEG(thumbnailQuality);
    const auto small = image.scaled(*size);
    return small ? small->encodeJPEG(thumbnailQuality) : std::nullopt;
}

Original writeOriginal(const Image& image, std::string_view imageID, Seconds date) {
    Original written;
    written.imagePath = LibraryFiles::originalName(imageID, date);
    // The id becomes part of a file name: it is refused before anything is encoded.
    located(Folder::captures, written.imagePath);
    auto png = image.encodePNG();
    if (!png)
        throw WriteError("PNG encoding failed");
    writeFile(Folder::captures, written.imagePath, *png);
    written.byteCount = std::int64_t(png->size());
    written.size = image.size();
    written.png = std::move(*png);
    written.thumbPath = writeThumbnailOf(image, LibraryFiles::thumbnailName(imageID, date));
    return written;
}

std::optional<std::string> nextMarkedCopyName(std::string_view originalName,
                                              const std::optional<std::string>& current) {
    if (!LibraryFiles::locate(Folder::captures, originalName))
        return std::nullopt;
    std::string name = LibraryFiles::markedCopyName(originalName);
    if (name != current)
        return name;
    constexpr std::string_view suffix = "-marked.png";
    return name.substr(0, name.size() - suffix.size()) + "-2" + std::string(suffix);
}

std::string nextThumbnailName(std::string_view imageID, Seconds date,
                              const std::optional<std::string>& current) {
    std::string name = LibraryFiles::thumbnailName(imageID, date);
    if (name != current)
        return name;
    return LibraryFiles::thumbnailName(std::string(imageID) + "-2", date);
}

Marked writeMarked(const Annotation& annotation, const CaptureImage& image, Seconds date) {
    // The stored name may come from sync: the guard refuses it before anything is derived from it.
    const auto markedName = nextMarkedCopyName(image.imagePath, image.annotatedPath);
    if (!markedName)
        throw WriteError(std::string(missingOriginal));
    std::optional<Image> marked;
    {
        const auto original = loadOriginal(image.imagePath);
        if (!original)
            throw WriteError(std::string(missingOriginal));
        marked = AnnotationRenderer::render(annotation, *original);
    }
    if (!marked)
        throw WriteError("annotations could not be rendered");
    const auto png = marked->encodePNG();
    if (!png)
        throw WriteError("PNG encoding failed");
    writeFile(Folder::captures, *markedName, *png);

    Marked written;
    written.markedPath = *markedName;
    written.byteCount = std::int64_t(png->size());
    written.thumbPath =
        writeThumbnailOf(*marked, nextThumbnailName(image.id, date, image.thumbPath));
    return written;
}

std::optional<std::string> writeOriginalThumbnail(const CaptureImage& image, Seconds date) {
    const auto original = loadOriginal(image.imagePath);
    if (!original)
        return std::nullopt;
    return writeThumbnailOf(*original, nextThumbnailName(image.id, date, image.thumbPath));
}

namespace {

// A plain file of the library, whole; nothing when the name is refused or the file is not there.
std::optional<std::vector<std::uint8_t>> readFile(Folder folder, std::string_view name) {
    const auto file = LibraryFiles::locate(folder, name);
    std::error_code error;
    if (name.empty() || !file || !std::filesystem::is_regular_file(*file, error))
        return std::nullopt;
    std::ifstream in(*file, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    if (!in && !in.eof())
        throw WriteError("the file " + file->filename().string() + " could not be read");
    return bytes;
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
    writeFile(folder, target, *bytes);
    return target;
}

} // namespace

Copies copyFiles(const CaptureImage& image, std::string_view imageID, Seconds date) {
    Copies copies;
    const std::string original = LibraryFiles::originalName(imageID, date);
    // The id becomes part of the names: it is refused before anything is written.
    located(Folder::captures, original);
    copies.imagePath = copyFile(Folder::captures, image.imagePath, original).value_or("");
    copies.annotatedPath =
        copyFile(Folder::captures, image.annotatedPath, LibraryFiles::markedCopyName(original));
    copies.thumbPath =
        copyFile(Folder::thumbs, image.thumbPath, LibraryFiles::thumbnailName(imageID, date));
    return copies;
}

void removeOriginal(const std::string& imagePath) {
    LibraryFiles::remove(Folder::captures, imagePath);
}

void removeMarkedCopy(const std::optional<std::string>& markedPath) {
    if (markedPath)
        LibraryFiles::remove(Folder::captures, *markedPath);
}

void removeThumbnail(const std::optional<std::string>& thumbPath) {
    if (thumbPath)
        LibraryFiles::remove(Folder::thumbs, *thumbPath);
}

void removeFiles(const CaptureImage& image) {
    removeOriginal(image.imagePath);
    removeMarkedCopy(image.annotatedPath);
    removeThumbnail(image.thumbPath);
}

void removeFiles(const Capture& capture) {
    removeOriginal(capture.imagePath);
    removeThumbnail(capture.thumbPath);
}

} // namespace tavro::ScreenshotFiles
