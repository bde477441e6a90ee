#include "detail/ActivityText.h"

#include "ui/ShownText.h"
#include "values/Utf8.h"

#include <algorithm>

namespace tavro {

namespace {

// Names and details come from agents and other people: one line each, isolated.
std::string shown(const std::string& stored) {
    return toStdString(shownName(toQString(stored)));
}

std::string assigneeName(const std::string& personID, const std::vector<Person>& people) {
    if (personID.empty())
        return "nobody";
    const auto found = std::find_if(people.begin(), people.end(),
                                    [&](const Person& p) { return p.id == personID; });
    return shown(found == people.end() ? personID : found->name);
}

} // namespace

std::string eventDescription(const ActivityEvent& event, const std::vector<Person>& people) {
    const std::string suffix = event.detail.empty() ? "" : " \xE2\x80\x94 " + shown(event.detail);
    const std::string actor = shown(event.actor);
    const std::string& kind = event.kind;
    if (kind == "created")
        return event.detail == "no screenshot" ? "Filed without a screenshot" : "Captured" + suffix;
    if (kind == "status_changed")
        return actor + " changed status" + suffix;
    if (kind == "claimed")
        return "Claimed by " + actor;
    if (kind == "resolved")
        return actor + " resolved it" + suffix;
    if (kind == "proposed")
        return actor + " proposed a fix" + suffix;
    if (kind == "assigned")
        return actor + " assigned it to " + assigneeName(event.detail, people);
    if (kind == "moved")
        return actor + " moved it" + suffix;
    if (kind == "reopened")
        return actor + " reopened it";
    if (kind == "commented")
        return actor + " commented";
    if (kind == "updated")
        return actor + " updated" + suffix;
    return actor + " " + kind + suffix;
}

} // namespace tavro
