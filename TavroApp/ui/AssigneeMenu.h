#pragma once

#include "model/BoardRecords.h"

#include <QToolButton>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// One row of the assignee menu: a choice, or a divider between the sections.
struct AssigneeEntry {
    bool divider = false;
    std::string title;
    std::optional<std::string> personID; // nothing for "Unassigned"

    bool operator==(const AssigneeEntry&) const = default;
};

// "Unassigned", then the humans, then the bots (" (bot)" after the name), each in the caller's
// order and each section after a divider only when it has someone.
std::vector<AssigneeEntry> assigneeEntries(const std::vector<Person>& people);

// A compact pull-down showing the assignee's avatar (and name, unless compact) that lets the user
// pick another person, a bot or nobody. The caller assigns in `onSelect`.
class AssigneeMenu final : public QToolButton {
    Q_OBJECT

public:
    AssigneeMenu(std::vector<Person> people, std::optional<Person> selected,
                 std::function<void(const std::optional<std::string>&)> onSelect, bool compact,
                 QWidget* parent = nullptr);
};

} // namespace tavro
