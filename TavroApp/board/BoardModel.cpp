#include "board/BoardModel.h"

#include "board/CaptureCardContent.h"
#include "files/LibraryFiles.h"
#include "ui/PlatformTexts.h"

#include <algorithm>

namespace tavro {

std::string boardSubtitle(const LibraryFilter& filter, const std::vector<Capture>& visible) {
    const auto high = std::count_if(visible.begin(), visible.end(), [](const Capture& c) {
        return c.priority == CapturePriority::high;
    });
    return boardSubtitle(filter, visible.size(), std::size_t(high));
}

std::string boardSubtitle(const LibraryFilter& filter, std::size_t shown,
                          std::size_t highPriority) {
    const size_t n = shown;
    std::string text = std::to_string(n) + (n == 1 ? " capture" : " captures");
    if (filter.kind() != LibraryFilter::Kind::inbox || n == 0)
        return text;
    if (highPriority == 0)
        return text + " waiting";
    return text + " \xC2\xB7 " + std::to_string(highPriority) + " high priority";
}

std::vector<CaptureMenuItem> captureMenuItems(const Capture& capture,
                                              const std::optional<std::string>& currentUserID,
                                              const std::vector<Person>& people) {
    using Action = CaptureMenuItem::Action;
    std::vector<CaptureMenuItem> items;
    items.push_back({Action::open, BoardTexts::open});
    if (capture.hasImage()) {
        if (auto file = LibraryFiles::locate(LibraryFiles::Folder::captures, capture.imagePath))
            items.push_back({Action::showInFolder, std::string(PlatformTexts::showInFolder), false,
                             std::move(file)});
    }
    if (currentUserID) {
        CaptureMenuItem assign{Action::assignTo, BoardTexts::assignTo};
        assign.assignees.push_back({false, BoardTexts::unassigned, std::nullopt});
        assign.assignees.push_back({true, {}, std::nullopt});
        for (const Person& person : people)
            assign.assignees.push_back(
                {false, person.isBot() ? person.name + " (bot)" : person.name, person.id});
        items.push_back(std::move(assign));
    }
    items.push_back({Action::divider});
    if (capture.status != CaptureStatus::resolved)
        items.push_back({Action::markResolved, CardTexts::markResolved});
    items.push_back({Action::remove, CardTexts::remove, true});
    return items;
}

} // namespace tavro
