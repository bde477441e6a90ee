#include "board/EmptyStateView.h"

#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tavro {

namespace {

constexpr int symbolSize = 34;

class EmptySymbol final : public QWidget {
public:
    explicit EmptySymbol(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(symbolSize, symbolSize);
    }
    void setIcon(Icon icon) {
        icon_ = icon;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QColor color = Theme::textTertiary.resolved(palette());
        color.setAlphaF(0.7f);
        // Light weight: thinner strokes than the default symbols.
        paintIcon(painter, icon_, QRectF(rect()), color, 0.7);
    }

private:
    Icon icon_ = Icon::viewfinder;
};

QLabel* label(QWidget* parent, const QFont& font, const DynamicColor& color) {
    auto* made = new QLabel(parent);
    made->setFont(font);
    QPalette palette = made->palette();
    palette.setColor(QPalette::WindowText, color.resolved(parent->palette()));
    made->setPalette(palette);
    made->setTextFormat(Qt::PlainText);
    return made;
}

} // namespace

EmptyStateView::EmptyStateView(QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addStretch(1);
    symbol_ = new EmptySymbol(this);
    layout->addWidget(symbol_, 0, Qt::AlignHCenter);
    title_ = label(this, Theme::Font::title(), Theme::textSecondary);
    layout->addWidget(title_, 0, Qt::AlignHCenter);
    message_ = label(this, Theme::Font::body(), Theme::textTertiary);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignHCenter);
    // A fixed width lets the label take as many lines as the message needs.
    message_->setFixedWidth(380);
    layout->addWidget(message_, 0, Qt::AlignHCenter);

    hint_ = new QWidget(this);
    auto* hint = new QVBoxLayout(hint_);
    hint->setContentsMargins(0, 4, 0, 0);
    hint->setSpacing(6);
    hintRow_ = new QWidget(hint_);
    auto* row = new QHBoxLayout(hintRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* press = label(hintRow_, Theme::Font::callout(), Theme::textTertiary);
    press->setText(QString::fromUtf8(EmptyStateTexts::press));
    row->addWidget(press);
    hintKeys_ = new QWidget(hintRow_);
    row->addWidget(hintKeys_);
    auto* anywhere = label(hintRow_, Theme::Font::callout(), Theme::textTertiary);
    anywhere->setText(QString::fromUtf8(EmptyStateTexts::anywhereToCapture));
    row->addWidget(anywhere);
    hint->addWidget(hintRow_, 0, Qt::AlignHCenter);
    auto* twice = label(hint_, Theme::Font::caption(), Theme::textTertiary);
    twice->setText(QString::fromUtf8(EmptyStateTexts::pressTwice));
    hint->addWidget(twice, 0, Qt::AlignHCenter);
    layout->addWidget(hint_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}

void EmptyStateView::present(const LibraryFilter& filter, bool isSearching,
                             const QString& shortcut) {
    content_ = emptyStateContent(filter, isSearching);
    static_cast<EmptySymbol*>(symbol_)->setIcon(content_.symbol);
    symbol_->setAccessibleName(toQString(iconName(content_.symbol)));
    title_->setText(content_.title);
    message_->setText(content_.message);
    // A wrapped label in a centring layout gets its one-line hint height: give it every line.
    message_->setFixedHeight(message_->heightForWidth(message_->width()));
    hint_->setVisible(content_.showsShortcutHint);
    auto* row = static_cast<QHBoxLayout*>(hintRow_->layout());
    auto* keys = new KeyHint(shortcut, hintRow_);
    keys->setAccessibleName(shortcut);
    // The layout hands back the old hint's item: ours to delete.
    delete row->replaceWidget(hintKeys_, keys);
    delete hintKeys_;
    hintKeys_ = keys;
}

bool EmptyStateView::showsShortcutHint() const {
    return !hint_->isHidden();
}

} // namespace tavro
