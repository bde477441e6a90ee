#pragma once

#include <set>
#include <string>

namespace tavro::test {

// The store probe appends one ";"-ended token to a capture's note per step it takes; the tokens a
// note holds show which steps' writes survived.
inline std::multiset<std::string> noteTokens(const std::string& note) {
    std::multiset<std::string> tokens;
    size_t start = 0;
    for (size_t end; (end = note.find(';', start)) != std::string::npos; start = end + 1)
        tokens.insert(note.substr(start, end - start));
    return tokens;
}

} // namespace tavro::test
