#pragma once

#include <filesystem>

namespace tavro {

// Shows a file or folder in the desktop's file manager, selected, through the session bus's
// org.freedesktop.FileManager1; where no file manager answers there, opens the folder itself
// (a folder) or the one that holds it (a file). Never waits and reports nothing.
void revealInFileManager(const std::filesystem::path& item);

} // namespace tavro
