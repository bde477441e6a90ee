#include "files/LibraryFiles.h"

#include "model/Paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavro::LibraryFiles {

namespace {

fs::path root(Folder folder) {
    return folder == Folder::captures ? TavroPaths::capturesRoot() : TavroPaths::thumbsRoot();
}

// Without the last "." of the last segment and what follows; a name that only starts with a dot
// has no extension.
std::string_view stem(std::string_view name) {
    const auto slash = name.rfind('/');
    const auto nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart)
        return name;
    return name.substr(0, dot);
}

std::string failure(const fs::path& file, int error) {
    return "Could not write " + file.filename().string() + ": " + std::strerror(error);
}

// A fresh hidden name beside `file`; O_EXCL makes a clash fail instead of sharing a file.
std::string temporaryName(const fs::path& file) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix(8, '0');
    for (char& c : suffix)
        c = digits[random() % (sizeof digits - 1)];
    return (file.parent_path() / ("." + file.filename().string() + "." + suffix)).string();
}

bool writeAll(int fd, Bytes data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

} // namespace

std::string originalName(std::string_view imageID, Seconds date) {
    return TavroPaths::relativeImagePath(imageID, date, "png");
}

std::string withExtension(std::string_view name, std::string_view ext) {
    std::string out(stem(name));
    out += '.';
    out += ext;
    return out;
}

std::string thumbnailName(std::string_view imageID, Seconds date) {
    return TavroPaths::relativeImagePath(imageID, date, "jpg");
}

std::string markedCopyName(std::string_view originalName) {
    return std::string(stem(originalName)) + "-marked.png";
}

std::optional<fs::path> locate(Folder folder, std::string_view name) {
    return TavroPaths::resolveInside(root(folder), name);
}

std::optional<std::string> writeAtomically(const fs::path& file, Bytes data) {
    struct stat existing {};
    const bool replaces = ::stat(file.c_str(), &existing) == 0;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary = temporaryName(file);
        // Private from the start; a file that replaces another takes the old one's mode below.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    TavroPaths::privateFileMode);
        if (fd < 0 && errno != EEXIST)
            return failure(file, errno);
    }
    if (fd < 0)
        return failure(file, EEXIST);
    int error = 0;
    errno = 0;
    if (!writeAll(fd, data))
        error = errno ? errno : EIO;
    if (!error && replaces && ::fchmod(fd, existing.st_mode & 07777) != 0)
        error = errno;
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        return failure(file, error);
    }
    return std::nullopt;
}

bool writeThumbnail(std::string_view name, Bytes jpeg) {
    const auto target = locate(Folder::thumbs, name);
    if (!target)
        return false;
    try {
        TavroPaths::ensureParentDirectory(*target);
    } catch (const fs::filesystem_error&) {
        // No folder, no thumbnail: callers fall back to the original, as for any failed write.
        return false;
    }
    return !writeAtomically(*target, jpeg);
}

void remove(Folder folder, std::string_view name) {
    const auto file = locate(folder, name);
    if (!file)
        return;
    std::error_code error;
    const auto status = fs::symlink_status(*file, error);
    if (error || !fs::exists(status) || fs::is_directory(status))
        return;
    fs::remove(*file, error);
}

bool isTemporaryName(std::string_view fileName) {
    if (fileName.size() < 11 || fileName.front() != '.')
        return false;
    const auto suffix = fileName.substr(fileName.size() - 9);
    return suffix.front() == '.' &&
           suffix.substr(1).find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz") ==
               std::string_view::npos;
}

std::optional<std::int64_t> byteCount(Folder folder, std::string_view name) {
    const auto file = locate(folder, name);
    if (!file)
        return std::nullopt;
    std::error_code error;
    const auto size = fs::file_size(*file, error);
    if (error)
        return std::nullopt;
    return std::int64_t(size);
}

std::int64_t imageFolderBytes() {
    std::int64_t total = 0;
    for (const Folder folder : {Folder::captures, Folder::thumbs}) {
        std::error_code error;
        fs::recursive_directory_iterator it(root(folder),
                                            fs::directory_options::skip_permission_denied, error);
        for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
            const fs::path& entry = it->path();
            std::error_code statusError;
            const fs::file_status status = it->symlink_status(statusError);
            if (const auto name = entry.filename().string();
                name.starts_with('.') && !isTemporaryName(name)) {
                if (fs::is_directory(status))
                    it.disable_recursion_pending();
                continue;
            }
            if (statusError || !fs::is_regular_file(status))
                continue;
            std::error_code sizeError;
            const auto size = it->file_size(sizeError);
            if (!sizeError)
                total += std::int64_t(size);
        }
    }
    return total;
}

} // namespace tavro::LibraryFiles
