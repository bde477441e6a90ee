#pragma once

#include <exception>
#include <filesystem>
#include <string>

namespace tavro {

// The two lines standard error gives a person when the library cannot be opened, each ending in
// a line feed: where the library is, and what to do. A library that did not exist is made by
// launching the app; for a file that is there, the second line says what is wrong with it.
std::string libraryOpenFailure(const std::filesystem::path& database, bool existed,
                               const std::exception& error);

} // namespace tavro
