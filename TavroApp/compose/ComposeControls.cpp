#include "compose/ComposeControls.h"

#include "compose/ComposeTexts.h"
#include "model/Capture.h"
#include "model/Text.h"
#include "ui/AppIconView.h"
#include "ui/PlainField.h"
#include "ui/SymbolLabel.h"
#include "values/Utf8.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tavro {

namespace {

QColor themed(const QWidget* widget, const DynamicColor& color) {
    return color.resolved(widget->palette());
}

int ceilInt(double value) {
    return static_cast<int>(std::ceil(value));
}

void paintWell(QPainter& painter, const QWidget* widget, double radius, const QColor& line,
               double width) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(themed(widget, Theme::surfaceSunken));
    painter.setPen(QPen(line, width));
    const double inset = width / 2;
    painter.drawRoundedRect(QRectF(widget->rect()).adjusted(inset, inset, -inset, -inset),
                            radius - inset, radius - inset);
}

// One segment of the priority selector.
class PrioritySegment final : public QAbstractButton {
public:
    PrioritySegment(const QString& title, QWidget* parent)
        : QAbstractButton(parent) {
        setText(title);
        setCheckable(true);
        setAutoExclusive(true);
        setAccessibleName(title);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(Theme::Font::caption());
        return QSize(ceilInt(metrics.horizontalAdvance(text()) + 18),
                     ceilInt(metrics.height() + 8));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (isChecked()) {
            painter.setBrush(themed(this, Theme::surface));
            painter.setPen(QPen(themed(this, Theme::border), 0.5));
            painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 5.75, 5.75);
        }
        painter.setFont(Theme::Font::caption());
        painter.setPen(themed(this, isChecked() ? Theme::textPrimary : Theme::textTertiary));
        painter.drawText(QRectF(rect()), Qt::AlignCenter, text());
    }
};

} // namespace

SymbolButton::SymbolButton(Icon icon, int glyph, DynamicColor color, const QString& name,
                           QWidget* parent)
    : QAbstractButton(parent)
    , icon_(icon)
    , glyph_(glyph)
    , color_(color) {
    setFixedSize(sizeHint());
    setAccessibleName(name);
    setCursor(Qt::PointingHandCursor);
}

void SymbolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor ink = themed(this, isEnabled() ? color_ : Theme::textTertiary);
    paintIcon(painter, icon_, QRectF(2, 2, glyph_, glyph_), isDown() ? ink.darker(130) : ink, 1.5);
}

ContextRow::ContextRow(const CaptureContext& context, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(new AppIconView(context.appBundleID, 14, this), 0, Qt::AlignVCenter);
    const QString app = context.appName ? toQString(*context.appName) : ComposeTexts::unknownApp();
    auto* name = new ElidedLabel(app, Theme::textSecondary, this);
    name->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    row->addWidget(name);
    const auto separator = [&] {
        row->addWidget(new ElidedLabel(ComposeTexts::separator(), Theme::textTertiary, this));
    };
    if (auto title = distinctWindowTitle(context.windowTitle, context.appName)) {
        separator();
        row->addWidget(new ElidedLabel(toQString(*title), Theme::textTertiary, this));
    }
    if (context.url && !context.url->empty()) {
        separator();
        row->addWidget(new SymbolLabel(Icon::link, 8, Theme::textTertiary, 1.2, this), 0,
                       Qt::AlignVCenter);
        row->addWidget(new ElidedLabel(toQString(*context.url), Theme::textTertiary, this));
    }
    row->addStretch(1);
}

QStringList ContextRow::shownTexts() const {
    QStringList texts;
    for (const auto* label : findChildren<ElidedLabel*>(Qt::FindDirectChildrenOnly))
        texts << label->text();
    return texts;
}

NoteField::NoteField(bool hasScreenshot, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 7, 6, 6);
    editor_ = new QPlainTextEdit(this);
    editor_->setFrameShape(QFrame::NoFrame);
    editor_->setFixedHeight(76);
    editor_->setPlaceholderText(ComposeTexts::notePlaceholder(hasScreenshot));
    editor_->setAccessibleName(QStringLiteral("Note"));
    editor_->setTabChangesFocus(true);
    plainField(editor_, Theme::Font::body());
    editor_->viewport()->setAutoFillBackground(false);
    editor_->installEventFilter(this);
    layout->addWidget(editor_);
}

bool NoteField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        update();
    return QWidget::eventFilter(watched, event);
}

void NoteField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor line = themed(this, Theme::border);
    if (editor_->hasFocus()) {
        line = themed(this, Theme::accent);
        line.setAlphaF(0.5f);
    }
    paintWell(painter, this, 10, line, 1);
}

GroupPill::GroupPill(QWidget* parent)
    : QToolButton(parent) {
    setPopupMode(QToolButton::InstantPopup);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Group"));
    setGroup(std::nullopt);
}

void GroupPill::setGroup(const std::optional<CaptureGroup>& group) {
    group_ = group;
    setAccessibleDescription(shownName());
    updateGeometry();
    update();
}

QString GroupPill::shownName() const {
    return group_ ? toQString(group_->name) : ComposeTexts::noGroup();
}

namespace {

// Around the name: the padding, the colour dot and its gap before it; the gap, the chevron and
// the padding after it.
constexpr double pillLeading = 9 + 7 + 5;
constexpr double pillTrailing = 5 + 8 + 9;

} // namespace

double GroupPill::nameWidth() const {
    const double full = QFontMetricsF(Theme::Font::callout()).horizontalAdvance(shownName());
    return std::max(0.0, std::min({full, nameWidthLimit, width() - pillLeading - pillTrailing}));
}

QString GroupPill::visibleName() const {
    return QFontMetricsF(Theme::Font::callout())
        .elidedText(shownName(), Qt::ElideRight, nameWidth() + 0.5);
}

QRectF GroupPill::chevronRect() const {
    return QRectF(pillLeading + nameWidth() + 5, height() / 2.0 - 4, 8, 8);
}

QSize GroupPill::sizeHint() const {
    const QFontMetricsF metrics(Theme::Font::callout());
    const double name = std::min(metrics.horizontalAdvance(shownName()), nameWidthLimit);
    return QSize(ceilInt(pillLeading + name + pillTrailing), ceilInt(metrics.height() + 10));
}

void GroupPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    painter.setBrush(themed(this, Theme::surfaceSunken));
    painter.setPen(QPen(themed(this, Theme::border), 0.5));
    painter.drawRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);

    const double mid = height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(group_ ? colorFromHexString(toQString(group_->colorHex))
                            : themed(this, Theme::textTertiary));
    painter.drawEllipse(QRectF(9, mid - 3.5, 7, 7));
    painter.setFont(Theme::Font::callout());
    painter.setPen(themed(this, Theme::textSecondary));
    painter.drawText(QRectF(pillLeading, 0, nameWidth() + 1, height()),
                     Qt::AlignVCenter | Qt::AlignLeft, visibleName());
    paintIcon(painter, Icon::chevronDown, chevronRect(), themed(this, Theme::textTertiary), 1.3);
}

NewGroupField::NewGroupField(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(9, 5, 9, 5);
    row->setSpacing(5);
    row->addWidget(new SymbolLabel(Icon::folderBadgePlus, 10, Theme::accent, 1.1, this), 0,
                   Qt::AlignVCenter);
    edit_ = new QLineEdit(this);
    edit_->setFrame(false);
    edit_->setPlaceholderText(ComposeTexts::groupNamePlaceholder());
    edit_->setAccessibleName(ComposeTexts::groupNamePlaceholder());
    edit_->setFixedWidth(118);
    edit_->setTextMargins(0, 0, 0, 0);
    plainField(edit_, Theme::Font::callout());
    row->addWidget(edit_, 0, Qt::AlignVCenter);
    confirm_ =
        new SymbolButton(Icon::checkmark, 9, Theme::accent, QStringLiteral("Create group"), this);
    cancel_ = new SymbolButton(Icon::xmark, 9, Theme::textTertiary, QStringLiteral("Cancel"), this);
    row->addWidget(confirm_, 0, Qt::AlignVCenter);
    row->addWidget(cancel_, 0, Qt::AlignVCenter);
    connect(edit_, &QLineEdit::returnPressed, this, &NewGroupField::commitRequested);
    connect(confirm_, &QAbstractButton::clicked, this, &NewGroupField::commitRequested);
    connect(cancel_, &QAbstractButton::clicked, this, &NewGroupField::cancelRequested);
    connect(edit_, &QLineEdit::textChanged, this, &NewGroupField::refreshConfirm);
    refreshConfirm();
}

void NewGroupField::refreshConfirm() {
    confirm_->setEnabled(!text::isBlank(toStdString(edit_->text()), text::Whitespace::Horizontal));
}

void NewGroupField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor line = themed(this, Theme::accent);
    line.setAlphaF(0.5f);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(themed(this, Theme::surfaceSunken));
    painter.setPen(QPen(line, 1));
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
}

QString PrioritySelector::title(CapturePriority priority) {
    return toQString(text::capitalized(rawValue(priority)));
}

PrioritySelector::PrioritySelector(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Priority"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    for (CapturePriority priority : allCases<CapturePriority>()) {
        auto* segment = new PrioritySegment(title(priority), this);
        connect(segment, &QAbstractButton::clicked, this,
                [this, priority] { emit chosen(priority); });
        buttons_[static_cast<size_t>(priority)] = segment;
        row->addWidget(segment);
    }
}

void PrioritySelector::setPriority(CapturePriority priority) {
    button(priority)->setChecked(true);
}

void PrioritySelector::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(themed(this, Theme::surfaceSunken));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

TagsField::TagsField(QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(9, 6, 9, 6);
    row->setSpacing(6);
    row->addWidget(new SymbolLabel(Icon::number, 10, Theme::textTertiary, 1.3, this), 0,
                   Qt::AlignVCenter);
    edit_ = new QLineEdit(this);
    edit_->setFrame(false);
    edit_->setPlaceholderText(ComposeTexts::tagsPlaceholder());
    edit_->setAccessibleName(QStringLiteral("Tags"));
    plainField(edit_, Theme::Font::callout());
    row->addWidget(edit_, 1);
}

void TagsField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintWell(painter, this, 6, themed(this, Theme::border), 0.5);
}

} // namespace tavro
