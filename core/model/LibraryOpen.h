#pragma once

#include "model/Paths.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace tavro::TavroPaths {

// An open file descriptor, closed with the object.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Files inside the library folder are reached one name at a time from that folder (which may
// itself be a link the user made), never through a symbolic link below it: a link in captures/
// named by a row, or a month folder made into one, must not lead a read or a write outside the
// library. Paths elsewhere are opened as they are.
struct Opened {
    FileDescriptor fd;
    int error = 0;    // errno when fd is not open
    std::string link; // the refused link, relative to the library folder
};

// Like open(2). With O_CREAT, folders missing on the way inside the library are made, private.
Opened openFile(const std::filesystem::path& file, int flags, unsigned mode = privateFileMode);

// openFile() for reading, as a stream.
struct OpenedStream {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, std::fclose};
    int error = 0;
    std::string link;
};
OpenedStream openForReading(const std::filesystem::path& file);

// The folder that holds `file`, opened the same way (made, private, when missing and `create`),
// for the *at() calls on its `name`; `inside` says whether links are refused there.
struct OpenedFolder {
    Opened folder;
    std::string name;
    bool inside = false;
};
OpenedFolder openFolderOf(const std::filesystem::path& file, bool create);

// "captures/2026/03 is a symbolic link, and links inside the library are not followed".
std::string refusedLinkText(const std::string& link);

} // namespace tavro::TavroPaths
