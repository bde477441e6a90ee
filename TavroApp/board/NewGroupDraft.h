#pragma once

#include "values/GroupPalette.h"
#include <optional>
#include <string>

namespace tavro {

// What the new-group sheet holds while the user fills it in, and the group it makes of that.
struct NewGroupDraft {
    std::string name;
    std::string colorHex{GroupPalette::colors.front()};
    std::string path; // the bound folder, as typed or chosen

    // The name without the spaces and tabs around it; Create needs it to be non-empty.
    std::string trimmedName() const;
    bool canCreate() const { return !trimmedName().empty(); }

    // A folder picked in the chooser: it becomes the bound folder and, while no name at all
    // has been typed (not even spaces), its last component names the group.
    void chooseFolder(const std::string& folder);

    // The folder without the spaces and tabs around it, kept otherwise as typed (a leading "~"
    // stays as it is); nothing when blank.
    std::optional<std::string> boundFolder() const;

    bool operator==(const NewGroupDraft&) const = default;
};

} // namespace tavro
