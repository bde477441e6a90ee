#include "ui/SettingsForm.h"

#include "ui/Divider.h"
#include "ui/Labels.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tavro {

namespace {

void colour(QWidget* widget, const DynamicColor& color, QPalette::ColorRole role) {
    QPalette palette = widget->palette();
    palette.setColor(role, color.resolved(widget->palette()));
    widget->setPalette(palette);
}

// The rounded box behind a section's rows.
class SectionBox final : public QWidget {
public:
    explicit SectionBox(QWidget* parent)
        : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::border.resolved(palette()), 1));
        painter.setBrush(Theme::surface.resolved(palette()));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

} // namespace

SettingsForm::SettingsForm(QWidget* parent)
    : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    colour(page, Theme::canvas, QPalette::Window);
    column_ = new QVBoxLayout(page);
    column_->setContentsMargins(20, 12, 20, 16);
    column_->setSpacing(14);
    column_->addStretch(1);
    setWidget(page);
}

FormSection* SettingsForm::addSection(const QString& header, const QString& footer) {
    auto* section = new FormSection(header, footer, widget());
    column_->insertWidget(column_->count() - 1, section);
    return section;
}

FormSection::FormSection(const QString& header, const QString& footer, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!header.isEmpty()) {
        auto* title = SettingsRows::text(header, Theme::Font::headline());
        title->setContentsMargins(4, 0, 0, 0);
        layout->addWidget(title);
    }
    box_ = new SectionBox(this);
    rows_ = new QVBoxLayout(box_);
    rows_->setContentsMargins(12, 4, 12, 4);
    rows_->setSpacing(0);
    layout->addWidget(box_);
    if (!footer.isEmpty()) {
        auto* note = SettingsRows::caption(footer);
        note->setContentsMargins(4, 0, 4, 0);
        layout->addWidget(note);
    }
}

namespace {

// A row that is hidden takes its hairline with it, so no two lines meet.
class DividerFollower final : public QObject {
public:
    DividerFollower(QWidget* row, QWidget* divider)
        : QObject(row)
        , divider_(divider) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
            divider_->setVisible(!static_cast<QWidget*>(watched)->isHidden());
        return false;
    }

private:
    QWidget* divider_;
};

} // namespace

void FormSection::addRow(QWidget* row) {
    if (rowCount_++ > 0) {
        auto* divider = new Divider(box_);
        rows_->addWidget(divider);
        divider->setVisible(!row->isHidden());
        row->installEventFilter(new DividerFollower(row, divider));
    }
    row->setParent(box_);
    row->setContentsMargins(0, 5, 0, 5);
    rows_->addWidget(row);
}

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = track.height() / 2;
    painter.setPen(isChecked() ? Qt::NoPen : QPen(Theme::borderStrong.resolved(palette()), 1));
    painter.setBrush((isChecked() ? Theme::accent : Theme::surfaceSunken).resolved(palette()));
    painter.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        painter.setPen(QPen(Theme::accent.resolved(palette()), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-0.5, -0.5, 0.5, 0.5), radius, radius);
    }
}

namespace SettingsRows {

QWidget* labelled(const QString& label, QWidget* control) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* name = text(label, Theme::Font::body());
    layout->addWidget(name);
    layout->addStretch(1);
    layout->addWidget(control);
    control->setParent(row);
    if (qobject_cast<QLabel*>(control)) {
        // A figure is read as what it shows; the row's title labels it.
        name->setBuddy(control);
    } else if (control->accessibleName().isEmpty()) {
        control->setAccessibleName(label);
    }
    return row;
}

ToggleSwitch* addSwitch(FormSection& section, const QString& label, bool on) {
    auto* toggle = new ToggleSwitch;
    toggle->setChecked(on);
    toggle->setAccessibleName(label);
    section.addRow(labelled(label, toggle));
    return toggle;
}

QLabel* caption(const QString& content) {
    auto* label = text(content, Theme::Font::caption());
    colour(label, Theme::textTertiary, QPalette::WindowText);
    label->setWordWrap(true);
    return label;
}

QLabel* text(const QString& content, const QFont& font) {
    auto* label = plainLabel(content);
    label->setFont(font);
    colour(label, Theme::textPrimary, QPalette::WindowText);
    return label;
}

} // namespace SettingsRows

} // namespace tavro
