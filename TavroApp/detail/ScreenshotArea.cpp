#include "detail/ScreenshotArea.h"

#include "compose/CaptureImageView.h"
#include "detail/DetailPaneState.h"
#include "detail/PaneTexts.h"
#include "ui/Buttons.h"
#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace tavro {

namespace {

constexpr int pad = int(DetailPaneState::imagePadding);
constexpr int markupInset = 12;

// "Mark up" over the screenshot: white on a dark capsule, readable on any picture.
class MarkupButton final : public QAbstractButton {
public:
    explicit MarkupButton(QWidget* parent)
        : QAbstractButton(parent) {
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(Theme::Font::caption());
        return QSize(int(std::ceil(9 + 11 + 5 + metrics.horizontalAdvance(text()) + 9)),
                     int(std::ceil(metrics.height() + 10)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, isDown() ? 170 : 140));
        const QRectF bounds(rect());
        painter.drawRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
        paintIcon(painter, Icon::pencilTipCropCircle, QRectF(9, (bounds.height() - 11) / 2, 11, 11),
                  Qt::white, 1.1);
        painter.setFont(Theme::Font::caption());
        painter.setPen(Qt::white);
        painter.drawText(bounds.adjusted(9 + 11 + 5, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         text());
    }
};

// The fitted screenshot: the area less its padding, the whole frame taking the click.
class FitPage final : public QWidget {
public:
    FitPage(CaptureImageView*& image, QAbstractButton*& markup, ThumbnailLoader& loader,
            std::function<void()> onClick, QWidget* parent)
        : QWidget(parent)
        , onClick_(std::move(onClick)) {
        image_ = image = new CaptureImageView(loader, ContentMode::fit, this);
        image_->setAttribute(Qt::WA_TransparentForMouseEvents);
        image_->setCursor(Qt::PointingHandCursor);
        markup_ = markup = new MarkupButton(this);
    }

    QRect imageRect() const {
        const QSizeF frame = fitFrame(QSizeF(size()));
        return QRect(pad, pad, int(frame.width()), int(frame.height()));
    }

    void placeChildren() {
        image_->setGeometry(imageRect());
        const QSize button = markup_->sizeHint();
        markup_->setGeometry(markupInset, height() - markupInset - button.height(), button.width(),
                             button.height());
        markup_->raise();
    }

protected:
    void resizeEvent(QResizeEvent*) override { placeChildren(); }
    void mousePressEvent(QMouseEvent* event) override {
        pressed_ = event->button() == Qt::LeftButton && imageRect().contains(event->pos());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool click =
            pressed_ && event->button() == Qt::LeftButton && imageRect().contains(event->pos());
        pressed_ = false;
        if (click && onClick_)
            onClick_();
    }

private:
    CaptureImageView* image_ = nullptr;
    QAbstractButton* markup_ = nullptr;
    std::function<void()> onClick_;
    bool pressed_ = false;
};

} // namespace

ScreenshotArea::ScreenshotArea(ThumbnailLoader& loader, QWidget* parent)
    : QWidget(parent) {
    setAccessibleName(QStringLiteral("Screenshot"));
    pages_ = new QStackedLayout(this);
    pages_->setContentsMargins(0, 0, 0, 0);

    placeholder_ = makePlaceholder();
    pages_->addWidget(placeholder_);

    fitPage_ = new FitPage(
        fitImage_, markup_, loader, [this] { emit markupRequested(); }, this);
    connect(markup_, &QAbstractButton::clicked, this, &ScreenshotArea::markupRequested);
    pages_->addWidget(fitPage_);

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->viewport()->setAutoFillBackground(false);
    auto* canvas = new QWidget;
    canvas->setAutoFillBackground(false);
    actualImage_ = new CaptureImageView(loader, ContentMode::fit, canvas);
    actualImage_->move(pad, pad);
    scroll_->setWidget(canvas);
    // setWidget() fills the widget with the window colour: the padding would show as a light
    // band around the image instead of the area's own colour.
    canvas->setAutoFillBackground(false);
    scroll_->setWidgetResizable(false);
    pages_->addWidget(scroll_);
}

QWidget* ScreenshotArea::makePlaceholder() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setSpacing(12);
    column->addStretch(1);

    auto* symbol = new QLabel(page);
    QColor faint = Theme::textTertiary.resolved(palette());
    faint.setAlphaF(0.7f);
    symbol->setPixmap(iconImage(Icon::textAlignleft, faint, 30).pixmap(30, 30));
    symbol->setAlignment(Qt::AlignCenter);
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    column->addWidget(themedLabel(toQString(PaneTexts::noScreenshot), Theme::Font::title(),
                                  Theme::textSecondary, page),
                      0, Qt::AlignHCenter);
    QLabel* message = themedLabel(toQString(PaneTexts::noScreenshotMessage), Theme::Font::callout(),
                                  Theme::textTertiary, page);
    message->setAlignment(Qt::AlignCenter);
    message->setWordWrap(true);
    // Wrapped text in a centring layout gets its one-line width unless it has one of its own.
    message->setFixedSize(340, message->heightForWidth(340));
    column->addWidget(message, 0, Qt::AlignHCenter);

    auto* add = new SecondaryButton(toQString(PaneTexts::addScreenshot), page);
    add->setSymbol(Icon::plus);
    add->setAccessibleName(toQString(PaneTexts::addScreenshot));
    add->setFocusPolicy(Qt::TabFocus);
    add_ = add;
    connect(add_, &QAbstractButton::clicked, this, &ScreenshotArea::addScreenshotRequested);
    column->addSpacing(2);
    column->addWidget(add_, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

void ScreenshotArea::showScreenshot(const Shown& shown) {
    CaptureImageView* view = shown.actualSize ? actualImage_ : fitImage_;
    std::string& revision = shown.actualSize ? actualRevision_ : fitRevision_;
    const bool rewritten = view->path() == shown.path && revision != shown.revision;
    revision = shown.revision;
    view->setPath(shown.path);
    if (rewritten && view->isVisible())
        view->reload();
    if (shown.actualSize) {
        const QSize frame(std::max(1, int(std::lround(shown.actualFrame.width()))),
                          std::max(1, int(std::lround(shown.actualFrame.height()))));
        actualImage_->resize(frame);
        scroll_->widget()->resize(frame + QSize(2 * pad, 2 * pad));
        pages_->setCurrentWidget(scroll_);
        return;
    }
    markup_->setVisible(shown.markupLabel.has_value());
    if (shown.markupLabel) {
        markup_->setText(toQString(*shown.markupLabel));
        markup_->setAccessibleName(toQString(*shown.markupLabel));
    }
    static_cast<FitPage*>(fitPage_)->placeChildren();
    pages_->setCurrentWidget(fitPage_);
}

void ScreenshotArea::showNoScreenshot() {
    pages_->setCurrentWidget(placeholder_);
}

bool ScreenshotArea::showsNoScreenshot() const {
    return pages_->currentWidget() == placeholder_;
}

bool ScreenshotArea::showsActualSize() const {
    return pages_->currentWidget() == scroll_;
}

QRect ScreenshotArea::fittedImageRect() const {
    return static_cast<FitPage*>(fitPage_)->imageRect().translated(fitPage_->pos());
}

void ScreenshotArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::surfaceSunken.resolved(palette()));
}

} // namespace tavro
