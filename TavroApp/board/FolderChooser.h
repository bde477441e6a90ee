#pragma once

#include <optional>
#include <string>

class QWidget;

namespace tavro {

// Asks the user for one existing folder. Behind an interface so that tests answer at once
// instead of waiting on a modal file dialog.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The chosen folder's path, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseFolder(QWidget* parent) = 0;
};

// The desktop's folder dialog, run modally over `parent`.
class DialogFolderChooser final : public FolderChooser {
public:
    std::optional<std::string> chooseFolder(QWidget* parent) override;
};

} // namespace tavro
