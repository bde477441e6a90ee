#include "model/Paths.h"

#include "model/LibraryOpen.h"
#include "model/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace tavro::TavroPaths {

namespace {

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

fs::path expandTilde(const std::string& value) {
    if (value == "~")
        return homeFolder();
    if (value.starts_with("~/"))
        return homeFolder() / value.substr(2);
    return value;
}

// True when `folder` holds nothing but (recursively) empty folders: what ensureDirectories()
// leaves behind before the first database exists.
bool holdsOnlyEmptyFolders(const fs::path& folder) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error)))
        return false;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (!fs::is_directory(it->symlink_status(error)))
            return false;
    }
    return !error;
}

// Makes the missing folders of `folder` one by one, each private from the start, so no other
// user can open one in the moment between its creation and a later chmod.
void createPrivateFolders(const fs::path& folder, std::error_code& error) {
    std::vector<fs::path> missing;
    for (fs::path at = folder; !at.empty() && !fs::exists(fs::symlink_status(at, error));
         at = at.parent_path()) {
        missing.push_back(at);
        if (at == at.parent_path())
            break;
    }
    error.clear();
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (::mkdir(it->c_str(), privateFolderMode) != 0 && errno != EEXIST) {
            error.assign(errno, std::generic_category());
            return;
        }
}

} // namespace

fs::path userDataFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data && data[0] == '/')
        return data;
    return homeFolder() / ".local" / "share";
}

fs::path libraryRoot() {
    if (const char* value = std::getenv("TAVRO_HOME")) {
        std::string raw = value;
        if (!text::isBlank(raw, text::Whitespace::Horizontal))
            return fs::absolute(expandTilde(raw));
    }
    return userDataFolder() / "Tavro";
}

fs::path capturesRoot() {
    return libraryRoot() / "captures";
}
fs::path thumbsRoot() {
    return libraryRoot() / "thumbs";
}
fs::path logsRoot() {
    return libraryRoot() / "logs";
}
fs::path databasePath() {
    return libraryRoot() / std::string(databaseFileName);
}
fs::path legacySupport() {
    return userDataFolder() / "Koldar";
}

std::optional<fs::path> resolveInside(const fs::path& root, std::string_view relative) {
    if (relative.empty() || relative.find('\0') != std::string_view::npos)
        return std::nullopt;
    fs::path path{std::string(relative)};
    if (path.is_absolute() || path.has_root_name() || path.has_root_directory())
        return std::nullopt;
    bool hasName = false;
    for (const auto& part : path) {
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            hasName = true;
    }
    if (!hasName)
        return std::nullopt;
    return root / path;
}

std::optional<fs::path> imageFilePath(std::string_view relative) {
    return resolveInside(capturesRoot(), relative);
}

std::optional<fs::path> thumbFilePath(std::string_view relative) {
    return resolveInside(thumbsRoot(), relative);
}

std::string relativeImagePath(std::string_view id, Seconds date, std::string_view ext) {
    auto month = localYearMonth(date);
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%04d/%02d/", month.year, month.month);
    std::string out = prefix;
    out += id;
    out += '.';
    out += ext;
    return out;
}

bool ensureDirectories() {
    for (const auto& folder : {libraryRoot(), capturesRoot(), thumbsRoot(), logsRoot()}) {
        std::error_code error;
        createPrivateFolders(folder, error);
        if (error || !fs::is_directory(folder, error))
            return false;
        // A library made by an earlier release is open to every local user: close it.
        tightenToOwner(folder);
    }
    return true;
}

void ensureParentDirectory(const fs::path& file) {
    auto parent = file.parent_path();
    if (parent.empty())
        return;
    std::error_code error;
    // Inside the library the folders are made one by one from the library folder, none through
    // a link; the library folder itself, and folders elsewhere, are made as paths.
    auto located = openFolderOf(file, true);
    if (located.inside && !located.folder.fd && located.folder.error == ENOENT) {
        createPrivateFolders(libraryRoot(), error);
        if (!error)
            located = openFolderOf(file, true);
    }
    if (!located.inside) {
        createPrivateFolders(parent, error);
    } else if (!located.folder.fd && !error) {
        error.assign(located.folder.error, std::generic_category());
        if (!located.folder.link.empty())
            throw fs::filesystem_error(
                "cannot create folder: " + refusedLinkText(located.folder.link), parent, error);
    }
    if (error)
        throw fs::filesystem_error("cannot create folder", parent, error);
}

void tightenToOwner(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || S_ISLNK(status.st_mode))
        return;
    if (status.st_mode & 077)
        ::chmod(path.c_str(), status.st_mode & 07700);
}

LegacyMove migrateLegacyLibraryIfNeeded() {
    if (std::getenv("TAVRO_HOME"))
        return LegacyMove::none;
    std::error_code error;
    const auto legacy = legacySupport();
    if (!fs::exists(legacy / "koldar.sqlite", error))
        return LegacyMove::none;
    const auto target = libraryRoot();
    if (fs::exists(target / std::string(databaseFileName), error))
        return LegacyMove::none;
    if (fs::exists(fs::symlink_status(target, error))) {
        // Only the empty folders of an earlier ensureDirectories() may be replaced; anything the
        // user put there stays and the move is abandoned.
        if (!holdsOnlyEmptyFolders(target))
            return LegacyMove::leftInPlace;
        fs::remove_all(target, error);
        if (error)
            return LegacyMove::failed;
    }
    fs::create_directories(target.parent_path(), error);
    fs::rename(legacy, target, error);
    if (error)
        return LegacyMove::failed;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        auto from = target / (std::string("koldar.sqlite") + suffix);
        if (!fs::exists(from, error))
            continue;
        fs::rename(from, target / (std::string(databaseFileName) + suffix), error);
        if (error)
            return LegacyMove::failed;
    }
    return LegacyMove::moved;
}

std::string legacyLibraryLeftNotice() {
    return "The library of the former release at " + legacySupport().string() +
           " was not moved into " + libraryRoot().string() +
           ", which already holds files of yours. Move those files elsewhere and start Tavro "
           "again to bring the old library over.";
}

} // namespace tavro::TavroPaths
