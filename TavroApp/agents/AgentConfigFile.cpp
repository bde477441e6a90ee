#include "agents/AgentConfigFile.h"

#include "files/LibraryFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace fs = std::filesystem;

namespace tavro::AgentConfigFile {

namespace {

using State = Contents::State;

Contents unreadable(std::string problem) {
    return {State::unreadable, nlohmann::json::object(), std::move(problem)};
}

// The whole file, or the errno that stopped reading it.
std::variant<std::string, int> readAll(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    std::string bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        if (n == 0)
            break;
        bytes.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return bytes;
}

bool blank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

} // namespace

Contents read(const fs::path& file) {
    auto bytes = readAll(file);
    if (const int* error = std::get_if<int>(&bytes)) {
        if (*error == ENOENT)
            return {};
        return unreadable(file.string() + " can't be read (" + std::strerror(*error) + ")");
    }
    const std::string& text = std::get<std::string>(bytes);
    if (blank(text))
        return {State::object, nlohmann::json::object(), {}};
    nlohmann::json root = nlohmann::json::parse(text, nullptr, false);
    if (root.is_discarded())
        return unreadable(file.string() +
                          " isn't plain JSON (it may hold comments or a trailing comma)");
    if (!root.is_object())
        return unreadable(file.string() + " doesn't hold a JSON object at its top level");
    return {State::object, std::move(root), {}};
}

fs::path backupPath(const fs::path& file) {
    fs::path backup = file;
    backup += ".tavro-backup";
    return backup;
}

void backup(const fs::path& file) {
    const fs::path copy = backupPath(file);
    std::error_code ignored;
    fs::remove(copy, ignored);
    fs::copy_file(file, copy, ignored);
}

std::optional<std::string> serialise(const nlohmann::json& value) {
    try {
        return value.dump(2) + "\n";
    } catch (const nlohmann::json::exception&) {
        // Text that is not valid UTF-8: the caller leaves the file as it was.
        return std::nullopt;
    }
}

std::optional<std::string> writeProtection(const fs::path& file) {
    struct stat info {};
    // Through a link, the target's mode is the one that counts.
    if (::stat(file.c_str(), &info) != 0 || (info.st_mode & S_IWUSR) != 0)
        return std::nullopt;
    return file.string() + " is read-only, so it was left as it is. Make it writable, or add the "
                           "server by hand instead.";
}

std::optional<std::string> write(const fs::path& file, std::string_view text) {
    // A configuration kept elsewhere (a dotfiles checkout) is written where the link points,
    // even when that file does not exist yet: replacing the link would cut it off.
    std::error_code error;
    fs::path target = file;
    for (int hops = 0; fs::is_symlink(target, error); ++hops) {
        const fs::path next = fs::read_symlink(target, error);
        if (error || hops == 40)
            return "Could not follow the link " + file.string() +
                   (error ? ": " + error.message() : std::string(": too many links"));
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    if (!fs::exists(target.parent_path(), error)) {
        fs::create_directories(target.parent_path(), error);
        if (error)
            return "Could not create " + target.parent_path().string() + ": " + error.message();
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    return LibraryFiles::writeAtomically(target, LibraryFiles::Bytes(data, text.size()));
}

} // namespace tavro::AgentConfigFile
