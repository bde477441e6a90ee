#pragma once

#include "model/CaptureImage.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// One tile of a capture's screenshot strip: a screenshot, or the add tile that always ends it.
struct FilmstripTile {
    enum class Kind { screenshot, add };

    Kind kind = Kind::screenshot;
    std::string imageID; // empty for the add tile
    // The small thumbnail when the screenshot has one, else its marked-up copy, else the
    // original; nothing when no file can be named inside the library.
    std::optional<std::filesystem::path> source;
    bool selected = false;
    bool marked = false; // the mark-up badge: the stored mark-up decodes and holds a shape
    std::string help;

    bool operator==(const FilmstripTile&) const = default;
};

// The screenshots in list order, then the add tile.
std::vector<FilmstripTile> filmstripTiles(const std::vector<CaptureImage>& images,
                                          const std::optional<std::string>& selectedID);

// A screenshot's context menu: "Mark up…", then, when removal is offered, a divider and the
// destructive "Remove this screenshot".
struct FilmstripMenuEntry {
    enum class Action { markUp, divider, remove };

    Action action;
    std::string title;

    bool operator==(const FilmstripMenuEntry&) const = default;
};

std::vector<FilmstripMenuEntry> filmstripMenu(bool offersRemoval);

namespace FilmstripTexts {
inline constexpr std::string_view markUp = "Mark up\u2026";
inline constexpr std::string_view remove = "Remove this screenshot";
inline constexpr std::string_view markedHelp = "Marked up \u2014 click to edit";
inline constexpr std::string_view plainHelp = "Click to mark up";
inline constexpr std::string_view addHelp = "Add another screenshot to this capture";
inline constexpr std::string_view add = "Add";
} // namespace FilmstripTexts

} // namespace tavro
