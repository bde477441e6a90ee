#pragma once

#include "board/NewGroupDraft.h"

#include <QDialog>

#include <vector>

class QAbstractButton;
class QLabel;
class QLineEdit;

namespace tavro {

class FolderChooser;
class Library;

// The window-modal sheet that creates a group: a name, one of the palette's colours and an
// optional bound folder. Return creates while the name is not blank, Escape cancels. A failed
// write keeps the sheet open with what was typed and says why.
class NewGroupSheet final : public QDialog {
    Q_OBJECT

public:
    NewGroupSheet(Library& library, FolderChooser& folders, QWidget* parent = nullptr);
    NewGroupSheet(const NewGroupSheet&) = delete;
    NewGroupSheet& operator=(const NewGroupSheet&) = delete;

    const NewGroupDraft& draft() const { return draft_; }
    QLineEdit* nameField() const { return name_; }
    QLineEdit* folderField() const { return folder_; }
    QAbstractButton* chooseButton() const { return choose_; }
    QAbstractButton* cancelButton() const { return cancel_; }
    QAbstractButton* createButton() const { return create_; }
    const std::vector<QAbstractButton*>& swatches() const { return swatches_; }
    // The reason the last create failed; hidden until one does.
    QLabel* errorLabel() const { return error_; }

    void create();
    void chooseFolder();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showDraft();
    void fitHeight();

    Library& library_;
    FolderChooser& folders_;
    NewGroupDraft draft_;
    QLineEdit* name_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QAbstractButton* choose_ = nullptr;
    QAbstractButton* cancel_ = nullptr;
    QAbstractButton* create_ = nullptr;
    std::vector<QAbstractButton*> swatches_;
    QLabel* error_ = nullptr;
};

} // namespace tavro
