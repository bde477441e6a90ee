#pragma once

#include "board/FolderChooser.h"

#include <optional>
#include <string>

namespace tavro::test {

// A folder chooser that answers at once with a fixed folder, or as if cancelled.
class AnsweringFolderChooser final : public FolderChooser {
public:
    explicit AnsweringFolderChooser(std::optional<std::string> answer = std::nullopt)
        : answer_(std::move(answer)) {}
    std::optional<std::string> chooseFolder(QWidget*) override {
        ++asked;
        return answer_;
    }
    int asked = 0;

private:
    std::optional<std::string> answer_;
};

} // namespace tavro::test
