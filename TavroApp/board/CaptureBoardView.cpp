#include "board/CaptureBoardView.h"

#include "board/CaptureBoardAccessible.h"
#include "library/ThumbnailLoader.h"
#include "ui/AppIconView.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavro {

namespace {

constexpr int fadeMs = 160;

// Enough for several screens of cards at two sizes; cleared whole when it fills.
constexpr int scaledCacheLimit = 400;

BoardLineMetrics lineMetrics() {
    BoardLineMetrics metrics;
    metrics.headline = QFontMetricsF(Theme::Font::headline()).lineSpacing();
    metrics.caption = QFontMetricsF(Theme::Font::caption()).height();
    metrics.meta = std::max(16.0, metrics.caption + 6);
    return metrics;
}

// Cached contents past this many are dropped whole: an assistive technology walking every card
// would otherwise keep one for each.
constexpr std::size_t contentCacheLimit = 512;

// Past this many rows changed at once, one layout of the whole grid costs less than one per row.
constexpr std::size_t manyRows = 64;

template <class Record> std::optional<Record> copyOf(const Record* record) {
    return record ? std::optional<Record>(*record) : std::nullopt;
}

} // namespace

CaptureBoardView::CaptureBoardView(CaptureBoardModel& model, ThumbnailLoader& thumbnails,
                                   Actions actions, QWidget* parent)
    : QAbstractScrollArea(parent)
    , model_(model)
    , thumbnails_(thumbnails)
    , actions_(std::move(actions))
    , metrics_(lineMetrics()) {
    installBoardAccessibility();
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, Theme::canvas.resolved(this->palette()));
    viewport()->setPalette(palette);
    verticalScrollBar()->setSingleStep(24);
    clock_.start();
    fadeTimer_.setInterval(16);
    connect(&fadeTimer_, &QTimer::timeout, this, &CaptureBoardView::stepFades);
    setAccessibleName(QStringLiteral("Captures"));
    watchModel();
    modelWasReset();
}

CaptureBoardView::~CaptureBoardView() = default;

std::size_t CaptureBoardView::count() const {
    return model_.count();
}

BoardEntry CaptureBoardView::entry(std::size_t index) const {
    return model_.entry(index);
}

const std::string& CaptureBoardView::captureID(std::size_t index) const {
    return model_.item(index).capture.id;
}

void CaptureBoardView::watchModel() {
    const auto span = [this](void (CaptureBoardView::*handle)(std::size_t, std::size_t)) {
        return [this, handle](const QModelIndex&, int first, int last) {
            (this->*handle)(std::size_t(first), std::size_t(last));
        };
    };
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this,
            &CaptureBoardView::modelAboutToReset);
    connect(&model_, &QAbstractItemModel::modelReset, this, &CaptureBoardView::modelWasReset);
    connect(&model_, &QAbstractItemModel::rowsInserted, this,
            span(&CaptureBoardView::rowsWereInserted));
    connect(&model_, &QAbstractItemModel::rowsRemoved, this,
            span(&CaptureBoardView::rowsWereRemoved));
    connect(&model_, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int first, int, const QModelIndex&, int destination) {
                const auto from = std::size_t(first);
                const auto to = std::size_t(destination);
                rowWasMoved(from, to > from ? to - 1 : to);
            });
    connect(&model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                rowsWereChanged(std::size_t(first.row()), std::size_t(last.row()));
            });
}

void CaptureBoardView::modelAboutToReset() {
    // The keyboard stays on its capture wherever the new rows put it, else near where it was;
    // so does the hover, which the pointer would otherwise have to leave and enter again.
    currentID_.reset();
    hoveredID_.reset();
    if (current_ && *current_ < shapes_.size())
        currentID_ = captureID(*current_);
    if (hovered_ && *hovered_ < shapes_.size())
        hoveredID_ = captureID(*hovered_);
}

void CaptureBoardView::modelWasReset() {
    const QFont font = Theme::Font::headline();
    if (font != measuredWith_)
        model_.forgetTitleWidths();
    measuredWith_ = font;
    const QFontMetricsF headline(font);
    const std::size_t rows = model_.count();
    shapes_.clear();
    shapes_.reserve(rows);
    for (std::size_t i = 0; i < rows; ++i)
        shapes_.push_back(shapeOf(i, headline));
    if (currentID_) {
        if (const auto same = model_.rowOf(*currentID_))
            current_ = same;
        else if (rows == 0)
            current_.reset();
        else
            current_ = std::min(*current_, rows - 1);
    } else {
        current_.reset();
    }
    hovered_ = hoveredID_ ? model_.rowOf(*hoveredID_) : std::nullopt;
    currentID_.reset();
    hoveredID_.reset();
    forgetRowState(true);
    icons_.clear();
    relayout();
    viewport()->update();
}

CardShape CaptureBoardView::shapeOf(std::size_t index, const QFontMetricsF& headline) {
    const BoardEntry e = model_.entry(index);
    CardShape shape;
    shape.titleInDetails = e.capture->hasImage();
    shape.hasMetaLine =
        e.group || !e.tags->empty() || e.commentCount > 0 || e.capture->claimedBy || e.assignee;
    if (shape.titleInDetails) {
        std::optional<double> width = model_.titleWidth(index);
        if (!width) {
            width = headline.horizontalAdvance(toQString(e.capture->title()));
            model_.setTitleWidth(index, *width);
        }
        shape.titleWidth = *width;
    }
    return shape;
}

void CaptureBoardView::forgetRowState(bool structural) {
    now_ = now();
    cards_.clear();
    rows_.clear();
    pressed_.reset();
    failed_.clear();
    if (structural)
        fades_.clear();
}

std::pair<std::size_t, std::size_t> CaptureBoardView::visibleItems() const {
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    return mode_ == LayoutMode::grid ? grid_.visibleRange(top, bottom)
                                     : list_.visibleRange(top, bottom);
}

double CaptureBoardView::itemTop(std::size_t index) const {
    return mode_ == LayoutMode::grid ? grid_.rowTop(index) : list_.rowRect(index).top();
}

std::optional<CaptureBoardView::Anchor> CaptureBoardView::anchorAbove(std::size_t first) const {
    const std::size_t top = visibleItems().first;
    if (first >= top || top >= shapes_.size())
        return std::nullopt;
    return Anchor{top, itemTop(top) - verticalScrollBar()->value()};
}

void CaptureBoardView::restore(const std::optional<Anchor>& anchor, std::size_t index) {
    if (!anchor || index >= shapes_.size())
        return;
    verticalScrollBar()->setValue(int(std::lround(itemTop(index) - anchor->offset)));
}

void CaptureBoardView::updateFrom(std::size_t index) {
    if (index < visibleItems().second || shapes_.empty())
        viewport()->update();
}

void CaptureBoardView::rowsWereInserted(std::size_t first, std::size_t last) {
    const std::size_t added = last - first + 1;
    const auto anchor = anchorAbove(first);
    const QFontMetricsF headline(measuredWith_);
    std::vector<CardShape> shapes;
    shapes.reserve(added);
    for (std::size_t i = first; i <= last; ++i)
        shapes.push_back(shapeOf(i, headline));
    shapes_.insert(shapes_.begin() + std::ptrdiff_t(first), shapes.begin(), shapes.end());
    const auto shifted = [&](std::optional<std::size_t>& index) {
        if (index && *index >= first)
            *index += added;
    };
    shifted(current_);
    shifted(hovered_);
    forgetRowState(true);
    if (mode_ == LayoutMode::grid)
        grid_.insert(first, shapes);
    else
        list_.setCount(shapes_.size());
    updateScrollRange();
    restore(anchor, anchor ? anchor->index + added : 0);
    updateFrom(first);
}

void CaptureBoardView::rowsWereRemoved(std::size_t first, std::size_t last) {
    const std::size_t gone = last - first + 1;
    const auto anchor = anchorAbove(first);
    shapes_.erase(shapes_.begin() + std::ptrdiff_t(first),
                  shapes_.begin() + std::ptrdiff_t(last + 1));
    const std::size_t rows = shapes_.size();
    // An item taken out passes the keyboard to the one after it; the hover goes with it.
    if (current_ && *current_ >= first)
        current_ = *current_ > last ? *current_ - gone : first;
    if (current_ && *current_ >= rows)
        current_ = rows == 0 ? std::nullopt : std::optional<std::size_t>(rows - 1);
    if (hovered_ && *hovered_ >= first)
        hovered_ = *hovered_ > last ? std::optional<std::size_t>(*hovered_ - gone) : std::nullopt;
    forgetRowState(true);
    if (mode_ == LayoutMode::grid)
        grid_.remove(first, gone);
    else
        list_.setCount(rows);
    updateScrollRange();
    if (anchor)
        restore(anchor, anchor->index > last ? anchor->index - gone : first);
    updateFrom(first);
}

void CaptureBoardView::rowWasMoved(std::size_t from, std::size_t to) {
    const auto anchor = anchorAbove(std::min(from, to));
    const CardShape shape = shapes_[from];
    shapes_.erase(shapes_.begin() + std::ptrdiff_t(from));
    shapes_.insert(shapes_.begin() + std::ptrdiff_t(to), shape);
    const auto moved = [&](std::size_t index) {
        if (index == from)
            return to;
        if (from < index && index <= to)
            return index - 1;
        if (to <= index && index < from)
            return index + 1;
        return index;
    };
    if (current_)
        current_ = moved(*current_);
    if (hovered_)
        hovered_ = moved(*hovered_);
    forgetRowState(true);
    if (mode_ == LayoutMode::grid) {
        grid_.remove(from, 1);
        grid_.insert(to, {shape});
    }
    updateScrollRange();
    if (anchor)
        restore(anchor, moved(anchor->index));
    updateFrom(std::min(from, to));
}

void CaptureBoardView::rowsWereChanged(std::size_t first, std::size_t last) {
    const auto anchor = anchorAbove(first);
    const QFontMetricsF headline(measuredWith_);
    if (last - first >= manyRows) {
        for (std::size_t i = first; i <= last; ++i)
            shapes_[i] = shapeOf(i, headline);
        forgetRowState(false);
        relayout();
        restore(anchor, anchor ? anchor->index : 0);
        viewport()->update();
        return;
    }
    bool moved = false;
    std::vector<QRect> dirty;
    const auto [shownFrom, shownTo] = visibleItems();
    for (std::size_t i = first; i <= last; ++i) {
        const bool shown = i >= shownFrom && i < shownTo;
        if (shown)
            dirty.push_back(liftedRect(i));
        shapes_[i] = shapeOf(i, headline);
        if (mode_ == LayoutMode::grid)
            moved = grid_.change(i, shapes_[i]) || moved;
        if (shown)
            dirty.push_back(liftedRect(i));
    }
    forgetRowState(false);
    if (moved) {
        updateScrollRange();
        restore(anchor, anchor ? anchor->index : 0);
        updateFrom(first);
        return;
    }
    for (const QRect& rect : dirty)
        viewport()->update(rect);
}

void CaptureBoardView::setLayoutMode(LayoutMode mode) {
    if (mode == mode_)
        return;
    mode_ = mode;
    hovered_.reset();
    fades_.clear();
    relayout();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void CaptureBoardView::relayout() {
    const double width = viewport()->width();
    if (mode_ == LayoutMode::grid)
        grid_ = CardGridLayout(width, shapes_, metrics_);
    else
        list_ = RowListLayout(width, shapes_.size(), metrics_);
    updateScrollRange();
}

void CaptureBoardView::updateScrollRange() {
    const double height = mode_ == LayoutMode::grid ? grid_.contentHeight() : list_.contentHeight();
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, int(std::ceil(height)) - viewport()->height()));
}

QRectF CaptureBoardView::contentRect(std::size_t index) const {
    return mode_ == LayoutMode::grid ? grid_.cardRect(index) : list_.rowRect(index);
}

QRect CaptureBoardView::itemRect(std::size_t index) const {
    return contentRect(index).translated(0, -verticalScrollBar()->value()).toAlignedRect();
}

QRect CaptureBoardView::actionRect(std::size_t index, CardAction action) const {
    if (mode_ != LayoutMode::grid)
        return {};
    const auto& actions = card(index).hoverActions;
    const auto rects = CardGridLayout::actionRects(grid_.cardRect(index), actions.size());
    for (std::size_t i = 0; i < actions.size(); ++i)
        if (actions[i] == action)
            return rects[i].translated(0, -verticalScrollBar()->value()).toAlignedRect();
    return {};
}

const CaptureCardContent& CaptureBoardView::card(std::size_t index) const {
    if (const auto found = cards_.find(index); found != cards_.end())
        return found->second;
    if (cards_.size() >= contentCacheLimit)
        cards_.clear();
    const BoardEntry e = model_.entry(index);
    return cards_
        .emplace(index, cardContent(*e.capture, copyOf(e.group), *e.tags, e.commentCount,
                                    e.imageCount, copyOf(e.assignee), now_))
        .first->second;
}

const CaptureRowContent& CaptureBoardView::row(std::size_t index) const {
    if (const auto found = rows_.find(index); found != rows_.end())
        return found->second;
    if (rows_.size() >= contentCacheLimit)
        rows_.clear();
    const BoardEntry e = model_.entry(index);
    return rows_
        .emplace(index, rowContent(*e.capture, copyOf(e.group), *e.tags, e.commentCount, now_))
        .first->second;
}

void CaptureBoardView::trigger(std::size_t index, BoardPart part) {
    if (index >= count())
        return;
    // The action may change the rows: keep the id, not a reference into them.
    const std::string id = captureID(index);
    const auto& action = part == BoardPart::resolve  ? actions_.resolve
                         : part == BoardPart::remove ? actions_.remove
                                                     : actions_.open;
    if (action)
        action(id);
}

BoardPicture CaptureBoardView::picture(const QString& path, QSizeF frame, bool card) {
    if (path.isEmpty() || failed_.contains(path))
        return {BoardPicture::State::missing, {}};
    const double ratio = devicePixelRatioF();
    const QString key = path + u'|' + QString::number(frame.width()) + u'x' +
                        QString::number(frame.height()) + u'@' + QString::number(ratio);
    const auto scaled = scaled_.constFind(key);
    if (const auto source = thumbnails_.cached(path)) {
        // A file written again is evicted from the loader and read anew: a fitted copy of the
        // old image must not outlive it.
        if (scaled != scaled_.constEnd() && scaled->sourceKey == source->cacheKey())
            return {BoardPicture::State::image, scaled->image};
        const QSize size = fittedPictureSize(source->size(), frame * ratio);
        QImage fitted = source->scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        fitted.setDevicePixelRatio(ratio);
        fitted = roundedPicture(fitted, frame, card);
        if (scaled_.size() >= scaledCacheLimit)
            scaled_.clear();
        scaled_.insert(key, ScaledPicture{source->cacheKey(), fitted});
        return {BoardPicture::State::image, fitted};
    }
    if (!pending_.contains(path)) {
        pending_.insert(path);
        thumbnails_.load(path, this, [this, path](const QImage& image) {
            pending_.remove(path);
            if (image.isNull())
                failed_.insert(path);
            viewport()->update();
        });
    }
    // What was shown stays until the new read arrives.
    if (scaled != scaled_.constEnd())
        return {BoardPicture::State::image, scaled->image};
    return {BoardPicture::State::loading, {}};
}

const std::optional<QIcon>& CaptureBoardView::appIcon(const std::optional<std::string>& bundleID) {
    const QString key = bundleID ? toQString(*bundleID) : QString();
    auto found = icons_.find(key);
    if (found == icons_.end())
        found = icons_.insert(key, AppIconView::icon(bundleID));
    return *found;
}

void CaptureBoardView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int offset = verticalScrollBar()->value();
    const QRect dirty = event->rect();
    const auto [first, last] =
        mode_ == LayoutMode::grid
            ? grid_.visibleRange(dirty.top() + offset - 8, dirty.bottom() + offset + 8)
            : list_.visibleRange(dirty.top() + offset, dirty.bottom() + offset);
    painter.translate(0, -offset);
    BoardPaintInputs inputs;
    inputs.palette = palette();
    const bool grid = mode_ == LayoutMode::grid;
    const auto prepare = [&](const auto& content, QSizeF frame) {
        inputs.appIcon = appIcon(content.appBundleID);
        inputs.picture =
            content.hasImage ? picture(content.picturePath, frame, grid) : BoardPicture{};
    };
    const QRegion region = event->region();
    for (std::size_t i = first; i < last; ++i) {
        // A card beside the one repainted is left as it is.
        if (!region.intersects(liftedRect(i)))
            continue;
        const QRectF rect = contentRect(i);
        inputs.hovering = hovered_ == i;
        inputs.lift = liftOf(i);
        if (grid) {
            prepare(card(i), cardPictureFrame(rect).size());
            paintCard(painter, rect, card(i), inputs);
        } else {
            prepare(row(i), rowThumbnailFrame(rect).size());
            paintRow(painter, rect, row(i), inputs);
        }
    }
    paintFocus(painter);
}

void CaptureBoardView::paintFocus(QPainter& painter) const {
    if (!current_ || !hasFocus())
        return;
    const bool grid = mode_ == LayoutMode::grid;
    const QRectF rect = contentRect(*current_).adjusted(-3, -3, 3, 3);
    const double radius = grid ? 17 : 11;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Theme::accent.resolved(palette()), 2));
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
}

void CaptureBoardView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void CaptureBoardView::scrollContentsBy(int, int) {
    viewport()->update();
}

std::optional<BoardHit> CaptureBoardView::hitAt(QPoint viewportPoint) const {
    const QPointF point(viewportPoint.x(), viewportPoint.y() + verticalScrollBar()->value());
    if (mode_ == LayoutMode::list)
        return list_.hitTest(point);
    return grid_.hitTest(point,
                         [this](std::size_t index) { return card(index).hoverActions.size(); });
}

std::optional<std::size_t> CaptureBoardView::indexAt(QPoint viewportPoint) const {
    const auto hit = hitAt(viewportPoint);
    return hit ? std::optional<std::size_t>(hit->index) : std::nullopt;
}

QString CaptureBoardView::toolTipAt(QPoint viewportPoint) const {
    const auto hit = hitAt(viewportPoint);
    if (!hit)
        return {};
    if (hit->part == BoardPart::resolve)
        return helpText(CardAction::resolve);
    if (hit->part == BoardPart::remove)
        return helpText(CardAction::remove);
    // A row without a screenshot says so over its placeholder.
    if (mode_ == LayoutMode::list && !row(hit->index).hasImage) {
        const QPointF point(viewportPoint.x(), viewportPoint.y() + verticalScrollBar()->value());
        if (rowThumbnailFrame(list_.rowRect(hit->index)).contains(point))
            return QString::fromUtf8(CardTexts::noScreenshot);
    }
    return {};
}

double CaptureBoardView::liftOf(std::size_t index) const {
    const auto fade = fades_.find(index);
    if (fade == fades_.end())
        return hovered_ == index ? 1 : 0;
    const Fade& f = fade->second;
    const double progress = std::clamp(double(clock_.elapsed() - f.startMs) / fadeMs, 0.0, 1.0);
    const double eased = 1 - (1 - progress) * (1 - progress);
    return f.from + (f.to - f.from) * eased;
}

// The lifted card and its shadow reach a little past its rectangle.
QRect CaptureBoardView::liftedRect(std::size_t index) const {
    return itemRect(index).adjusted(-14, -14, 14, 20);
}

void CaptureBoardView::startFade(std::size_t index, double to) {
    if (mode_ != LayoutMode::grid || index >= count())
        return;
    // Read before the map makes room for the new fade.
    const Fade fade{liftOf(index), to, clock_.elapsed()};
    fades_[index] = fade;
    fadeTimer_.start();
}

void CaptureBoardView::stepFades() {
    for (auto fade = fades_.begin(); fade != fades_.end();) {
        viewport()->update(liftedRect(fade->first));
        if (clock_.elapsed() - fade->second.startMs >= fadeMs)
            fade = fades_.erase(fade);
        else
            ++fade;
    }
    if (fades_.empty())
        fadeTimer_.stop();
}

void CaptureBoardView::setHovered(std::optional<std::size_t> index) {
    if (index == hovered_)
        return;
    // Both fades start from where their cards are now, which hovered_ still tells.
    if (hovered_)
        startFade(*hovered_, 0);
    if (index)
        startFade(*index, 1);
    for (const auto& changed : {std::exchange(hovered_, index), index})
        if (changed)
            viewport()->update(liftedRect(*changed));
}

void CaptureBoardView::mouseMoveEvent(QMouseEvent* event) {
    const auto hit = hitAt(event->position().toPoint());
    setHovered(hit ? std::optional(hit->index) : std::nullopt);
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CaptureBoardView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    pressed_ = hitAt(event->position().toPoint());
    if (pressed_) {
        setHovered(pressed_->index);
        setCurrentIndex(pressed_->index);
    }
}

void CaptureBoardView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    const auto pressed = std::exchange(pressed_, std::nullopt);
    const auto released = hitAt(event->position().toPoint());
    if (pressed && released && *pressed == *released)
        trigger(released->index, released->part);
}

bool CaptureBoardView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        setHovered(std::nullopt);
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CaptureBoardView::setCurrentIndex(std::optional<std::size_t> index) {
    if (index && *index >= count())
        index.reset();
    if (index == current_)
        return;
    const auto previous = std::exchange(current_, index);
    for (const auto& changed : {previous, index})
        if (changed)
            viewport()->update(liftedRect(*changed));
    if (!index)
        return;
    // Scrolled into view, with the ring's margin.
    const QRect rect = itemRect(*index).adjusted(0, -8, 0, 8);
    QScrollBar* bar = verticalScrollBar();
    if (rect.top() < 0)
        bar->setValue(bar->value() + rect.top());
    else if (rect.bottom() > viewport()->height())
        bar->setValue(bar->value() + rect.bottom() - viewport()->height());
    if (hasFocus() && QAccessible::isActive()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(int(*index));
        QAccessible::updateAccessibility(&focus);
    }
}

void CaptureBoardView::requestMenu(std::size_t index, QPoint globalPosition) {
    if (index >= count() || !actions_.menu)
        return;
    setCurrentIndex(index);
    const std::string id = captureID(index);
    actions_.menu(id, globalPosition);
}

void CaptureBoardView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse) {
        const auto hit = hitAt(viewport()->mapFromGlobal(event->globalPos()));
        if (hit)
            requestMenu(hit->index, event->globalPos());
        return;
    }
    if (current_) {
        const QRect rect = itemRect(*current_);
        requestMenu(*current_,
                    viewport()->mapToGlobal(QPoint(rect.left() + 24, rect.center().y())));
    }
}

void CaptureBoardView::keyPressEvent(QKeyEvent* event) {
    const std::size_t count = this->count();
    if (count == 0)
        return QAbstractScrollArea::keyPressEvent(event);
    const std::size_t step = mode_ == LayoutMode::grid ? std::size_t(grid_.columns()) : 1;
    const std::size_t at = current_.value_or(0);
    std::optional<std::size_t> next;
    switch (event->key()) {
    case Qt::Key_Left:
        next = current_ && at > 0 ? at - 1 : at;
        break;
    case Qt::Key_Right:
        next = current_ ? std::min(at + 1, count - 1) : at;
        break;
    case Qt::Key_Up:
        next = current_ && at >= step ? at - step : at;
        break;
    case Qt::Key_Down:
        next = current_ && at + step < count ? at + step : at;
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = count - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current_)
            trigger(*current_, BoardPart::body);
        return;
    case Qt::Key_F10:
        if (event->modifiers() & Qt::ShiftModifier) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            contextMenuEvent(&menu);
            return;
        }
        return QAbstractScrollArea::keyPressEvent(event);
    default:
        return QAbstractScrollArea::keyPressEvent(event);
    }
    setCurrentIndex(next);
}

void CaptureBoardView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CaptureBoardView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace tavro
