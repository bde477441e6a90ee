#pragma once

#include <string>

namespace tavro {

// What a failed write means to the person using the app. The store describes its failures in
// its own terms ("SQL execution failed: database is locked" and the statement); those become a
// sentence about what happened (one the code has no sentence for keeps SQLite's message, never
// the statement), and the description goes to standard error for the log. Any other message is
// already written for the user and passes through.
std::string userFacingFailure(const std::string& description);

} // namespace tavro
