#pragma once

#include "model/BoardRecords.h"

#include <QWidget>

class QLabel;

namespace tavro {

class WrappingLabel;

// One comment of the thread: who wrote it and when, over its text, on a card tinted for agents.
class CommentCard final : public QWidget {
    Q_OBJECT

public:
    explicit CommentCard(const Comment& comment, QWidget* parent = nullptr);

    const Comment& comment() const { return comment_; }
    // Shows an edited version of the comment in place; false, changing nothing, when who wrote
    // it changed, which takes a new card.
    bool setComment(const Comment& comment);
    QString authorText() const;
    QString ageText() const;
    // Ages are worked out when asked, never on a timer.
    void refreshAge();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Comment comment_;
    WrappingLabel* author_ = nullptr;
    QLabel* age_ = nullptr;
    WrappingLabel* body_ = nullptr;
    // Once the age reads as a date it stays.
    bool ageSettled_ = false;
};

} // namespace tavro
