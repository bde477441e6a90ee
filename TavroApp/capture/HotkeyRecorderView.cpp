#include "capture/HotkeyRecorderView.h"

#include "capture/ShortcutTexts.h"
#include "desktop/KeyPositions.h"
#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace tavro {

namespace {

ModifierSet modifierOfKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
        return ModifierSet::shift;
    case Qt::Key_Control:
        return ModifierSet::control;
    case Qt::Key_Alt:
        return ModifierSet::option;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return ModifierSet::command;
    default:
        return {};
    }
}

bool isModifierKey(int key) {
    return !modifierOfKey(key).isEmpty() || key == Qt::Key_AltGr || key == Qt::Key_CapsLock ||
           key == Qt::Key_NumLock || key == Qt::Key_Hyper_L || key == Qt::Key_Hyper_R;
}

ModifierSet modifiersOf(Qt::KeyboardModifiers flags) {
    ModifierSet set;
    if (flags & Qt::ShiftModifier)
        set = set | ModifierSet::shift;
    if (flags & Qt::ControlModifier)
        set = set | ModifierSet::control;
    if (flags & Qt::AltModifier)
        set = set | ModifierSet::option;
    if (flags & Qt::MetaModifier)
        set = set | ModifierSet::command;
    return set;
}

void colour(QWidget* widget, const DynamicColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color.resolved(widget->palette()));
    widget->setPalette(palette);
}

QLabel* captionLabel(QWidget* parent) {
    auto* label = plainLabel({}, parent);
    label->setFont(Theme::Font::caption());
    label->setWordWrap(true);
    return label;
}

class WarningIcon final : public QWidget {
public:
    explicit WarningIcon(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(11, 13);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintIcon(painter, Icon::exclamationmarkTriangleFill, QRectF(1, 3, 9, 9),
                  Theme::statusOpen.resolved(palette()));
    }
};

// The glyphs of the shortcut in a rounded key: accent while recording, red-edged on a conflict.
class ShortcutButton final : public QAbstractButton {
public:
    explicit ShortcutButton(QWidget* parent)
        : QAbstractButton(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setCursor(Qt::PointingHandCursor);
    }

    void setLook(bool recording, bool conflict) {
        recording_ = recording;
        conflict_ = conflict;
        updateGeometry();
        update();
    }

    static QFont labelFont() {
        QFont font = Theme::Font::body();
        font.setPixelSize(12);
        font.setWeight(QFont::DemiBold);
        return font;
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(labelFont());
        const double width = std::max(108.0, metrics.horizontalAdvance(text()) + 24);
        return QSize(static_cast<int>(std::ceil(width)),
                     static_cast<int>(std::ceil(metrics.height() + 14)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const double border = recording_ ? 1.5 : 0.5;
        const QRectF shape =
            QRectF(rect()).adjusted(border / 2, border / 2, -border / 2, -border / 2);
        painter.setBrush(
            (recording_ ? Theme::accentSoft : Theme::surfaceSunken).resolved(palette()));
        const DynamicColor edge =
            recording_ ? Theme::accent : (conflict_ ? Theme::priorityHigh : Theme::border);
        painter.setPen(QPen(edge.resolved(palette()), border));
        painter.drawRoundedRect(shape, 10, 10);
        painter.setFont(labelFont());
        painter.setPen((recording_ ? Theme::accent : Theme::textPrimary).resolved(palette()));
        painter.drawText(QRectF(rect()), Qt::AlignCenter, text());
    }

private:
    bool recording_ = false;
    bool conflict_ = false;
};

} // namespace

HotkeyRecorderView::HotkeyRecorderView(const QString& title, Preferences& preferences,
                                       PreferenceKey key, QWidget* parent)
    : QWidget(parent)
    , preferences_(preferences)
    , key_(key) {
    // Long enough for the press of a repeat to follow its release under load; short enough
    // that the shortcut still reads as stored the moment the keys are let go.
    releaseTimer_.setSingleShot(true);
    releaseTimer_.setInterval(150);
    connect(&releaseTimer_, &QTimer::timeout, this, [this] { applyHeldRelease(); });
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(16);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    auto* titleLabel = plainLabel(title, this);
    titleLabel->setFont(Theme::Font::headline());
    colour(titleLabel, Theme::textPrimary);
    column->addWidget(titleLabel);
    hint_ = captionLabel(this);
    column->addWidget(hint_);

    warningRow_ = new QWidget(this);
    auto* warningLayout = new QHBoxLayout(warningRow_);
    warningLayout->setContentsMargins(0, 0, 0, 0);
    warningLayout->setSpacing(4);
    warningLayout->addWidget(new WarningIcon(warningRow_), 0, Qt::AlignTop);
    warning_ = captionLabel(warningRow_);
    colour(warning_, Theme::statusOpen);
    warningLayout->addWidget(warning_, 1);
    column->addWidget(warningRow_);

    conflictLine_ = captionLabel(this);
    conflictLine_->setText(toQString(ShortcutTexts::conflict));
    colour(conflictLine_, Theme::priorityHigh);
    column->addWidget(conflictLine_);
    row->addLayout(column, 1);

    button_ = new ShortcutButton(this);
    row->addWidget(button_, 0, Qt::AlignTop);

    connect(button_, &QAbstractButton::clicked, this, &HotkeyRecorderView::toggle);
    connect(&model_, &HotkeyRecorderModel::changed, this, &HotkeyRecorderView::refresh);
    connect(&preferences_, &Preferences::changed, this, [this](PreferenceKey changed) {
        if (changed == key_)
            refresh();
    });
    model_.onCommit = [this](const HotkeyBinding& binding) {
        preferences_.setBinding(key_, binding);
    };
    refresh();
}

HotkeyRecorderView::~HotkeyRecorderView() {
    if (filtering_)
        qApp->removeEventFilter(this);
}

HotkeyBinding HotkeyRecorderView::bound() const {
    return preferences_.binding(key_);
}

void HotkeyRecorderView::setConflict(bool conflict) {
    conflict_ = conflict;
    refresh();
}

QString HotkeyRecorderView::hint() const {
    return hint_->text();
}

void HotkeyRecorderView::toggle() {
    if (model_.isRecording()) {
        model_.cancel();
        return;
    }
    heldModifierKeys_.clear();
    model_.start(modifiersOf(QGuiApplication::queryKeyboardModifiers()));
}

void HotkeyRecorderView::hideEvent(QHideEvent* event) {
    releaseTimer_.stop();
    heldRelease_.reset();
    model_.cancel();
    QWidget::hideEvent(event);
}

void HotkeyRecorderView::refresh() {
    const bool recording = model_.isRecording();
    if (recording != filtering_) {
        if (recording)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
        filtering_ = recording;
    }

    const HotkeyBinding binding = bound();
    const auto& draft = model_.draft();
    std::string hint;
    if (!recording)
        hint = binding.explanation();
    else if (model_.problem())
        hint = *model_.problem();
    else if (draft)
        hint = draft->explanation();
    else
        hint = "Press any key or combination, or tap a modifier · ⎋ to cancel";
    hint_->setText(toQString(hint));
    colour(hint_, model_.problem() ? Theme::priorityHigh : Theme::textTertiary);

    std::optional<std::string> warning;
    if (recording)
        warning = draft && draft->warning() ? draft->warning() : model_.warning();
    else
        warning = binding.warning();
    warning_->setText(toQString(warning.value_or("")));
    warningRow_->setVisible(warning.has_value());
    conflictLine_->setVisible(conflict_ && !recording);

    button_->setText(toQString(recording ? (draft ? draft->displayString() : "Listening…")
                                         : binding.displayString()));
    static_cast<ShortcutButton*>(button_)->setLook(recording, conflict_);
}

bool HotkeyRecorderView::eventFilter(QObject*, QEvent* event) {
    if (!model_.isRecording())
        return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat())
        return type == QEvent::KeyPress;
    const KeyStroke stroke{key->nativeScanCode(), key->timestamp(), key->key()};
    if (type == QEvent::KeyRelease) {
        applyHeldRelease();
        heldRelease_ = stroke;
        releaseTimer_.start();
        return false;
    }
    // The server repeats a held key as a release and a press at one instant. Qt joins the two
    // only when both arrive in one read, so a pair it missed is joined here.
    if (heldRelease_ && heldRelease_->scanCode == stroke.scanCode && stroke.timestamp != 0 &&
        heldRelease_->timestamp == stroke.timestamp) {
        heldRelease_.reset();
        releaseTimer_.stop();
        return true;
    }
    applyHeldRelease();
    return applyStroke(stroke, true, key->modifiers());
}

void HotkeyRecorderView::applyHeldRelease() {
    releaseTimer_.stop();
    if (const auto release = std::exchange(heldRelease_, std::nullopt))
        applyStroke(*release, false, {});
}

bool HotkeyRecorderView::applyStroke(const KeyStroke& stroke, bool press,
                                     Qt::KeyboardModifiers modifiers) {
    const double now = stroke.timestamp / 1000.0;
    if (isModifierKey(stroke.key)) {
        if (press)
            heldModifierKeys_[stroke.scanCode] = modifierOfKey(stroke.key);
        else
            heldModifierKeys_.erase(stroke.scanCode);
        ModifierSet held;
        for (const auto& [code, modifier] : heldModifierKeys_)
            held = held | modifier;
        model_.flagsChanged(held, now);
        return false;
    }
    const auto code = stroke.scanCode <= 255
                          ? KeyPositions::bindingKeyCode(static_cast<std::uint8_t>(stroke.scanCode))
                          : std::nullopt;
    if (!press) {
        if (code)
            model_.keyUp(*code);
        return false;
    }
    if (code)
        model_.keyDown(*code, modifiersOf(modifiers), now);
    return true;
}

} // namespace tavro
