#include "compose/MarkupEditorView.h"

#include "compose/MarkupCanvas.h"
#include "compose/MarkupControls.h"
#include "compose/MarkupTexts.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

namespace tavro {

namespace {

// A plain area filled with one theme colour.
class Band final : public QWidget {
public:
    Band(DynamicColor fill, QWidget* parent = nullptr)
        : QWidget(parent)
        , fill_(fill) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), fill_.resolved(palette()));
    }

private:
    DynamicColor fill_;
};

// A group of buttons on a rounded sunken plate.
class Plate final : public QWidget {
public:
    Plate(double radius, QWidget* parent = nullptr)
        : QWidget(parent)
        , radius_(radius) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::surfaceSunken.resolved(palette()));
        painter.drawRoundedRect(QRectF(rect()), radius_, radius_);
    }

private:
    double radius_;
};

QWidget* divider(QWidget* parent, bool vertical) {
    auto* line = new Band(Theme::border, parent);
    if (vertical)
        line->setFixedSize(1, 20);
    else
        line->setFixedHeight(1);
    return line;
}

QHBoxLayout* row(QWidget* owner, int spacing, QMargins margins = {}) {
    auto* layout = new QHBoxLayout(owner);
    layout->setSpacing(spacing);
    layout->setContentsMargins(margins);
    layout->setAlignment(Qt::AlignVCenter);
    return layout;
}

void dim(QWidget* group, bool enabled) {
    group->setEnabled(enabled);
    auto* effect = static_cast<QGraphicsOpacityEffect*>(group->graphicsEffect());
    effect->setOpacity(enabled ? 1.0 : 0.35);
}

} // namespace

MarkupEditorView::MarkupEditorView(std::unique_ptr<MarkupEditorState> state, Callbacks callbacks,
                                   QWidget* parent)
    : QWidget(parent)
    , state_(std::move(state))
    , callbacks_(std::move(callbacks)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    canvas_ = new MarkupCanvas(*state_, this);
    layout->addWidget(makeToolbar());
    layout->addWidget(divider(this, false));
    layout->addWidget(canvas_, 1);
    layout->addWidget(divider(this, false));
    // The alert row: what failed, and why below it.
    const auto alertLine = [&](const QString& name, DynamicColor color, int top, int bottom) {
        QLabel* line = themedLabel(QString(), Theme::Font::caption(), color, this);
        line->setObjectName(name);
        line->setWordWrap(true);
        line->setContentsMargins(16, top, 16, bottom);
        line->hide();
        layout->addWidget(line);
        return line;
    };
    failure_ = alertLine(QStringLiteral("saveFailure"), Theme::priorityHigh, 8, 0);
    failure_->setAccessibleName(QStringLiteral("Save failure"));
    failureDetail_ = alertLine(QStringLiteral("saveFailureDetail"), Theme::textSecondary, 2, 6);
    failureDetail_->setAccessibleName(QStringLiteral("Save failure detail"));
    layout->addWidget(makeFooter());
    connect(canvas_, &MarkupCanvas::shapeCommitted, this, [this] { refresh(); });

    auto shortcut = [this](const QKeySequence& keys, auto action) {
        auto* s = new QShortcut(keys, this, this, action);
        s->setContext(Qt::WindowShortcut);
    };
    shortcut(QKeySequence(Qt::Key_Escape), [this] { cancel(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { save(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { save(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { redo(); });
    refresh();
}

MarkupEditorView::~MarkupEditorView() = default;

QWidget* MarkupEditorView::makeToolbar() {
    auto* bar = new Band(Theme::surface, this);
    auto* layout = row(bar, 12, {16, 8, 16, 8});

    auto* toolPlate = new Plate(9, bar);
    auto* toolRow = row(toolPlate, 2, {2, 2, 2, 2});
    for (AnnotationTool tool : allAnnotationTools) {
        auto* button = new MarkupToolButton(tool, toolPlate);
        connect(button, &QAbstractButton::clicked, this, [this, tool] { chooseTool(tool); });
        toolRow->addWidget(button);
        tools_.push_back(button);
    }
    layout->addWidget(toolPlate);
    layout->addWidget(divider(bar, true));

    colorGroup_ = new QWidget(bar);
    colorGroup_->setGraphicsEffect(new QGraphicsOpacityEffect(colorGroup_));
    // The swatches carry the margin of their ring.
    auto* colorRow = row(colorGroup_, 0);
    for (std::string_view color : AnnotationPalette::colors) {
        auto* swatch = new MarkupSwatchButton(toQString(color), colorGroup_);
        connect(swatch, &QAbstractButton::clicked, this,
                [this, text = std::string(color)] { chooseColor(text); });
        colorRow->addWidget(swatch);
        swatches_.push_back(swatch);
    }
    layout->addWidget(colorGroup_);
    layout->addWidget(divider(bar, true));

    widthGroup_ = new Plate(8, bar);
    widthGroup_->setGraphicsEffect(new QGraphicsOpacityEffect(widthGroup_));
    auto* widthRow = row(widthGroup_, 2, {2, 2, 2, 2});
    for (size_t i = 0; i < AnnotationPalette::widths.size(); ++i) {
        auto* button =
            new MarkupWidthButton(toQString(AnnotationPalette::widths[i].label), widthGroup_);
        connect(button, &QAbstractButton::clicked, this, [this, i] { chooseWidth(int(i)); });
        widthRow->addWidget(button);
        widths_.push_back(button);
    }
    layout->addWidget(widthGroup_);
    layout->addStretch(1);

    auto iconButton = [&](Icon icon, std::string_view tip, void (MarkupEditorView::*action)()) {
        auto* button = new IconButton(icon, 26, bar);
        button->setToolTip(toQString(tip));
        button->setAccessibleName(toQString(tip));
        connect(button, &QAbstractButton::clicked, this, action);
        layout->addWidget(button);
        return button;
    };
    undo_ = iconButton(Icon::arrowUturnBackward, MarkupTexts::undo, &MarkupEditorView::undo);
    redo_ = iconButton(Icon::arrowUturnForward, MarkupTexts::redo, &MarkupEditorView::redo);
    clear_ = iconButton(Icon::trash, MarkupTexts::clear, &MarkupEditorView::clear);
    return bar;
}

QWidget* MarkupEditorView::makeFooter() {
    auto* footer = new Band(Theme::surfaceRaised, this);
    auto* layout = row(footer, 8, {16, 12, 16, 12});
    hint_ = plainLabel({}, footer);
    hint_->setFont(Theme::Font::caption());
    QPalette tertiary = hint_->palette();
    tertiary.setColor(QPalette::WindowText, Theme::textTertiary.resolved(palette()));
    hint_->setPalette(tertiary);
    layout->addWidget(hint_);
    layout->addStretch(1);
    auto* cancel = new SecondaryButton(toQString(MarkupTexts::cancel), footer);
    cancel->setAccessibleName(toQString(MarkupTexts::cancel));
    connect(cancel, &QAbstractButton::clicked, this, &MarkupEditorView::cancel);
    layout->addWidget(cancel);
    layout->addWidget(new KeyHint(toQString(MarkupTexts::saveKeys), footer));
    auto* save = new PrimaryButton(toQString(MarkupTexts::save), Theme::accent, footer);
    save->setAccessibleName(toQString(MarkupTexts::save));
    connect(save, &QAbstractButton::clicked, this, &MarkupEditorView::save);
    layout->addWidget(save);
    save_ = save;
    return footer;
}

QString MarkupEditorView::hint() const {
    return toQString(MarkupTexts::hint(state_->style().tool()));
}

void MarkupEditorView::save() {
    if (saving_)
        return;
    if (callbacks_.onSave)
        callbacks_.onSave(state_->annotation());
}

void MarkupEditorView::showSaving() {
    saving_ = true;
    save_->setEnabled(false);
}

void MarkupEditorView::showSaveFailure(const MarkupSaveFailure& failure) {
    saving_ = false;
    save_->setEnabled(true);
    failure_->setText(toQString(failure.summary));
    failure_->setVisible(!failure.summary.empty());
    failureDetail_->setText(toQString(failure.detail));
    failureDetail_->setVisible(!failure.detail.empty());
}

QString MarkupEditorView::saveFailure() const {
    if (failureDetail_->text().isEmpty())
        return failure_->text();
    return failure_->text() + QLatin1Char('\n') + failureDetail_->text();
}

void MarkupEditorView::cancel() {
    if (callbacks_.onCancel)
        callbacks_.onCancel();
}

void MarkupEditorView::undo() {
    if (!state_->canUndo())
        return;
    state_->undo();
    shapesChanged();
}

void MarkupEditorView::redo() {
    if (!state_->canRedo())
        return;
    state_->redo();
    shapesChanged();
}

void MarkupEditorView::clear() {
    if (!state_->canClear())
        return;
    state_->clear();
    shapesChanged();
}

void MarkupEditorView::chooseTool(AnnotationTool tool) {
    state_->setTool(tool);
    styleChanged();
}

void MarkupEditorView::chooseColor(const std::string& colorHex) {
    if (!state_->styleControlsEnabled())
        return;
    state_->setColor(colorHex);
    styleChanged();
}

void MarkupEditorView::chooseWidth(int index) {
    if (!state_->styleControlsEnabled())
        return;
    state_->setWidthIndex(index);
    styleChanged();
}

void MarkupEditorView::shapesChanged() {
    canvas_->previewChanged();
    refresh();
}

void MarkupEditorView::styleChanged() {
    refresh();
    if (callbacks_.onStyleChanged)
        callbacks_.onStyleChanged(state_->style());
}

void MarkupEditorView::refresh() {
    const MarkupStyle& style = state_->style();
    for (MarkupToolButton* button : tools_)
        button->setChecked(
            rawValue(button->tool()) == style.toolRaw ||
            (button->tool() == AnnotationTool::pen && !annotationToolFromRawValue(style.toolRaw)));
    for (MarkupSwatchButton* swatch : swatches_)
        swatch->setChecked(toStdString(swatch->colorHex()) == style.colorHex);
    for (size_t i = 0; i < widths_.size(); ++i)
        widths_[i]->setChecked(int(i) == style.effectiveWidthIndex());
    dim(colorGroup_, state_->styleControlsEnabled());
    dim(widthGroup_, state_->styleControlsEnabled());
    undo_->setEnabled(state_->canUndo());
    redo_->setEnabled(state_->canRedo());
    clear_->setEnabled(state_->canClear());
    hint_->setText(hint());
}

} // namespace tavro
