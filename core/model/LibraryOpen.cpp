#include "model/LibraryOpen.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavro::TavroPaths {

namespace {

// The part of `file` below the library folder, or nothing for a path elsewhere.
std::optional<fs::path> insideLibrary(const fs::path& file) {
    const fs::path relative =
        file.lexically_normal().lexically_relative(libraryRoot().lexically_normal());
    if (relative.empty() || relative == "." || *relative.begin() == "..")
        return std::nullopt;
    return relative;
}

bool isLink(int folder, const char* name) {
    struct stat status {};
    return ::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
}

Opened failed(int error, std::string link = {}) {
    return {FileDescriptor(), error, std::move(link)};
}

} // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0)
        ::close(fd_);
}

OpenedFolder openFolderOf(const fs::path& file, bool create) {
    OpenedFolder out;
    out.name = file.filename().string();
    const auto relative = insideLibrary(file);
    if (!relative) {
        const fs::path parent = file.parent_path().empty() ? "." : file.parent_path();
        const int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        out.folder = fd >= 0 ? Opened{FileDescriptor(fd)} : failed(errno);
        return out;
    }
    out.inside = true;
    FileDescriptor folder(::open(libraryRoot().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) {
        out.folder = failed(errno);
        return out;
    }
    fs::path walked;
    const fs::path parent = relative->parent_path();
    for (const auto& part : parent) {
        walked /= part;
        const std::string name = part.string();
        constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int next = ::openat(folder.get(), name.c_str(), flags);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(folder.get(), name.c_str(), privateFolderMode) != 0 && errno != EEXIST) {
                out.folder = failed(errno);
                return out;
            }
            next = ::openat(folder.get(), name.c_str(), flags);
        }
        if (next < 0) {
            const int error = errno;
            out.folder =
                isLink(folder.get(), name.c_str()) ? failed(ELOOP, walked.string()) : failed(error);
            return out;
        }
        folder = FileDescriptor(next);
    }
    out.folder = Opened{std::move(folder)};
    return out;
}

Opened openFile(const fs::path& file, int flags, unsigned mode) {
    auto located = openFolderOf(file, (flags & O_CREAT) != 0);
    if (!located.folder.fd)
        return std::move(located.folder);
    if (located.name.empty())
        return failed(EISDIR);
    const int extra = O_CLOEXEC | (located.inside ? O_NOFOLLOW : 0);
    const int fd = ::openat(located.folder.fd.get(), located.name.c_str(), flags | extra, mode);
    if (fd >= 0)
        return {FileDescriptor(fd)};
    const int error = errno;
    if (located.inside && error == ELOOP)
        return failed(ELOOP, insideLibrary(file)->string());
    return failed(error);
}

OpenedStream openForReading(const fs::path& file) {
    OpenedStream out;
    auto opened = openFile(file, O_RDONLY);
    if (!opened.fd) {
        out.error = opened.error;
        out.link = std::move(opened.link);
        return out;
    }
    out.file.reset(::fdopen(opened.fd.get(), "rb"));
    if (out.file)
        opened.fd.release();
    else
        out.error = errno;
    return out;
}

std::string refusedLinkText(const std::string& link) {
    return link + " is a symbolic link, and links inside the library are not followed";
}

} // namespace tavro::TavroPaths
