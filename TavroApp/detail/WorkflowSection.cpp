#include "detail/WorkflowSection.h"

#include "detail/PaneTexts.h"
#include "ui/AssigneeMenu.h"
#include "ui/Badges.h"
#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/MenuText.h"
#include "ui/PersonAvatar.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace tavro {

namespace {

constexpr double chipRadius = 7;

QSize chipSize(const QString& text) {
    const QFontMetricsF metrics(Theme::Font::caption());
    return QSize(int(std::ceil(metrics.horizontalAdvance(text) + 16)),
                 int(std::ceil(metrics.height() + 10)));
}

// What the status and priority chips share: a fixed-size caption button, reached with Tab, that
// a screen reader finds as one of a row of radio buttons, the current one checked. A click asks
// for the choice; the chip is checked once the capture has it.
class ChoiceChip : public QAbstractButton {
public:
    ChoiceChip(const std::string& title, bool current, QWidget* parent)
        : QAbstractButton(parent) {
        setText(toQString(title));
        setAccessibleName(text());
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setCheckable(true);
        setChecked(current);
    }
    QSize sizeHint() const override { return chipSize(text()); }

protected:
    void nextCheckState() override {}
};

class ChoiceChipAccessible final : public QAccessibleWidget {
public:
    explicit ChoiceChipAccessible(ChoiceChip* chip)
        : QAccessibleWidget(chip, QAccessible::RadioButton) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = static_cast<QAbstractButton*>(widget())->isChecked();
        return state;
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction())
            static_cast<QAbstractButton*>(widget())->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* chipAccessible(const QString&, QObject* object) {
    if (auto* chip = dynamic_cast<ChoiceChip*>(object))
        return new ChoiceChipAccessible(chip);
    return nullptr;
}

// A status choice: the current one white on its status colour, the others quiet.
class StatusChip final : public ChoiceChip {
public:
    StatusChip(const WorkflowChip<CaptureStatus>& chip, QWidget* parent)
        : ChoiceChip(chip.title, chip.current, parent)
        , chip_(chip) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette& colours = palette();
        const QColor fill = chip_.current ? StatusPill::color(chip_.value).resolved(colours)
                                          : Theme::surfaceSunken.resolved(colours);
        painter.setPen(Qt::NoPen);
        painter.setBrush(isDown() ? fill.darker(110) : fill);
        painter.drawRoundedRect(QRectF(rect()), chipRadius, chipRadius);
        painter.setFont(Theme::Font::caption());
        painter.setPen(chip_.current ? QColor(Qt::white) : Theme::textSecondary.resolved(colours));
        painter.drawText(QRectF(rect()), Qt::AlignCenter, text());
    }

private:
    WorkflowChip<CaptureStatus> chip_;
};

// A priority choice: the current one outlined on a sunken fill, the others bare.
class PriorityChip final : public ChoiceChip {
public:
    PriorityChip(const WorkflowChip<CapturePriority>& chip, QWidget* parent)
        : ChoiceChip(chip.title, chip.current, parent)
        , current_(chip.current) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette& colours = palette();
        const QRectF shape = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
        if (current_) {
            painter.setBrush(Theme::surfaceSunken.resolved(colours));
            painter.setPen(QPen(Theme::border.resolved(colours), 0.5));
            painter.drawRoundedRect(shape, chipRadius, chipRadius);
        } else if (isDown()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::surfaceSunken.resolved(colours));
            painter.drawRoundedRect(shape, chipRadius, chipRadius);
        }
        painter.setFont(Theme::Font::caption());
        painter.setPen((current_ ? Theme::textPrimary : Theme::textTertiary).resolved(colours));
        painter.drawText(QRectF(rect()), Qt::AlignCenter, text());
    }

private:
    bool current_;
};

// The group menu's face: the group's colour dot and name.
class GroupMenuButton final : public QToolButton {
public:
    GroupMenuButton(const WorkflowContent& content, QWidget* parent)
        : QToolButton(parent)
        , color_(content.groupColorHex) {
        setText(toQString(content.groupLabel));
        setAccessibleName(QStringLiteral("Group"));
        setAccessibleDescription(text());
        setPopupMode(QToolButton::InstantPopup);
        setAutoRaise(true);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    }
    QSize sizeHint() const override {
        const QFontMetricsF metrics(Theme::Font::caption());
        return QSize(int(std::ceil(6 + 4 + metrics.horizontalAdvance(text()) + 4)),
                     int(std::ceil(metrics.height() + 6)));
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette& colours = palette();
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_ ? colorFromHexString(toQString(*color_))
                                : Theme::textTertiary.resolved(colours));
        painter.drawEllipse(QRectF(0, (height() - 6) / 2.0, 6, 6));
        painter.setFont(Theme::Font::caption());
        painter.setPen(Theme::textSecondary.resolved(colours));
        painter.drawText(QRectF(rect()).adjusted(10, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         text());
    }

private:
    std::optional<std::string> color_;
};

// A capsule or line of a symbol and a text in one colour.
class Badge final : public QWidget {
public:
    Badge(Icon icon, const QString& text, const QFont& font, DynamicColor color, bool capsule,
          QWidget* parent)
        : QWidget(parent)
        , icon_(icon)
        , text_(text)
        , font_(font)
        , color_(color)
        , capsule_(capsule) {
        setAccessibleName(text);
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetricsF metrics(font_);
        const double padX = capsule_ ? 8 : 0, padY = capsule_ ? 4 : 0;
        return QSize(int(std::ceil(padX + 10 + 5 + metrics.horizontalAdvance(text_) + padX)),
                     int(std::ceil(std::max(10.0, metrics.height()) + 2 * padY)));
    }
    QSize minimumSizeHint() const override { return QSize(40, sizeHint().height()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor color = color_.resolved(palette());
        const QRectF bounds(rect());
        const double padX = capsule_ ? 8 : 0;
        if (capsule_) {
            QColor fill = color;
            fill.setAlphaF(0.1f);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
        }
        paintIcon(painter, icon_, QRectF(padX, (bounds.height() - 10) / 2, 10, 10), color);
        painter.setFont(font_);
        painter.setPen(color);
        const QRectF textRect = bounds.adjusted(padX + 15, 0, -padX, 0);
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                         QFontMetricsF(font_).elidedText(text_, Qt::ElideRight, textRect.width()));
    }

private:
    Icon icon_;
    QString text_;
    QFont font_;
    DynamicColor color_;
    bool capsule_;
};

} // namespace

WorkflowSection::WorkflowSection(Actions actions, QWidget* parent)
    : QWidget(parent)
    , actions_(std::move(actions)) {
    static const bool installed = [] {
        QAccessible::installFactory(chipAccessible);
        return true;
    }();
    (void)installed;
    setAccessibleName(QStringLiteral("Workflow"));
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(8);
}

void WorkflowSection::present(const WorkflowContent& content) {
    if (presented_ && content == content_)
        return;
    content_ = content;
    presented_ = true;
    rebuild();
}

QAbstractButton* WorkflowSection::statusChip(CaptureStatus status) const {
    const auto index = static_cast<size_t>(status);
    return index < statusChips_.size() ? statusChips_[index] : nullptr;
}

QAbstractButton* WorkflowSection::priorityChip(CapturePriority priority) const {
    const auto index = static_cast<size_t>(priority);
    return index < priorityChips_.size() ? priorityChips_[index] : nullptr;
}

// A row of choices, each calling `choose` with its value.
template <class Chip, class Value>
QHBoxLayout* WorkflowSection::chipRow(const std::vector<WorkflowChip<Value>>& chips,
                                      const std::function<void(Value)>& choose,
                                      std::vector<QAbstractButton*>& buttons) {
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (const auto& chip : chips) {
        auto* button = new Chip(chip, this);
        connect(button, &QAbstractButton::clicked, this, [choose, value = chip.value] {
            if (choose)
                choose(value);
        });
        buttons.push_back(button);
        row->addWidget(button);
    }
    return row;
}

// A menu of the old rows may still be open in its own event loop: their widgets go later, and
// out of sight at once.
static void discard(QWidget* widget) {
    widget->hide();
    widget->deleteLater();
}

// Which of the section's controls has the keyboard focus, by what it stands for, so that the
// same control of the rebuilt rows can take it over.
std::optional<WorkflowSection::Control> WorkflowSection::focusedControl() const {
    const QWidget* focused = QApplication::focusWidget();
    if (!focused || !isAncestorOf(focused))
        return std::nullopt;
    for (std::size_t i = 0; i < statusChips_.size(); ++i)
        if (statusChips_[i] == focused)
            return Control{Control::Kind::status, i};
    for (std::size_t i = 0; i < priorityChips_.size(); ++i)
        if (priorityChips_[i] == focused)
            return Control{Control::Kind::priority, i};
    if (focused == groupMenu_)
        return Control{Control::Kind::group, 0};
    if (focused == assigneeMenu_)
        return Control{Control::Kind::assignee, 0};
    return std::nullopt;
}

QWidget* WorkflowSection::control(const Control& control) const {
    switch (control.kind) {
    case Control::Kind::status:
        return control.index < statusChips_.size() ? statusChips_[control.index] : nullptr;
    case Control::Kind::priority:
        return control.index < priorityChips_.size() ? priorityChips_[control.index] : nullptr;
    case Control::Kind::group:
        return groupMenu_;
    case Control::Kind::assignee:
        return assigneeMenu_;
    }
    return nullptr;
}

// Widgets made after the rest of the pane join the end of the window's Tab order: the rebuilt
// controls are put back in their place, after whatever precedes the section, in the order they
// are drawn.
void WorkflowSection::restoreTabOrder() {
    QWidget* previous = previousInFocusChain();
    while (previous != this && (previous->focusPolicy() == Qt::NoFocus || isAncestorOf(previous)))
        previous = previous->previousInFocusChain();
    if (previous == this)
        return;
    for (QWidget* stop : tabStops_) {
        setTabOrder(previous, stop);
        previous = stop;
    }
}

void WorkflowSection::rebuild() {
    const std::optional<Control> focused = focusedControl();
    build();
    restoreTabOrder();
    if (focused)
        if (QWidget* again = control(*focused))
            again->setFocus(Qt::OtherFocusReason);
}

void WorkflowSection::build() {
    while (QLayoutItem* item = column_->takeAt(0)) {
        if (QWidget* widget = item->widget())
            discard(widget);
        else if (QLayout* layout = item->layout())
            while (QLayoutItem* inner = layout->takeAt(0)) {
                if (inner->widget())
                    discard(inner->widget());
                delete inner;
            }
        delete item;
    }
    statusChips_.clear();
    priorityChips_.clear();
    tabStops_.clear();
    assigneeMenu_ = nullptr;

    column_->addWidget(new SectionLabel(toQString(PaneTexts::status), this));
    QHBoxLayout* statuses =
        chipRow<StatusChip>(content_.statuses, actions_.setStatus, statusChips_);
    tabStops_.insert(tabStops_.end(), statusChips_.begin(), statusChips_.end());
    statuses->addStretch(1);
    column_->addLayout(statuses);

    if (content_.showsAssignee) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 4, 0, 0);
        row->setSpacing(8);
        row->addWidget(new SectionLabel(toQString(PaneTexts::assignee), this), 0, Qt::AlignVCenter);
        auto* menu = new AssigneeMenu(
            content_.people, content_.assignee,
            [this](const std::optional<std::string>& id) {
                if (actions_.assign)
                    actions_.assign(id);
            },
            false, this);
        assigneeMenu_ = menu;
        tabStops_.push_back(menu);
        row->addWidget(menu, 0, Qt::AlignVCenter);
        row->addStretch(1);
        if (content_.filedBy) {
            row->addWidget(new PersonAvatar(content_.filedBy, 14, this), 0, Qt::AlignVCenter);
            auto* filed =
                new ElidedLabel(toQString(std::string(PaneTexts::filedBy) + content_.filedBy->name),
                                Theme::textTertiary, this, Qt::ElideRight);
            row->addSpacing(4 - row->spacing());
            row->addWidget(filed, 0, Qt::AlignVCenter);
        }
        column_->addLayout(row);
    }
    if (content_.claim)
        column_->addWidget(new Badge(Icon::sparkles, toQString(*content_.claim),
                                     Theme::Font::caption(), Theme::agentTint, true, this),
                           0, Qt::AlignLeft);
    if (content_.resolution)
        column_->addWidget(new Badge(Icon::checkmarkSealFill, toQString(*content_.resolution),
                                     Theme::Font::mono(), Theme::statusResolved, false, this),
                           0, Qt::AlignLeft);

    auto* priorityLabel = new QHBoxLayout;
    priorityLabel->setContentsMargins(0, 4, 0, 0);
    priorityLabel->addWidget(new SectionLabel(toQString(PaneTexts::priority), this));
    column_->addLayout(priorityLabel);
    QHBoxLayout* priorities =
        chipRow<PriorityChip>(content_.priorities, actions_.setPriority, priorityChips_);
    tabStops_.insert(tabStops_.end(), priorityChips_.begin(), priorityChips_.end());
    priorities->addStretch(1);
    groupMenu_ = new GroupMenuButton(content_, this);
    tabStops_.push_back(groupMenu_);
    auto* menu = new QMenu(groupMenu_);
    for (const GroupMenuItem& item : content_.groupItems) {
        if (item.divider) {
            menu->addSeparator();
            continue;
        }
        menu->addAction(literalMenuText(toQString(item.title)), this, [this, id = item.groupID] {
            if (actions_.setGroup)
                actions_.setGroup(id);
        });
    }
    groupMenu_->setMenu(menu);
    priorities->addWidget(groupMenu_);
    column_->addLayout(priorities);
}

} // namespace tavro
