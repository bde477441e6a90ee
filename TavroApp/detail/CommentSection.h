#pragma once

#include "detail/CommentDraft.h"
#include "detail/WriteReport.h"
#include "model/BoardRecords.h"

#include <QWidget>

#include <string>
#include <vector>

class QAbstractButton;
class QLineEdit;

namespace tavro {

class CardColumn;
class CommentCard;
class DetailFeed;
class Library;
class SectionLabel;

// The capture's comments, oldest first, read off the GUI thread when the pane opens and again
// when the capture changed, one card per comment kept across reads, and the field that posts a
// new one with Return or "Post".
class CommentSection final : public QWidget {
    Q_OBJECT

public:
    CommentSection(Library& library, const std::string& captureID, QWidget* parent = nullptr);

    QString title() const;
    QLineEdit* field() const { return field_; }
    // The field with its "Post" button: where the user types, which new comments must not move.
    QWidget* composer() const { return composer_; }
    QAbstractButton* postButton() const { return post_; }
    std::vector<CommentCard*> cards() const;
    DetailFeed& feed() const { return *feed_; }
    void setWriteReport(WriteReport report) { report_ = std::move(report); }

private:
    void present(const std::vector<Comment>& comments);
    void refreshAges();
    void post();

    Library& library_;
    std::string captureID_;
    CommentDraft draft_;
    DetailFeed* feed_ = nullptr;
    SectionLabel* title_ = nullptr;
    CardColumn* cards_ = nullptr;
    QWidget* composer_ = nullptr;
    QLineEdit* field_ = nullptr;
    QAbstractButton* post_ = nullptr;
    WriteReport report_;
    bool posting_ = false;
};

} // namespace tavro
