#include "board/NewGroupSheet.h"

#include "board/FolderChooser.h"
#include "board/GroupCreation.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

namespace tavro {

namespace {

constexpr int sheetWidth = 420;
constexpr int swatchSize = 20;
constexpr int ringGap = 3;

// One palette colour as a round chip, ringed while chosen. The chips are exclusive: clicking
// the chosen one keeps it chosen.
class ColorSwatch final : public QAbstractButton {
public:
    ColorSwatch(const QString& hex, QWidget* parent)
        : QAbstractButton(parent)
        , color_(colorFromHexString(hex)) {
        setCheckable(true);
        setAutoExclusive(true);
        setFixedSize(swatchSize + 2 * ringGap, swatchSize + 2 * ringGap);
        setAccessibleName(QStringLiteral("Colour ") + hex);
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF centre = QRectF(rect()).center();
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_);
        painter.drawEllipse(centre, swatchSize / 2.0, swatchSize / 2.0);
        if (isChecked()) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(Theme::textPrimary.resolved(palette()), 2));
            const double radius = swatchSize / 2.0 + ringGap - 1;
            painter.drawEllipse(centre, radius, radius);
        }
    }

private:
    QColor color_;
};

QVBoxLayout* block(QVBoxLayout* parent, const QString& caption) {
    auto* layout = new QVBoxLayout;
    layout->setSpacing(6);
    layout->addWidget(new SectionLabel(caption));
    parent->addLayout(layout);
    return layout;
}

QLabel* label(const QString& text, const QFont& font, DynamicColor color, QWidget* parent) {
    auto* shown = plainLabel(text, parent);
    shown->setFont(font);
    QPalette palette = shown->palette();
    palette.setColor(QPalette::WindowText, color.resolved(parent->palette()));
    shown->setPalette(palette);
    return shown;
}

} // namespace

NewGroupSheet::NewGroupSheet(Library& library, FolderChooser& folders, QWidget* parent)
    : QDialog(parent)
    , library_(library)
    , folders_(folders) {
    setWindowTitle(QStringLiteral("New group"));
    setWindowModality(Qt::WindowModal);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Theme::surface.resolved(palette()));
    setPalette(background);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    column->addWidget(
        label(QStringLiteral("New group"), Theme::Font::title(), Theme::textPrimary, this));

    name_ = new QLineEdit(this);
    name_->setPlaceholderText(QStringLiteral("Tavro"));
    name_->setAccessibleName(QStringLiteral("Name"));
    block(column, QStringLiteral("Name"))->addWidget(name_);

    auto* colours = new QHBoxLayout;
    colours->setSpacing(8 - 2 * ringGap);
    colours->setContentsMargins(-ringGap, 0, 0, 0);
    for (std::string_view hex : GroupPalette::colors) {
        auto* swatch = new ColorSwatch(toQString(hex), this);
        connect(swatch, &QAbstractButton::clicked, this, [this, hex] {
            draft_.colorHex = std::string(hex);
            showDraft();
        });
        colours->addWidget(swatch);
        swatches_.push_back(swatch);
    }
    colours->addStretch();
    block(column, QStringLiteral("Colour"))->addLayout(colours);

    auto* folderBlock = block(column, QStringLiteral("Bound folder (optional)"));
    auto* folderRow = new QHBoxLayout;
    folder_ = new QLineEdit(this);
    folder_->setPlaceholderText(QStringLiteral("~/dev/tavro"));
    folder_->setAccessibleName(QStringLiteral("Bound folder"));
    choose_ = new SecondaryButton(QStringLiteral("Choose\u2026"), this);
    choose_->setAccessibleName(QStringLiteral("Choose\u2026"));
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(choose_);
    folderBlock->addLayout(folderRow);
    auto* hint = label(QStringLiteral("Captures taken while this folder's app is frontmost can "
                                      "be filed here automatically."),
                       Theme::Font::caption(), Theme::textTertiary, this);
    hint->setWordWrap(true);
    folderBlock->addWidget(hint);

    error_ = label(QString(), Theme::Font::caption(), Theme::priorityHigh, this);
    error_->setWordWrap(true);
    error_->hide();
    column->addWidget(error_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cancel_ = new SecondaryButton(QStringLiteral("Cancel"), this);
    cancel_->setAccessibleName(QStringLiteral("Cancel"));
    create_ = new PrimaryButton(QStringLiteral("Create"), Theme::accent, this);
    create_->setAccessibleName(QStringLiteral("Create"));
    buttons->addWidget(cancel_);
    buttons->addWidget(create_);
    column->addLayout(buttons);

    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        draft_.name = toStdString(text);
        showDraft();
    });
    connect(folder_, &QLineEdit::textEdited, this,
            [this](const QString& text) { draft_.path = toStdString(text); });
    connect(choose_, &QAbstractButton::clicked, this, &NewGroupSheet::chooseFolder);
    connect(cancel_, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(create_, &QAbstractButton::clicked, this, &NewGroupSheet::create);
    showDraft();
    fitHeight();
    name_->setFocus();
}

void NewGroupSheet::fitHeight() {
    const int height = hasHeightForWidth() ? heightForWidth(sheetWidth) : sizeHint().height();
    setFixedSize(sheetWidth, height);
}

void NewGroupSheet::showDraft() {
    if (toStdString(name_->text()) != draft_.name)
        name_->setText(toQString(draft_.name));
    if (toStdString(folder_->text()) != draft_.path)
        folder_->setText(toQString(draft_.path));
    for (size_t i = 0; i < swatches_.size(); ++i)
        swatches_[i]->setChecked(GroupPalette::colors[i] == draft_.colorHex);
    create_->setEnabled(draft_.canCreate());
}

void NewGroupSheet::chooseFolder() {
    if (std::optional<std::string> folder = folders_.chooseFolder(this)) {
        draft_.chooseFolder(*folder);
        showDraft();
    }
}

void NewGroupSheet::create() {
    // Until the answer comes, a second Return or click writes nothing more.
    create_->setEnabled(false);
    createGroup(library_, draft_, this, [this](const GroupCreationResult& result) {
        create_->setEnabled(draft_.canCreate());
        switch (result.outcome) {
        case GroupCreation::skipped:
            return;
        case GroupCreation::written:
            accept();
            return;
        case GroupCreation::failed:
            error_->setText(toQString(result.error));
            error_->show();
            fitHeight();
            return;
        }
    });
}

void NewGroupSheet::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (create_->isEnabled())
            create();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tavro
