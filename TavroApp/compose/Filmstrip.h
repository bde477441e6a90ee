#pragma once

#include "compose/FilmstripTiles.h"
#include "ui/Theme.h"

#include <QScrollArea>

#include <functional>
#include <vector>

class QAbstractButton;
class QMenu;

namespace tavro {

class ThumbnailLoader;

// What the strip reports; it changes nothing itself. Without `onDelete` it offers no removal.
struct FilmstripActions {
    std::function<void(const CaptureImage&)> onSelect; // a click, or "Mark up…" without onMarkUp
    std::function<void()> onAdd;
    std::function<void(const CaptureImage&)> onDelete;
    // "Mark up…", for an owner whose click only selects.
    std::function<void(const CaptureImage&)> onMarkUp;
};

// A stored capture's screenshots as a sideways row of thumbnails ending in an add tile. The
// vertical wheel scrolls it sideways too, since a mouse wheel turns only that way.
class Filmstrip final : public QScrollArea {
    Q_OBJECT

public:
    Filmstrip(ThumbnailLoader& loader, FilmstripActions actions, double thumbnailHeight = 52,
              QWidget* parent = nullptr);
    Filmstrip(const Filmstrip&) = delete;
    Filmstrip& operator=(const Filmstrip&) = delete;

    // Rebuilds the tiles; `background` is what the strip sits on, for the tiles' corners.
    void setImages(std::vector<CaptureImage> images, std::optional<std::string> selectedID);
    void setBackground(DynamicColor background);

    // The tiles in order, the add tile last.
    const std::vector<QAbstractButton*>& tiles() const { return tiles_; }
    // The context menu of the screenshot at `index`, shown at once and not waited for.
    QMenu* openMenu(size_t index, const QPoint& globalPosition);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    ThumbnailLoader& loader_;
    FilmstripActions actions_;
    double height_;
    DynamicColor background_ = Theme::surface;
    std::vector<CaptureImage> images_;
    std::vector<QAbstractButton*> tiles_;
};

} // namespace tavro
