#include "library/FailureText.h"

#include "store/DatabaseError.h"

#include <cstdio>
#include <string_view>

namespace tavro {

namespace {

// How the store's errors begin (DatabaseError).
constexpr std::string_view storePrefixes[] = {
    "SQL execution failed: ",
    "SQL prepare failed: ",
    "Could not open the Tavro database: ",
};

} // namespace

std::string userFacingFailure(const std::string& description) {
    for (std::string_view prefix : storePrefixes) {
        if (!description.starts_with(prefix))
            continue;
        std::fprintf(stderr, "[tavro] %s\n", description.c_str());
        return DatabaseError::plainMessageFor(std::string_view(description).substr(prefix.size()));
    }
    return description;
}

} // namespace tavro
