#include "model/BoardRecords.h"

#include "model/Text.h"

namespace tavro {

std::string Person::initials() const {
    std::string out;
    int words = 0;
    size_t pos = 0;
    while (words < 2 && pos < name.size()) {
        if (name[pos] == ' ') {
            ++pos;
            continue;
        }
        auto end = name.find(' ', pos);
        auto word = std::string_view(name).substr(pos, end == std::string::npos ? end : end - pos);
        out += text::uppercased(text::prefixCharacters(word, 1));
        ++words;
        pos = end == std::string::npos ? name.size() : end;
    }
    return words == 0 ? "?" : out;
}

} // namespace tavro
