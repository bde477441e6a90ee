#include "files/LibraryFiles.h"

#include "model/LibraryOpen.h"
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

std::string failure(const fs::path& file, int error, const std::string& link = {}) {
    return "Could not write " + file.filename().string() + ": " +
           (link.empty() ? std::string(std::strerror(error)) : TavroPaths::refusedLinkText(link));
}

// A fresh hidden name beside `name`; O_EXCL makes a clash fail instead of sharing a file.
std::string temporaryName(const std::string& name) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix(8, '0');
    for (char& c : suffix)
        c = digits[random() % (sizeof digits - 1)];
    return "." + name + "." + suffix;
}

// The library-relative name of `file`, for a link refused in its place.
std::string relativeToLibrary(const fs::path& file) {
    return file.lexically_normal()
        .lexically_relative(TavroPaths::libraryRoot().lexically_normal())
        .string();
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
    const auto located = TavroPaths::openFolderOf(file, false);
    if (!located.folder.fd)
        return failure(file, located.folder.error, located.folder.link);
    const int folder = located.folder.fd.get();
    const char* name = located.name.c_str();
    struct stat existing {};
    const bool replaces =
        ::fstatat(folder, name, &existing, located.inside ? AT_SYMLINK_NOFOLLOW : 0) == 0;
    // A link in the file's place inside the library is neither followed nor replaced.
    if (replaces && located.inside && S_ISLNK(existing.st_mode))
        return failure(file, ELOOP, relativeToLibrary(file));
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary = temporaryName(located.name);
        // Private from the start; a file that replaces another takes the old one's mode below.
        fd = ::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
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
    if (!error && ::renameat(folder, temporary.c_str(), folder, name) != 0)
        error = errno;
    if (error) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return failure(file, error);
    }
    return std::nullopt;
}

std::optional<std::string> write(Folder folder, std::string_view name, Bytes data) {
    const auto target = locate(folder, name);
    if (!target)
        return "Could not write " + std::string(name) + ": the name leaves its folder";
    TavroPaths::ensureParentDirectory(*target);
    return writeAtomically(*target, data);
}

bool writeThumbnail(std::string_view name, Bytes jpeg) {
    try {
        return !write(Folder::thumbs, name, jpeg);
    } catch (const fs::filesystem_error&) {
        // No folder, no thumbnail: callers fall back to the original, as for any failed write.
        return false;
    }
}

void remove(Folder folder, std::string_view name) {
    const auto file = locate(folder, name);
    if (!file)
        return;
    // Reached without following a link on the way; a link in the file's place goes itself.
    const auto located = TavroPaths::openFolderOf(*file, false);
    struct stat status {};
    if (!located.folder.fd ||
        ::fstatat(located.folder.fd.get(), located.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) !=
            0 ||
        S_ISDIR(status.st_mode))
        return;
    ::unlinkat(located.folder.fd.get(), located.name.c_str(), 0);
}

Contents read(Folder folder, std::string_view name) {
    using Status = Contents::Status;
    const auto file = locate(folder, name);
    if (!file)
        return {Status::refusedName};
    const auto opened = TavroPaths::openFile(*file, O_RDONLY | O_NONBLOCK);
    if (!opened.fd) {
        if (!opened.link.empty())
            return {Status::failed, {}, TavroPaths::refusedLinkText(opened.link)};
        if (opened.error == ENOENT || opened.error == ENOTDIR || opened.error == EISDIR)
            return {Status::missing};
        return {Status::failed, {}, std::strerror(opened.error)};
    }
    struct stat status {};
    if (::fstat(opened.fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return {Status::missing};
    Contents contents{Status::read};
    contents.bytes.resize(std::size_t(status.st_size));
    std::size_t done = 0;
    for (;;) {
        if (done == contents.bytes.size())
            contents.bytes.resize(done + 64 * 1024);
        const ssize_t n =
            ::read(opened.fd.get(), contents.bytes.data() + done, contents.bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {Status::failed, {}, std::strerror(errno)};
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    contents.bytes.resize(done);
    return contents;
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
    const auto located = TavroPaths::openFolderOf(*file, false);
    struct stat status {};
    if (!located.folder.fd ||
        ::fstatat(located.folder.fd.get(), located.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) !=
            0 ||
        !S_ISREG(status.st_mode))
        return std::nullopt;
    return std::int64_t(status.st_size);
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
