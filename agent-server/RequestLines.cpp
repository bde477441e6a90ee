#include "RequestLines.h"

#include <cctype>
#include <cstring>
#include <streambuf>

namespace tavro {

namespace {

// How much of an over-long line is kept to look for its id.
constexpr size_t headBytes = 4096;

// A number or a string without escapes right after the first "id" key, when that key comes
// before "params" (so it is not an argument's). Anything less plain gives nothing.
std::optional<JSON> plainID(const std::string& head) {
    const auto key = head.find("\"id\"");
    if (key == std::string::npos)
        return std::nullopt;
    if (const auto params = head.find("\"params\""); params != std::string::npos && params < key)
        return std::nullopt;
    size_t at = key + 4;
    auto skipSpace = [&] {
        while (at < head.size() && std::isspace((unsigned char)head[at]))
            ++at;
    };
    skipSpace();
    if (at >= head.size() || head[at] != ':')
        return std::nullopt;
    ++at;
    skipSpace();
    if (at >= head.size())
        return std::nullopt;
    if (head[at] == '"') {
        const auto end = head.find('"', at + 1);
        if (end == std::string::npos || head.find('\\', at + 1) < end)
            return std::nullopt;
        return JSON(head.substr(at + 1, end - at - 1));
    }
    size_t end = at;
    while (end < head.size() && (std::isdigit((unsigned char)head[end]) || head[end] == '-'))
        ++end;
    if (end == at || end - at > 18 || (end < head.size() && !std::strchr(" \t,}", head[end])))
        return std::nullopt;
    return JSON(std::stoll(head.substr(at, end - at)));
}

} // namespace

RequestLines::RequestLines(std::istream& input, size_t limit)
    : input_(input)
    , limit_(limit) {}

std::optional<RequestLines::Line> RequestLines::next() {
    std::streambuf* buffer = input_.rdbuf();
    if (!buffer)
        return std::nullopt;
    using Traits = std::streambuf::traits_type;
    Line line;
    std::string head;
    bool sawAny = false;
    for (;;) {
        const Traits::int_type c = buffer->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof())) {
            input_.setstate(std::ios::eofbit);
            if (!sawAny)
                return std::nullopt;
            break;
        }
        sawAny = true;
        const char ch = Traits::to_char_type(c);
        if (ch == '\n')
            break;
        if (line.overlong)
            continue;
        if (line.text.size() == limit_) {
            line.overlong = true;
            head = line.text.substr(0, headBytes);
            std::string().swap(line.text);
            continue;
        }
        line.text.push_back(ch);
    }
    if (line.overlong)
        line.id = plainID(head);
    else if (!line.text.empty() && line.text.back() == '\r')
        line.text.pop_back();
    return line;
}

} // namespace tavro
