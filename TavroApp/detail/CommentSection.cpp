#include "detail/CommentSection.h"

#include "detail/CommentCard.h"
#include "detail/PaneTexts.h"
#include "detail/RoundedTextField.h"
#include "detail/SectionParts.h"
#include "shell/Buttons.h"
#include "shell/Labels.h"
#include "shell/Library.h"
#include "shell/Utf8.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tavro {

CommentSection::CommentSection(Library& library, const std::string& captureID, QWidget* parent)
    : QWidget(parent)
    , library_(library)
    , captureID_(captureID) {
    auto* layout = sectionStack(this);
    title_ = new SectionLabel(toQString(PaneTexts::comments(0)), this);
    layout->addWidget(title_);
    cardsLayout_ = new QVBoxLayout;
    cardsLayout_->setSpacing(8);
    layout->addLayout(cardsLayout_);

    auto* box = new QHBoxLayout;
    box->setSpacing(6);
    auto* field = new RoundedTextField(toQString(PaneTexts::commentPlaceholder),
                                       Theme::Font::callout(), this);
    field_ = field->lineEdit();
    field_->setAccessibleName(toQString(PaneTexts::commentPlaceholder));
    field->setMinimumWidth(0);
    box->addWidget(field, 1);
    post_ = new SecondaryButton(toQString(PaneTexts::post), this);
    // The field stands as tall as the button beside it.
    field->setFixedHeight(post_->sizeHint().height());
    post_->setAccessibleName(toQString(PaneTexts::post));
    post_->setEnabled(false);
    box->addWidget(post_, 0);
    layout->addLayout(box);

    connect(field_, &QLineEdit::textChanged, this, [this](const QString& text) {
        draft_.setText(toStdString(text));
        post_->setEnabled(draft_.canPost());
    });
    connect(field_, &QLineEdit::returnPressed, this, &CommentSection::post);
    connect(post_, &QAbstractButton::clicked, this, &CommentSection::post);
    connect(&library, &Library::reloaded, this, &CommentSection::refresh);
    refresh();
}

QString CommentSection::title() const {
    return title_->shownText();
}

std::vector<CommentCard*> CommentSection::cards() const {
    std::vector<CommentCard*> cards;
    for (int i = 0; i < cardsLayout_->count(); ++i)
        if (auto* card = qobject_cast<CommentCard*>(cardsLayout_->itemAt(i)->widget()))
            cards.push_back(card);
    return cards;
}

void CommentSection::refresh() {
    std::vector<Comment> comments = library_.comments(captureID_);
    if (comments == comments_ && cardsLayout_->count() == static_cast<int>(comments.size())) {
        for (CommentCard* card : cards())
            card->refreshAge();
        return;
    }
    comments_ = std::move(comments);
    title_->setText(toQString(PaneTexts::comments(static_cast<int>(comments_.size()))));
    while (QLayoutItem* item = cardsLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const Comment& comment : comments_)
        cardsLayout_->addWidget(new CommentCard(comment, this));
}

void CommentSection::post() {
    // One post at a time: Return pressed again while the first is being stored adds nothing.
    if (posting_)
        return;
    posting_ = true;
    draft_.post(library_, captureID_).then(this, [this](const WriteResult<bool>& posted) {
        posting_ = false;
        // A failed post keeps the text in the field for another try, and says why.
        if (report_)
            report_(posted ? std::string() : posted.error());
        if (!posted || !*posted)
            return;
        if (draft_.text().empty())
            field_->clear();
        refresh();
    });
}

} // namespace tavro
