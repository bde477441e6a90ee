#pragma once

#include "detail/WorkflowContent.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QHBoxLayout;
class QToolButton;
class QVBoxLayout;

namespace tavro {

// The first section of the detail pane's side column: status, assignee, claim and resolution,
// priority and group. Shows what it is given and reports choices; keeps no state of its own.
class WorkflowSection final : public QWidget {
    Q_OBJECT

public:
    struct Actions {
        std::function<void(CaptureStatus)> setStatus;
        std::function<void(CapturePriority)> setPriority;
        std::function<void(const std::optional<std::string>& groupID)> setGroup;
        std::function<void(const std::optional<std::string>& personID)> assign;
    };

    WorkflowSection(Actions actions, QWidget* parent = nullptr);

    void present(const WorkflowContent& content);
    const WorkflowContent& content() const { return content_; }

    QAbstractButton* statusChip(CaptureStatus status) const;
    QAbstractButton* priorityChip(CapturePriority priority) const;
    QToolButton* groupMenu() const { return groupMenu_; }
    QToolButton* assigneeMenu() const { return assigneeMenu_; }

private:
    struct Control {
        enum class Kind { status, priority, group, assignee };
        Kind kind;
        std::size_t index = 0;
    };

    // Builds the rows anew, keeping the keyboard focus on the control that had it and the Tab
    // order the order they are drawn in.
    void rebuild();
    void build();
    std::optional<Control> focusedControl() const;
    QWidget* control(const Control& control) const;
    void restoreTabOrder();
    template <class Chip, class Value>
    QHBoxLayout* chipRow(const std::vector<WorkflowChip<Value>>& chips,
                         const std::function<void(Value)>& choose,
                         std::vector<QAbstractButton*>& buttons);

    Actions actions_;
    WorkflowContent content_;
    bool presented_ = false;
    QVBoxLayout* column_ = nullptr;
    std::vector<QAbstractButton*> statusChips_;
    std::vector<QAbstractButton*> priorityChips_;
    QToolButton* groupMenu_ = nullptr;
    QToolButton* assigneeMenu_ = nullptr;
    // The focusable controls, in the order they are drawn.
    std::vector<QWidget*> tabStops_;
};

} // namespace tavro
