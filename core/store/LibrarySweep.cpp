#include "store/LibrarySweep.h"

#include "files/LibraryFiles.h"
#include "store/CaptureStore.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace tavro::LibrarySweep {

namespace {

using Folder = LibraryFiles::Folder;

struct Candidate {
    Folder folder;
    std::string name; // relative to its folder
    bool temporary;
    std::int64_t bytes;
};

std::string normalName(std::string_view name) {
    return fs::path(std::string(name)).lexically_normal().generic_string();
}

Seconds writtenAt(const fs::directory_entry& entry, std::error_code& error) {
    const auto written = entry.last_write_time(error);
    const std::chrono::duration<double> age = fs::file_time_type::clock::now() - written;
    return tavro::now() - age.count();
}

std::vector<Candidate> oldFiles(Seconds cutoff) {
    std::vector<Candidate> out;
    for (const Folder folder : {Folder::captures, Folder::thumbs}) {
        const auto root =
            folder == Folder::captures ? TavroPaths::capturesRoot() : TavroPaths::thumbsRoot();
        std::error_code error;
        fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied,
                                            error);
        for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
            std::error_code entryError;
            if (!it->is_regular_file(entryError) || it->is_symlink(entryError) || entryError)
                continue;
            const auto written = writtenAt(*it, entryError);
            const auto size = it->file_size(entryError);
            if (entryError || written >= cutoff)
                continue;
            const auto fileName = it->path().filename().string();
            const bool temporary = LibraryFiles::isTemporaryName(fileName);
            // Other hidden files are not the library's.
            if (fileName.starts_with('.') && !temporary)
                continue;
            out.push_back({folder, it->path().lexically_relative(root).generic_string(), temporary,
                           std::int64_t(size)});
        }
    }
    return out;
}

std::set<std::string> namedFiles(CaptureStore& store, Folder folder) {
    const char* sql = folder == Folder::captures
                          ? "SELECT image_path AS a, annotated_path AS b FROM capture_images "
                            "UNION ALL SELECT image_path, NULL FROM captures;"
                          : "SELECT thumb_path AS a, NULL AS b FROM capture_images "
                            "UNION ALL SELECT thumb_path, NULL FROM captures;";
    std::set<std::string> names;
    for (const auto& row : store.db().query(sql))
        for (const char* column : {"a", "b"})
            if (auto name = row.string(column); name && !name->empty()) {
                names.insert(normalName(*name));
                // This computer's drawing stays under the plain marked name of its screenshot
                // when a pulled drawing from the service took a name of its own beside it.
                if (folder == Folder::captures && column[0] == 'a')
                    names.insert(normalName(LibraryFiles::markedCopyName(*name)));
            }
    return names;
}

} // namespace

Result run(CaptureStore& store, Seconds now) {
    Result result;
    try {
        const auto candidates = oldFiles(now - minimumAge);
        if (candidates.empty())
            return result;
        const std::set<std::string> captures = namedFiles(store, Folder::captures);
        const std::set<std::string> thumbs = namedFiles(store, Folder::thumbs);
        for (const auto& file : candidates) {
            const auto& named = file.folder == Folder::captures ? captures : thumbs;
            if (!file.temporary && named.count(normalName(file.name)))
                continue;
            const auto path = LibraryFiles::locate(file.folder, file.name);
            std::error_code error;
            if (path && fs::remove(*path, error) && !error) {
                ++result.files;
                result.bytes += file.bytes;
            }
        }
    } catch (const std::exception&) {
        // Best effort: what is left is swept at the next start.
    }
    return result;
}

} // namespace tavro::LibrarySweep
