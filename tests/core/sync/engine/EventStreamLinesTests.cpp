#include "sync/EventStreamLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavro;

namespace {

std::vector<std::string> split(const std::vector<std::string>& chunks, std::size_t maxLine = 16) {
    std::vector<std::string> lines;
    EventStreamLines parser([&](std::string_view line) { lines.emplace_back(line); }, maxLine);
    for (const auto& chunk : chunks)
        parser.feed(chunk);
    parser.finish();
    return lines;
}

} // namespace

TEST(EventStreamLines, SplitsChunksIntoBoundedLines) {
    struct Case {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
    };
    const std::string longLine(40, 'x');
    const std::vector<Case> cases = {
        {"lf", {"event: change\ndata: {}\n\n"}, {"event: change", "data: {}", ""}},
        {"crlf", {"event: change\r\ndata: 1\r\n"}, {"event: change", "data: 1"}},
        {"cr alone", {"a\rb\r"}, {"a", "b"}},
        {"crlf split across chunks", {"a\r", "\nb\n"}, {"a", "b"}},
        {"line split across chunks", {"eve", "nt: ch", "ange\n"}, {"event: change"}},
        {"one byte at a time", {"a", "b", "\n", "\n"}, {"ab", ""}},
        {"last line without break", {"data: x"}, {"data: x"}},
        {"empty body", {}, {}},
        {"over-long line keeps its start", {longLine + "\nnext\n"}, {std::string(16, 'x'), "next"}},
        {"over-long line across chunks",
         {std::string(10, 'y'), std::string(10, 'y'), std::string(1000, 'y'), "\nok\n"},
         {std::string(16, 'y'), "ok"}},
        {"bound exactly", {std::string(16, 'z') + "\n"}, {std::string(16, 'z')}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(split(c.chunks), c.lines) << c.name;
}

TEST(EventStreamLines, ALineThatNeverEndsStaysBounded) {
    std::size_t longest = 0;
    int count = 0;
    EventStreamLines parser(
        [&](std::string_view line) {
            longest = std::max(longest, line.size());
            ++count;
        },
        EventStreamLines::defaultMaxLine);
    const std::string chunk(64 * 1024, 'a');
    for (int i = 0; i < 256; ++i) // 16 MiB without a line break
        parser.feed(chunk);
    parser.feed("\nevent: change\n");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(longest, EventStreamLines::defaultMaxLine);
}

TEST(EventStreamLines, OnlyTheBeginningOfALineMakesAChangeEvent) {
    struct Case {
        std::string line;
        bool change;
    };
    const std::vector<Case> cases = {
        {"event: change", true},
        {"event: changes", true},
        {"event: change {\"x\":1}", true},
        {"event: ping", false},
        {"event:change", false},
        {" event: change", false},
        {"data: event: change", false},
        {": event: change", false},
        {"", false},
        {"Event: change", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isChangeEvent(c.line), c.change) << c.line;
}
