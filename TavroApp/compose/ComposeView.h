#pragma once

#include "compose/BackgroundDrag.h"
#include "compose/ComposeState.h"
#include "compose/ComposeWindowController.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

namespace tavro {

class ContextRow;
class GroupPill;
class NewGroupField;
class PendingStrip;
class PreviewArea;
class PrioritySelector;
class TextOnlyHeader;
class ThumbnailLoader;

// The content of the note box. Every outcome leaves through `callbacks`; the view only edits
// its ComposeState.
class ComposeView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int boxWidth = 460;

    ComposeView(const PendingCapture& pending, const std::vector<CaptureGroup>& groups,
                const std::optional<std::string>& defaultGroupID, ThumbnailLoader& loader,
                ComposeCallbacks callbacks, QWidget* parent = nullptr);
    ComposeView(const ComposeView&) = delete;
    ComposeView& operator=(const ComposeView&) = delete;

    const ComposeState& state() const { return state_; }
    void save();
    void discard();
    // Escape while naming a new group leaves the name field and keeps the box; false when the
    // field is not where the keyboard is.
    bool leaveGroupField();
    // Gives the note the keyboard focus a moment after the box shows.
    void focusNoteSoon(int delayMs);

    QPlainTextEdit* noteEditor() const { return noteEditor_; }
    PreviewArea* preview() const { return preview_; }
    PendingStrip* strip() const { return strip_; }
    TextOnlyHeader* textOnlyHeader() const { return textOnly_; }
    ContextRow* contextRow() const { return contextRow_; }
    GroupPill* groupPill() const { return pill_; }
    QMenu* groupMenu() const { return menu_; }
    NewGroupField* newGroupField() const { return groupField_; }
    PrioritySelector* prioritySelector() const { return priority_; }
    QLineEdit* tagsEditor() const { return tagsEditor_; }
    QAbstractButton* discardButton() const { return discardButton_; }
    QAbstractButton* saveButton() const { return saveButton_; }
    // Why the last group could not be made; empty otherwise.
    QString failure() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* buildHeader(ThumbnailLoader& loader);
    QWidget* buildEditor();
    QWidget* buildFooter();
    void rebuildGroupMenu();
    void showGroupPicker();
    void showSelection();
    void commitNewGroup();
    // Creates the group being named, if any, then runs `next`. Until the answer comes the box
    // takes no other choice; a failure keeps the box open with the reason and the name typed.
    void createNamedGroup(std::function<void()> next);
    void showFailure(const QString& reason);

    ComposeState state_;
    ComposeCallbacks callbacks_;
    BackgroundDrag drag_;

    QPlainTextEdit* noteEditor_ = nullptr;
    PreviewArea* preview_ = nullptr;
    PendingStrip* strip_ = nullptr;
    TextOnlyHeader* textOnly_ = nullptr;
    ContextRow* contextRow_ = nullptr;
    GroupPill* pill_ = nullptr;
    QMenu* menu_ = nullptr;
    NewGroupField* groupField_ = nullptr;
    PrioritySelector* priority_ = nullptr;
    QLineEdit* tagsEditor_ = nullptr;
    QAbstractButton* discardButton_ = nullptr;
    QAbstractButton* saveButton_ = nullptr;
    QLabel* failure_ = nullptr;
    bool creatingGroup_ = false;
};

} // namespace tavro
