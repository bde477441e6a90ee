#pragma once

#include "model/Annotation.h"
#include "model/Capture.h"
#include "model/CaptureImage.h"
#include "model/Image.h"
#include "model/Time.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The files of one screenshot: its original with a thumbnail, and the copy its mark-up is drawn
// on. Encoding, decoding and rendering happen here, so callers run it off the GUI thread. Names
// are those LibraryFiles gives; every name is joined to its folder through the path guard.
namespace ScreenshotFiles {

inline constexpr int thumbnailMaxEdge = 900;
inline constexpr double thumbnailQuality = 0.82;

// A file could not be made; what() says why, for the user.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The image brought down to a longest edge of 900 (never enlarged), opaque: what is transparent
// shows black, as it does in the JPEG. Nothing when no image of that size can be made.
std::optional<Image> thumbnail(const Image& image);
// The thumbnail's JPEG bytes.
std::optional<std::vector<std::uint8_t>> thumbnailJPEG(const Image& image);

struct Original {
    std::string imagePath;                // under "captures"
    std::optional<std::string> thumbPath; // under "thumbs"; absent when none could be written
    std::int64_t byteCount = 0;           // of the PNG
    PixelSize size;
    std::vector<std::uint8_t> png; // the bytes written, for whoever copies the screenshot too

    bool operator==(const Original&) const = default;
};

// Writes "captures/yyyy/MM/<id>.png" and, best effort, "thumbs/yyyy/MM/<id>.jpg": the image is
// encoded once. Throws WriteError (nothing is left behind) or std::filesystem::filesystem_error
// when the PNG's folder cannot be made.
Original writeOriginal(const Image& image, std::string_view imageID, Seconds date);

// The marked copy's name to write for the screenshot next: "<original without its
// extension>-marked.png" beside the original, or, when the row names that one already,
// "<original without its extension>-2-marked.png". Nothing for an original the path guard
// refuses.
std::optional<std::string> nextMarkedCopyName(std::string_view originalName,
                                              const std::optional<std::string>& current = {});
// The thumbnail name to write for the screenshot next: "yyyy/MM/<id>.jpg" of this month, or,
// when the row names that one already, "yyyy/MM/<id>-2.jpg".
std::string nextThumbnailName(std::string_view imageID, Seconds date,
                              const std::optional<std::string>& current);

struct Marked {
    std::string markedPath;               // under "captures"
    std::optional<std::string> thumbPath; // under "thumbs"; absent when none could be written
    std::int64_t byteCount = 0;           // of the marked PNG

    bool operator==(const Marked&) const = default;
};

// Decodes the screenshot's original once, draws the mark-up on it and writes the marked copy,
// then, best effort, its thumbnail. Both go under names of their own (the next names above), so
// the files the row names stay as they are until a new row no longer names them. Throws
// WriteError, or std::filesystem::filesystem_error when a folder cannot be made.
Marked writeMarked(const Annotation& annotation, const CaptureImage& image, Seconds date);
// Best effort: a fresh thumbnail of the unmarked original under the next thumbnail name; nothing
// when the original cannot be read or the thumbnail written.
std::optional<std::string> writeOriginalThumbnail(const CaptureImage& image, Seconds date);

// A screenshot's files copied for another screenshot: names under that screenshot's id and
// date, each file keeping its extension.
struct Copies {
    std::string imagePath;                    // empty when the original is not here
    std::optional<std::string> annotatedPath; // absent when there is no marked copy here
    std::optional<std::string> thumbPath;

    bool operator==(const Copies&) const = default;
};
// Copies the original, the marked copy and the thumbnail the row names, those that are here, to
// the names of screenshot `imageID` dated `date`. Throws WriteError when one cannot be read or
// written, or the id cannot name a file; copies made before stay.
Copies copyFiles(const CaptureImage& image, std::string_view imageID, Seconds date);

// Best effort, for files no row names any more; a missing or refused name removes nothing.
void removeOriginal(const std::string& imagePath);
void removeMarkedCopy(const std::optional<std::string>& markedPath);
void removeThumbnail(const std::optional<std::string>& thumbPath);
// Every file the row names.
void removeFiles(const CaptureImage& image);
// The capture's cover and its thumbnail.
void removeFiles(const Capture& capture);

} // namespace ScreenshotFiles

} // namespace tavro
