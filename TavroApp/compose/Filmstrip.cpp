#include "compose/Filmstrip.h"

#include "compose/CaptureImageView.h"
#include "compose/SidewaysWheel.h"
#include "ui/Icons.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace tavro {

namespace {

constexpr double cornerRadius = 6;
constexpr double badgeSymbol = 7;
constexpr double badgePadding = 3;

QPainterPath tileShape(const QRectF& bounds) {
    QPainterPath path;
    path.addRoundedRect(bounds, cornerRadius, cornerRadius);
    return path;
}

// Drawn over a screenshot tile: the strip's own colour outside the rounded corners (the
// picture is square under them), the outline and the mark-up badge.
class TileFrame final : public QWidget {
public:
    TileFrame(bool selected, bool marked, DynamicColor background, QWidget* parent)
        : QWidget(parent)
        , selected_(selected)
        , marked_(marked)
        , background_(background) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds(rect());
        QPainterPath outside;
        outside.addRect(bounds);
        painter.fillPath(outside.subtracted(tileShape(bounds)), background_.resolved(palette()));

        const double width = selected_ ? 2 : 0.5;
        const DynamicColor color = selected_ ? Theme::accent : Theme::border;
        painter.setPen(QPen(color.resolved(palette()), width));
        painter.setBrush(Qt::NoBrush);
        const double inset = width / 2;
        painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), cornerRadius - inset,
                                cornerRadius - inset);

        if (marked_) {
            const double diameter = badgeSymbol + 2 * badgePadding;
            const QRectF badge(bounds.right() - badgePadding - diameter,
                               bounds.bottom() - badgePadding - diameter, diameter, diameter);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::accent.resolved(palette()));
            painter.drawEllipse(badge);
            paintIcon(painter, Icon::pencilTip,
                      badge.adjusted(badgePadding, badgePadding, -badgePadding, -badgePadding),
                      Qt::white, 1.4);
        }
    }

private:
    bool selected_;
    bool marked_;
    DynamicColor background_;
};

class ScreenshotTile final : public QAbstractButton {
public:
    ScreenshotTile(ThumbnailLoader& loader, const FilmstripTile& tile, QSize size,
                   DynamicColor background, std::function<void(QPoint)> onMenu, QWidget* parent)
        : QAbstractButton(parent)
        , onMenu_(std::move(onMenu)) {
        setFixedSize(size);
        setCheckable(false);
        setToolTip(toQString(tile.help));
        setAccessibleDescription(toQString(tile.help));
        auto* image = new CaptureImageView(loader, ContentMode::fit, this);
        image->setGeometry(rect());
        image->setPath(tile.source ? toQString(tile.source->string()) : QString());
        auto* frame = new TileFrame(tile.selected, tile.marked, background, this);
        frame->setGeometry(rect());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(tileShape(QRectF(rect())), Theme::surfaceSunken.resolved(palette()));
    }
    void contextMenuEvent(QContextMenuEvent* event) override { onMenu_(event->globalPos()); }

private:
    std::function<void(QPoint)> onMenu_;
};

class AddTile final : public QAbstractButton {
public:
    AddTile(QSize size, QWidget* parent)
        : QAbstractButton(parent) {
        setFixedSize(size);
        setText(toQString(FilmstripTexts::add));
        setToolTip(toQString(FilmstripTexts::addHelp));
        setAccessibleName(toQString(FilmstripTexts::add));
        setAccessibleDescription(toQString(FilmstripTexts::addHelp));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds(rect());
        painter.fillPath(tileShape(bounds), Theme::surfaceSunken.resolved(palette()));
        QPen dashed(Theme::borderStrong.resolved(palette()), 1);
        dashed.setDashPattern({4, 3});
        painter.setPen(dashed);
        painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                                cornerRadius - 0.5);

        const QColor ink = Theme::textTertiary.resolved(palette());
        const QFont font = Theme::Font::micro();
        const QFontMetricsF metrics(font);
        const double symbol = 13, spacing = 2;
        const double top = (bounds.height() - symbol - spacing - metrics.height()) / 2;
        paintIcon(painter, Icon::plus, QRectF((bounds.width() - symbol) / 2, top, symbol, symbol),
                  ink, 1.2);
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(QRectF(0, top + symbol + spacing, bounds.width(), metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, text());
    }
};

} // namespace

Filmstrip::Filmstrip(ThumbnailLoader& loader, FilmstripActions actions, double thumbnailHeight,
                     QWidget* parent)
    : QScrollArea(parent)
    , loader_(loader)
    , actions_(std::move(actions))
    , height_(thumbnailHeight) {
    setAccessibleName(QStringLiteral("Screenshots"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    setFixedHeight(static_cast<int>(std::ceil(height_)) + 4);
    setBackground(background_);
    setImages({}, std::nullopt);
}

void Filmstrip::setBackground(DynamicColor background) {
    background_ = background;
    QPalette shown = palette();
    shown.setColor(QPalette::Window, background.resolved(palette()));
    setPalette(shown);
    viewport()->setAutoFillBackground(true);
}

void Filmstrip::setImages(std::vector<CaptureImage> images, std::optional<std::string> selectedID) {
    images_ = std::move(images);
    const std::vector<FilmstripTile> tiles = filmstripTiles(images_, selectedID);
    const QSize size(static_cast<int>(std::round(height_ * 1.5)),
                     static_cast<int>(std::round(height_)));

    auto* row = new QWidget;
    row->setAutoFillBackground(false);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(8);
    std::vector<QAbstractButton*> buttons;
    for (size_t i = 0; i < tiles.size(); ++i) {
        QAbstractButton* button = nullptr;
        if (tiles[i].kind == FilmstripTile::Kind::add) {
            button = new AddTile(size, row);
            connect(button, &QAbstractButton::clicked, this, [this] {
                if (actions_.onAdd)
                    actions_.onAdd();
            });
        } else {
            button = new ScreenshotTile(
                loader_, tiles[i], size, background_, [this, i](QPoint at) { openMenu(i, at); },
                row);
            button->setAccessibleName(QStringLiteral("Screenshot %1").arg(i + 1));
            connect(button, &QAbstractButton::clicked, this, [this, i] {
                if (actions_.onSelect)
                    actions_.onSelect(images_.at(i));
            });
        }
        layout->addWidget(button, 0, Qt::AlignVCenter);
        buttons.push_back(button);
    }
    row->adjustSize();
    tiles_ = std::move(buttons);
    setWidget(row); // deletes the previous row and its tiles
}

QMenu* Filmstrip::openMenu(size_t index, const QPoint& globalPosition) {
    if (index >= images_.size())
        return nullptr;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const CaptureImage image = images_[index];
    for (const FilmstripMenuEntry& entry : filmstripMenu(bool(actions_.onDelete))) {
        switch (entry.action) {
        case FilmstripMenuEntry::Action::markUp:
            menu->addAction(toQString(entry.title), this, [this, image] {
                if (actions_.onMarkUp)
                    actions_.onMarkUp(image);
                else if (actions_.onSelect)
                    actions_.onSelect(image);
            });
            break;
        case FilmstripMenuEntry::Action::divider:
            menu->addSeparator();
            break;
        case FilmstripMenuEntry::Action::remove:
            menu->addAction(toQString(entry.title), this, [this, image] {
                if (actions_.onDelete)
                    actions_.onDelete(image);
            });
            break;
        }
    }
    menu->popup(globalPosition);
    return menu;
}

void Filmstrip::wheelEvent(QWheelEvent* event) {
    if (turnWheelSideways(*horizontalScrollBar(), *event))
        event->accept();
    else
        QScrollArea::wheelEvent(event);
}

} // namespace tavro
