#pragma once

#include "model/Time.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// The image files of the library: what they are named, how they are written, removed and
// measured. Names are relative to their folder ("captures" or "thumbs") and are what rows store;
// every name is joined to its folder through the path guard, because rows come from other
// processes and from the network.
namespace LibraryFiles {

enum class Folder { captures, thumbs };

using Bytes = std::span<const std::uint8_t>;

// "yyyy/MM/<id>.png" by the local calendar month of `date`.
std::string originalName(std::string_view imageID, Seconds date);
// "yyyy/MM/<id>.jpg": a screenshot's thumbnail, of its original or of its marked copy, by the
// month it is written in.
std::string thumbnailName(std::string_view imageID, Seconds date);
// "<original without its extension>-marked.png", beside the original: fixed by the original's
// name, so saving again replaces the earlier copy.
std::string markedCopyName(std::string_view originalName);
// The name with its extension (the last "." of the last segment and what follows; a name that
// only starts with a dot has none) replaced, or `ext` appended when it has none.
std::string withExtension(std::string_view name, std::string_view ext);

// Nothing for a name the path guard refuses.
std::optional<std::filesystem::path> locate(Folder folder, std::string_view name);

// Writes a temporary file beside `file` and renames it into place, so readers see the old file
// or the whole new one. Returns the error text; the target is untouched on failure. Inside the
// library the file is reached without following a symbolic link, and a link in its place is
// refused rather than replaced.
std::optional<std::string> writeAtomically(const std::filesystem::path& file, Bytes data);

// writeAtomically() of `name`, making its folders (never through a link). Returns the error text,
// for a refused name too; throws std::filesystem::filesystem_error when a folder cannot be made.
std::optional<std::string> write(Folder folder, std::string_view name, Bytes data);

// Best effort: writes a thumbnail named `name`, making its folder. True when it was written.
bool writeThumbnail(std::string_view name, Bytes jpeg);

// Best effort: a refused name, a missing file, a folder or a folder behind a symbolic link
// removes nothing; errors are ignored. A link named by the row goes itself, never its target.
void remove(Folder folder, std::string_view name);

// A whole plain file of the library, reached without following a symbolic link (neither in its
// place nor in a folder above it), and without blocking on a pipe.
struct Contents {
    enum class Status { read, missing, refusedName, failed };
    Status status = Status::missing;
    std::vector<std::uint8_t> bytes;
    std::string failure; // for `failed`: the refused link or the system's error, in words
};
// `missing` also for what is not a plain file.
Contents read(Folder folder, std::string_view name);

// Whether a file name is one writeAtomically() gives its temporaries (".<name>.<8 of [0-9a-z]>").
bool isTemporaryName(std::string_view fileName);

// Bytes on disk; nothing for a refused name, a symbolic link, or a file that cannot be measured.
std::optional<std::int64_t> byteCount(Folder folder, std::string_view name);

// What the screenshots and thumbnails take on disk: every file under the two folders, sub-folders
// included, leaving out hidden files and folders (a name that starts with a dot) other than
// writeAtomically()'s temporaries, and what is not a regular file. A missing folder or an
// unreadable entry counts nothing. Slow for a large library: not for the GUI thread.
std::int64_t imageFolderBytes();

} // namespace LibraryFiles

} // namespace tavro
