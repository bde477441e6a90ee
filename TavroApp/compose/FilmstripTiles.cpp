#include "compose/FilmstripTiles.h"

namespace tavro {

std::vector<FilmstripTile> filmstripTiles(const std::vector<CaptureImage>& images,
                                          const std::optional<std::string>& selectedID) {
    std::vector<FilmstripTile> tiles;
    tiles.reserve(images.size() + 1);
    for (const CaptureImage& image : images) {
        FilmstripTile tile;
        tile.imageID = image.id;
        tile.source = image.thumbFilePath();
        if (!tile.source)
            tile.source = image.displayFilePath();
        tile.selected = selectedID == image.id;
        tile.marked = image.hasAnnotations();
        tile.help = tile.marked ? FilmstripTexts::markedHelp : FilmstripTexts::plainHelp;
        tiles.push_back(std::move(tile));
    }
    tiles.push_back(
        {.kind = FilmstripTile::Kind::add, .help = std::string(FilmstripTexts::addHelp)});
    return tiles;
}

std::vector<FilmstripMenuEntry> filmstripMenu(bool offersRemoval) {
    using Action = FilmstripMenuEntry::Action;
    std::vector<FilmstripMenuEntry> entries{{Action::markUp, std::string(FilmstripTexts::markUp)}};
    if (offersRemoval) {
        entries.push_back({Action::divider, {}});
        entries.push_back({Action::remove, std::string(FilmstripTexts::remove)});
    }
    return entries;
}

} // namespace tavro
