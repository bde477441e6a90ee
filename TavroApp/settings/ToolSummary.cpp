#include "settings/ToolSummary.h"

namespace tavro {

std::span<const ToolSummary> ToolSummary::all() {
    static constexpr ToolSummary tools[] = {
        {"list_captures", "See what's open, with notes and where each was found."},
        {"get_capture", "Look at the actual screenshot, plus full context and comments."},
        {"claim_capture", "Take ownership so you can see it's being worked on."},
        {"comment_on_capture", "Post a diagnosis or a question back to you."},
        {"resolve_capture", "Mark it fixed and record the commit or PR."},
        {"reopen_capture", "Put it back on the board when a fix doesn't hold."},
        {"update_capture", "Edit the note, priority, group or tags."},
        {"list_groups", "See the groups and how much is open in each."},
        {"capture_stats", "Board summary and where the open work is."},
    };
    return tools;
}

} // namespace tavro
