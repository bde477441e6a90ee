#include "detail/CommentSection.h"

#include "detail/CardColumn.h"
#include "detail/CommentCard.h"
#include "detail/DetailFeed.h"
#include "detail/PaneTexts.h"
#include "detail/RoundedTextField.h"
#include "detail/SectionParts.h"
#include "library/Library.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include <unordered_map>
#include <unordered_set>

namespace tavro {

CommentSection::CommentSection(Library& library, const std::string& captureID, QWidget* parent)
    : QWidget(parent)
    , library_(library)
    , captureID_(captureID) {
    auto* layout = sectionStack(this);
    title_ = new SectionLabel(toQString(PaneTexts::comments(0)), this);
    layout->addWidget(title_);
    cards_ = new CardColumn(8, this);
    layout->addWidget(cards_);
    cards_->hide();

    composer_ = new QWidget(this);
    auto* box = new QHBoxLayout(composer_);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(6);
    auto* field = new RoundedTextField(toQString(PaneTexts::commentPlaceholder),
                                       Theme::Font::callout(), composer_);
    field_ = field->lineEdit();
    field_->setAccessibleName(toQString(PaneTexts::commentPlaceholder));
    field->setMinimumWidth(0);
    box->addWidget(field, 1);
    post_ = new SecondaryButton(toQString(PaneTexts::post), composer_);
    // The field stands as tall as the button beside it.
    field->setFixedHeight(post_->sizeHint().height());
    post_->setAccessibleName(toQString(PaneTexts::post));
    post_->setEnabled(false);
    box->addWidget(post_, 0);
    layout->addWidget(composer_);

    connect(field_, &QLineEdit::textChanged, this, [this](const QString& text) {
        draft_.setText(toStdString(text));
        post_->setEnabled(draft_.canPost());
    });
    connect(field_, &QLineEdit::returnPressed, this, &CommentSection::post);
    connect(post_, &QAbstractButton::clicked, this, &CommentSection::post);
    connect(&library, &Library::reloaded, this, &CommentSection::refreshAges);
    feed_ = new DetailFeed(
        library, captureID, DetailPart::comments,
        [this](const CaptureDetail& detail) { present(detail.comments); }, this);
}

QString CommentSection::title() const {
    return title_->shownText();
}

std::vector<CommentCard*> CommentSection::cards() const {
    std::vector<CommentCard*> cards;
    for (int i = 0; i < cards_->count(); ++i)
        if (auto* card = qobject_cast<CommentCard*>(cards_->at(i)))
            cards.push_back(card);
    return cards;
}

void CommentSection::present(const std::vector<Comment>& comments) {
    title_->setText(toQString(PaneTexts::comments(static_cast<int>(comments.size()))));
    std::unordered_set<std::string> ids;
    for (const Comment& comment : comments)
        ids.insert(comment.id);
    std::unordered_map<std::string, CommentCard*> kept;
    for (CommentCard* card : cards()) {
        if (ids.contains(card->comment().id)) {
            kept.emplace(card->comment().id, card);
        } else {
            cards_->take(card);
            delete card;
        }
    }
    // The cards of comments already shown stay where they are, so a long thread costs only what
    // changed: a new comment places its own card, an edited one moves the cards below it.
    for (int index = 0; index < static_cast<int>(comments.size()); ++index) {
        const Comment& comment = comments[static_cast<std::size_t>(index)];
        CommentCard* card = nullptr;
        if (const auto found = kept.find(comment.id); found != kept.end()) {
            card = found->second;
            if (!(card->comment() == comment)) {
                if (card->setComment(comment)) {
                    cards_->cardChanged(card);
                } else {
                    cards_->take(card);
                    delete card;
                    card = nullptr;
                }
            }
        }
        if (!card) {
            cards_->insert(index, new CommentCard(comment, cards_));
        } else if (index >= cards_->count() || cards_->at(index) != card) {
            cards_->take(card);
            cards_->insert(index, card);
        }
    }
    // Empty, it would add a gap between the title and the field.
    cards_->setVisible(!comments.empty());
}

void CommentSection::refreshAges() {
    for (CommentCard* card : cards())
        card->refreshAge();
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
        feed_->readAgain();
    });
}

} // namespace tavro
