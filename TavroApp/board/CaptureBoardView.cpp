#include "board/CaptureBoardView.h"

#include "board/CaptureBoardAccessible.h"
#include "shell/AppIconView.h"
#include "shell/Theme.h"
#include "shell/ThumbnailLoader.h"
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
#include <unordered_map>
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

// `known`: title widths measured for the entries before, by capture.
CardShape shapeOf(const BoardEntry& entry, const QFontMetricsF& headline,
                  const std::unordered_map<const BoardCapture*, double>& known) {
    CardShape shape;
    shape.titleInDetails = entry.capture->hasImage();
    shape.hasMetaLine = entry.group || !entry.tags.empty() || entry.commentCount > 0 ||
                        entry.capture->claimedBy || entry.assignee;
    if (shape.titleInDetails) {
        const auto found = known.find(entry.capture.get());
        shape.titleWidth = found != known.end()
                               ? found->second
                               : headline.horizontalAdvance(toQString(entry.capture->title()));
    }
    return shape;
}

} // namespace

CaptureBoardView::CaptureBoardView(ThumbnailLoader& thumbnails, Actions actions, QWidget* parent)
    : QAbstractScrollArea(parent)
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
}

CaptureBoardView::~CaptureBoardView() = default;

void CaptureBoardView::setEntries(std::vector<BoardEntry> entries, Seconds now) {
    // The keyboard stays on its capture wherever a reload puts it, else near where it was.
    std::optional<std::string> currentID;
    if (current_)
        currentID = entries_[*current_].capture->id;
    // So does the hover, which the pointer would otherwise have to leave and enter again.
    std::optional<std::string> hoveredID;
    if (hovered_)
        hoveredID = entries_[*hovered_].capture->id;
    // A reload changes few captures: the others keep their measured titles.
    const QFont font = Theme::Font::headline();
    std::unordered_map<const BoardCapture*, double> known;
    if (font == measuredWith_) {
        known.reserve(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (shapes_[i].titleInDetails)
                known.emplace(entries_[i].capture.get(), shapes_[i].titleWidth);
    }
    measuredWith_ = font;
    entries_ = std::move(entries);
    if (currentID) {
        const auto same = std::find_if(entries_.begin(), entries_.end(), [&](const BoardEntry& e) {
            return e.capture->id == *currentID;
        });
        if (same != entries_.end())
            current_ = std::size_t(same - entries_.begin());
        else if (entries_.empty())
            current_.reset();
        else
            current_ = std::min(*current_, entries_.size() - 1);
    }
    now_ = now;
    const QFontMetricsF headline(font);
    shapes_.clear();
    shapes_.reserve(entries_.size());
    for (const BoardEntry& entry : entries_)
        shapes_.push_back(shapeOf(entry, headline, known));
    cards_.assign(entries_.size(), std::nullopt);
    rows_.assign(entries_.size(), std::nullopt);
    hovered_.reset();
    if (hoveredID) {
        const auto same = std::find_if(entries_.begin(), entries_.end(), [&](const BoardEntry& e) {
            return e.capture->id == *hoveredID;
        });
        if (same != entries_.end())
            hovered_ = std::size_t(same - entries_.begin());
    }
    fades_.clear();
    pressed_.reset();
    failed_.clear();
    icons_.clear();
    relayout();
    viewport()->update();
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
    double height = 0;
    if (mode_ == LayoutMode::grid) {
        grid_ = CardGridLayout(width, shapes_, metrics_);
        height = grid_.contentHeight();
    } else {
        list_ = RowListLayout(width, entries_.size(), metrics_);
        height = list_.contentHeight();
    }
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
    auto& slot = cards_[index];
    if (!slot) {
        const BoardEntry& e = entries_[index];
        slot = cardContent(*e.capture, e.group, e.tags, e.commentCount, e.imageCount, e.assignee,
                           now_);
    }
    return *slot;
}

const CaptureRowContent& CaptureBoardView::row(std::size_t index) const {
    auto& slot = rows_[index];
    if (!slot) {
        const BoardEntry& e = entries_[index];
        slot = rowContent(*e.capture, e.group, e.tags, e.commentCount, now_);
    }
    return *slot;
}

void CaptureBoardView::trigger(std::size_t index, BoardPart part) {
    if (index >= entries_.size())
        return;
    // The action may replace the entries: keep the id, not a reference into them.
    const std::string id = entries_[index].capture->id;
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
    for (std::size_t i = first; i < last; ++i) {
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
    if (mode_ != LayoutMode::grid || index >= entries_.size())
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
    if (index && *index >= entries_.size())
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
    if (index >= entries_.size() || !actions_.menu)
        return;
    setCurrentIndex(index);
    const std::string id = entries_[index].capture->id;
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
    const std::size_t count = entries_.size();
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
