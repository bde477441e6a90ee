#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tavro {

// Splits the event stream's body into lines as its bytes arrive, in chunks of any size. A line
// ends at LF, CR or CR LF. A line longer than the bound keeps its first `maxLine` bytes and the
// rest of it is dropped, so a server that never sends a line break cannot grow the buffer.
class EventStreamLines {
public:
    static constexpr std::size_t defaultMaxLine = 4096;

    explicit EventStreamLines(std::function<void(std::string_view)> onLine,
                              std::size_t maxLine = defaultMaxLine);

    void feed(std::string_view bytes);
    // The stream ended: a last line without its line break still counts.
    void finish();

private:
    void endLine();

    std::function<void(std::string_view)> onLine_;
    std::size_t maxLine_;
    std::string line_;
    bool pending_ = false; // bytes of an unfinished line were seen
    bool afterCR_ = false;
};

// A line that announces changes on the server: only its beginning is compared.
bool isChangeEvent(std::string_view line);

} // namespace tavro
