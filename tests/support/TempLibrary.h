#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tavro::test {

// A throw-away folder, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the object's lifetime and restores the old value after.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A temporary library: "TAVRO_HOME" points at a fresh folder while it lives.
class TempLibrary {
public:
    TempLibrary();

    std::filesystem::path root() const { return folder_.path() / "Library"; }
    std::filesystem::path database() const { return root() / "tavro.sqlite"; }

private:
    TempFolder folder_;
    ScopedEnv home_;
};

std::string readFile(const std::filesystem::path& file);
// The number of regular files anywhere below `root` (0 when it does not exist).
size_t filesUnder(const std::filesystem::path& root);
void writeFile(const std::filesystem::path& file, const std::string& contents);

} // namespace tavro::test
