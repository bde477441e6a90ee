#include "board/EmptyStateContent.h"

namespace tavro {

namespace {

const char* const matchingMessage = "Captures matching this filter will show up here.";

EmptyStateContent make(const char* title, Icon symbol, const char* message, bool hint = false) {
    return {QString::fromUtf8(title), symbol, QString::fromUtf8(message), hint};
}

} // namespace

EmptyStateContent emptyStateContent(const LibraryFilter& filter, bool isSearching) {
    if (isSearching)
        return make("No matches", Icon::magnifyingglass,
                    "Try a different search — notes, app names, window titles and URLs are all "
                    "searchable.");
    switch (filter.kind()) {
    case LibraryFilter::Kind::status:
        switch (filter.statusValue()) {
        case CaptureStatus::resolved:
            return make("Nothing resolved yet", Icon::checkmarkCircle,
                        "Captures you or an agent mark as fixed will collect here.");
        case CaptureStatus::archived:
            return make("Nothing archived", Icon::archivebox, matchingMessage);
        case CaptureStatus::open:
        case CaptureStatus::inProgress:
            break;
        }
        return make("No captures yet", Icon::viewfinder, matchingMessage);
    case LibraryFilter::Kind::group:
        return make("This group is empty", Icon::viewfinder, matchingMessage);
    case LibraryFilter::Kind::tag:
        return make("No captures with this tag", Icon::viewfinder, matchingMessage);
    case LibraryFilter::Kind::inbox:
        return make("Nothing on the board", Icon::viewfinder,
                    "When you spot something wrong, grab it. The screenshot and your note land "
                    "here, and your agent can read both.",
                    true);
    case LibraryFilter::Kind::assignedToMe:
        return make("Nothing assigned to you", Icon::viewfinder, matchingMessage);
    case LibraryFilter::Kind::mine:
        return make("You haven't filed anything yet", Icon::viewfinder, matchingMessage);
    case LibraryFilter::Kind::everything:
        break;
    }
    return make("No captures yet", Icon::viewfinder, matchingMessage);
}

} // namespace tavro
