#include "sync/EventStreamLines.h"

namespace tavro {

EventStreamLines::EventStreamLines(std::function<void(std::string_view)> onLine,
                                   std::size_t maxLine)
    : onLine_(std::move(onLine))
    , maxLine_(maxLine) {}

void EventStreamLines::endLine() {
    onLine_(line_);
    line_.clear();
    pending_ = false;
}

void EventStreamLines::feed(std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\n') {
            if (!afterCR_)
                endLine();
            afterCR_ = false;
            continue;
        }
        afterCR_ = false;
        if (c == '\r') {
            endLine();
            afterCR_ = true;
            continue;
        }
        pending_ = true;
        if (line_.size() < maxLine_)
            line_.push_back(c);
    }
}

void EventStreamLines::finish() {
    if (pending_)
        endLine();
    afterCR_ = false;
}

bool isChangeEvent(std::string_view line) {
    return line.starts_with("event: change");
}

} // namespace tavro
