#include "board/LibraryFilter.h"

#include "model/Text.h"

namespace tavro {

LibraryFilter LibraryFilter::status(CaptureStatus status) {
    LibraryFilter filter(Kind::status);
    filter.status_ = status;
    return filter;
}

LibraryFilter LibraryFilter::group(std::string groupID) {
    LibraryFilter filter(Kind::group);
    filter.text_ = std::move(groupID);
    return filter;
}

LibraryFilter LibraryFilter::tag(std::string name) {
    LibraryFilter filter(Kind::tag);
    filter.text_ = std::move(name);
    return filter;
}

std::string LibraryFilter::title() const {
    switch (kind_) {
    case Kind::inbox:
        return "Inbox";
    case Kind::assignedToMe:
        return "Assigned to me";
    case Kind::mine:
        return "Mine";
    case Kind::status:
        return std::string(displayName(status_));
    case Kind::group:
        return "Group";
    case Kind::tag:
        return "#" + text_;
    case Kind::everything:
        break;
    }
    return "All Captures";
}

Icon LibraryFilter::symbol() const {
    switch (kind_) {
    case Kind::inbox:
        return Icon::trayFull;
    case Kind::assignedToMe:
        return Icon::personCropCircleBadgeCheckmark;
    case Kind::mine:
        return Icon::person;
    case Kind::status:
        switch (status_) {
        case CaptureStatus::open:
            return Icon::circleDotted;
        case CaptureStatus::inProgress:
            return Icon::circleLeftHalfFilled;
        case CaptureStatus::resolved:
            return Icon::checkmarkCircleFill;
        case CaptureStatus::archived:
            return Icon::archiveboxFill;
        }
        break;
    case Kind::group:
        return Icon::folder;
    case Kind::tag:
        return Icon::number;
    case Kind::everything:
        break;
    }
    return Icon::squareGrid2x2;
}

bool LibraryFilter::operator==(const LibraryFilter& other) const {
    if (kind_ != other.kind_)
        return false;
    switch (kind_) {
    case Kind::status:
        return status_ == other.status_;
    case Kind::group:
    case Kind::tag:
        return text::canonicallyEqual(text_, other.text_);
    default:
        return true;
    }
}

std::size_t LibraryFilter::hash() const {
    std::size_t seed = std::hash<int>{}(static_cast<int>(kind_));
    const auto mix = [&seed](std::string_view part) {
        seed ^=
            std::hash<std::string_view>{}(part) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    };
    if (kind_ == Kind::status)
        mix(rawValue(status_));
    else if (kind_ == Kind::group || kind_ == Kind::tag)
        mix(text::composed(text_));
    return seed;
}

} // namespace tavro
