#include "detail/CommentCard.h"

#include "detail/CommentHeader.h"
#include "detail/SectionParts.h"
#include "detail/WrappingLabel.h"
#include "ui/Labels.h"
#include "ui/RelativeTime.h"
#include "ui/SymbolLabel.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tavro {

CommentCard::CommentCard(const Comment& comment, QWidget* parent)
    : QWidget(parent)
    , comment_(comment) {
    const CommentHeader header = commentHeader(comment);
    const DynamicColor ink = header.agentTinted ? Theme::agentTint : Theme::textSecondary;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(9, 9, 9, 9);
    layout->setSpacing(3);
    auto* head = new QHBoxLayout;
    head->setSpacing(5);
    head->addWidget(new SymbolLabel(header.symbol, 9,
                                    header.agentTinted ? Theme::agentTint : Theme::textTertiary,
                                    1.0, this),
                    0, Qt::AlignVCenter);
    author_ = new WrappingLabel(header.author, Theme::Font::caption(), ink, this);
    // The name takes the room the row has and wraps only when that runs out; left to its own
    // size hint, a wrapping label breaks a long line however wide the column.
    head->addWidget(author_, 1, Qt::AlignVCenter);
    age_ = themedLabel(QString(), Theme::Font::caption(), Theme::textTertiary, this);
    head->addWidget(age_, 0, Qt::AlignVCenter);
    layout->addLayout(head);

    body_ = new WrappingLabel(toQString(comment.body), Theme::Font::callout(), Theme::textPrimary,
                              this);
    body_->setSelectable(true);
    layout->addWidget(body_);

    setAccessibleName(header.author);
    setAccessibleDescription(toQString(comment.body));
    refreshAge();
}

bool CommentCard::setComment(const Comment& comment) {
    if (commentHeader(comment) != commentHeader(comment_))
        return false;
    comment_ = comment;
    ageSettled_ = false;
    body_->setText(toQString(comment.body));
    setAccessibleDescription(toQString(comment.body));
    refreshAge();
    update();
    return true;
}

QString CommentCard::authorText() const {
    return author_->text();
}

QString CommentCard::ageText() const {
    return age_->text();
}

void CommentCard::refreshAge() {
    if (ageSettled_)
        return;
    const Seconds at = now();
    ageSettled_ = RelativeTime::settled(comment_.createdAt, at);
    // A label given its own text again still asks its layout to run again.
    const QString age = RelativeTime::string(comment_.createdAt, at);
    if (age_->text() != age)
        age_->setText(age);
}

void CommentCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor fill;
    if (comment_.isAgent) {
        fill = Theme::agentTint.resolved(palette());
        fill.setAlphaF(0.07f);
    } else {
        fill = Theme::surfaceSunken.resolved(palette());
    }
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

} // namespace tavro
