#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace tavro::diagnostics {

// Writes bytes to standard error completely, retrying short writes; failures are ignored.
void writeStandardError(std::string_view bytes);

// One diagnostic line: "[tavro-mcp] " + text + "\n".
void log(std::string_view text);

// An error as a developer reads it: its kind and the values it carries, e.g.
// DatabaseError.stepFailed(message: "disk I/O error", sql: "UPDATE …").
std::string describe(const std::exception& error);

// An error as the agent reads it: what failed, in plain words; never a statement.
std::string plainMessage(const std::exception& error);

} // namespace tavro::diagnostics
