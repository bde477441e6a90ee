#include "board/CaptureBoardAccessible.h"

#include "board/CaptureBoardView.h"
#include "ui/Badges.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include <map>

namespace tavro {

namespace {

class BoardViewAccessible;

// One capture, or one of its buttons (`part` other than body). Valid while the view shows the
// same capture at the same position.
class BoardItemAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    BoardItemAccessible(CaptureBoardView* view, std::size_t index, std::string captureID,
                        BoardPart part)
        : view_(view)
        , index_(index)
        , captureID_(std::move(captureID))
        , part_(part) {}

    bool isValid() const override {
        return view_ && index_ < view_->count() && view_->captureID(index_) == captureID_;
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override { return int(buttons().size()); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < childCount(); ++i)
            if (this->child(i) == child)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override {
        return part_ == BoardPart::body ? QAccessible::ListItem : QAccessible::Button;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QRect rect = view_->itemRect(index_);
        state.focusable = part_ == BoardPart::body;
        state.focused = state.focusable && view_->hasFocus() && view_->currentIndex() == index_;
        state.offscreen = !view_->viewport()->rect().intersects(rect);
        state.invisible = !view_->isVisible();
        return state;
    }
    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        if (part_ == BoardPart::resolve)
            return t == QAccessible::Name ? helpText(CardAction::resolve) : QString();
        if (part_ == BoardPart::remove)
            return t == QAccessible::Name ? helpText(CardAction::remove) : QString();
        const CaptureRowContent& row = view_->row(index_);
        if (t == QAccessible::Name)
            return row.title;
        if (t == QAccessible::Description)
            return StatusPill::title(row.status) + QStringLiteral(" · ") + row.appName +
                   QStringLiteral(" · ") + row.age;
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        QRect local = view_->itemRect(index_);
        if (part_ == BoardPart::resolve)
            local = view_->actionRect(index_, CardAction::resolve);
        else if (part_ == BoardPart::remove)
            local = view_->actionRect(index_, CardAction::remove);
        return QRect(view_->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {QAccessibleActionInterface::pressAction()}; }
    void doAction(const QString& name) override {
        if (name == QAccessibleActionInterface::pressAction() && isValid())
            view_->trigger(index_, part_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    std::vector<BoardPart> buttons() const {
        std::vector<BoardPart> parts;
        if (part_ != BoardPart::body || !isValid() || view_->layoutMode() != LayoutMode::grid)
            return parts;
        for (CardAction action : view_->card(index_).hoverActions)
            parts.push_back(action == CardAction::resolve ? BoardPart::resolve : BoardPart::remove);
        return parts;
    }

    QPointer<CaptureBoardView> view_;
    std::size_t index_;
    std::string captureID_;
    BoardPart part_;
};

// Items are made when first asked for and kept, by position, until the capture there changes.
class BoardViewAccessible final : public QAccessibleWidget {
public:
    explicit BoardViewAccessible(CaptureBoardView* view)
        : QAccessibleWidget(view, QAccessible::List) {}
    ~BoardViewAccessible() override {
        for (auto& [key, id] : items_)
            QAccessible::deleteAccessibleInterface(id);
    }

    CaptureBoardView* view() const { return static_cast<CaptureBoardView*>(widget()); }

    int childCount() const override { return int(view()->count()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || std::size_t(index) >= view()->count())
            return nullptr;
        return item(std::size_t(index), BoardPart::body);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [key, id] : items_)
            if (key.second == BoardPart::body && QAccessible::accessibleInterface(id) == child)
                return int(key.first);
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const auto index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index ? child(int(*index)) : nullptr;
    }

    QAccessibleInterface* item(std::size_t index, BoardPart part) const {
        const std::string& captureID = view()->captureID(index);
        const auto key = std::make_pair(index, part);
        if (auto found = items_.find(key); found != items_.end()) {
            auto* existing =
                static_cast<BoardItemAccessible*>(QAccessible::accessibleInterface(found->second));
            if (existing && existing->captureID_ == captureID)
                return existing;
            QAccessible::deleteAccessibleInterface(found->second);
            items_.erase(found);
        }
        auto* made = new BoardItemAccessible(view(), index, captureID, part);
        items_[key] = QAccessible::registerAccessibleInterface(made);
        return made;
    }

private:
    mutable std::map<std::pair<std::size_t, BoardPart>, QAccessible::Id> items_;
};

BoardViewAccessible* viewInterface(CaptureBoardView* view) {
    return static_cast<BoardViewAccessible*>(QAccessible::queryAccessibleInterface(view));
}

QAccessibleInterface* BoardItemAccessible::parent() const {
    if (!view_)
        return nullptr;
    if (part_ == BoardPart::body)
        return viewInterface(view_);
    return viewInterface(view_)->item(index_, BoardPart::body);
}

QAccessibleInterface* BoardItemAccessible::child(int index) const {
    const auto parts = buttons();
    if (index < 0 || std::size_t(index) >= parts.size())
        return nullptr;
    return viewInterface(view_)->item(index_, parts[std::size_t(index)]);
}

QAccessibleInterface* boardFactory(const QString& className, QObject* object) {
    if (className == QStringLiteral("tavro::CaptureBoardView") && object && object->isWidgetType())
        return new BoardViewAccessible(static_cast<CaptureBoardView*>(object));
    return nullptr;
}

} // namespace

void installBoardAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(boardFactory);
}

} // namespace tavro
