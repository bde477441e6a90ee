#pragma once

#include "model/Time.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// Where the library lives and how it is laid out. Every answer is worked out afresh from the
// environment and the file system, so tests can point "TAVRO_HOME" elsewhere between calls.
namespace TavroPaths {

inline constexpr std::string_view bundleIdentifier = "dev.tavro.Tavro";
inline constexpr std::string_view databaseFileName = "tavro.sqlite";

std::filesystem::path libraryRoot();
std::filesystem::path capturesRoot();
std::filesystem::path thumbsRoot();
std::filesystem::path logsRoot();
std::filesystem::path databasePath();

// The user's data folder ($XDG_DATA_HOME, else ~/.local/share), which holds "Tavro" by default.
std::filesystem::path userDataFolder();
std::filesystem::path legacySupport();

// Joins a stored relative path to a folder of the library. Refuses (returns nothing) an empty
// path, an absolute one, one with a ".." segment or a NUL byte: stored paths come from other
// processes and from the network, and must never reach outside the library.
std::optional<std::filesystem::path> resolveInside(const std::filesystem::path& root,
                                                   std::string_view relative);

std::optional<std::filesystem::path> imageFilePath(std::string_view relative);
std::optional<std::filesystem::path> thumbFilePath(std::string_view relative);

// "yyyy/MM/<id>.<ext>" by the local calendar month of `date`.
std::string relativeImagePath(std::string_view id, Seconds date, std::string_view ext);

// The library holds private data (screenshots, notes, window titles, the account's e-mail): its
// folders are readable by their owner alone, and its files too.
inline constexpr unsigned privateFolderMode = 0700;
inline constexpr unsigned privateFileMode = 0600;

// Makes the library folder and its sub-folders, private, and takes the group's and others' rights
// from those that exist already.
bool ensureDirectories();
// Makes the missing folders above `file`, private; inside the library never through a symbolic
// link (see LibraryOpen.h). Throws std::filesystem::filesystem_error.
void ensureParentDirectory(const std::filesystem::path& file);
// Best effort: takes the group's and others' rights from a file or folder (never a symbolic
// link's target).
void tightenToOwner(const std::filesystem::path& path);

// What became of the former product's library when the store opened.
enum class LegacyMove {
    none, // nothing to move: no legacy library, one in place already, or "TAVRO_HOME" set
    moved,
    leftInPlace, // the new library folder holds files of the user's, which are never removed
    failed,      // a removal or a move failed; the next opening tries again
};

// Moves the former product's library into place once. Never throws; every failure ends it.
LegacyMove migrateLegacyLibraryIfNeeded();

// What to tell the user when the legacy library was left in place: it would otherwise never be
// picked up, with no word said.
std::string legacyLibraryLeftNotice();

} // namespace TavroPaths

} // namespace tavro
