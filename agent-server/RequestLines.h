#pragma once

#include "JSONRPC.h"

#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace tavro {

// Splits the input into request lines without ever holding more than one line's limit: the
// rest of an over-long line is read and dropped, and the next line is served as usual.
class RequestLines {
public:
    // Far above any request a client sends: a note at its longest, escaped, fits many times.
    static constexpr size_t defaultLimit = 8u << 20;

    struct Line {
        std::string text; // empty when over-long
        bool overlong = false;
        // For an over-long line: its "id" when the line's start names one plainly.
        std::optional<JSON> id;
    };

    explicit RequestLines(std::istream& input, size_t limit = defaultLimit);

    // The next line without its line feed (and a CR before it), or nothing once the input ends.
    std::optional<Line> next();

    size_t limit() const { return limit_; }

private:
    std::istream& input_;
    size_t limit_;
};

} // namespace tavro
