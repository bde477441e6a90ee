#pragma once

#include "model/BoardEnums.h"
#include "model/CaptureGroup.h"
#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/CaptureContext.h"

#include <QAbstractButton>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <optional>

class QLineEdit;
class QPlainTextEdit;

namespace tavro {

// A symbol that acts; drawn tertiary while disabled.
class SymbolButton final : public QAbstractButton {
    Q_OBJECT

public:
    SymbolButton(Icon icon, int glyph, DynamicColor color, const QString& name,
                 QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(glyph_ + 4, glyph_ + 4); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Icon icon_;
    int glyph_;
    DynamicColor color_;
};

// Where the capture was taken: the application's icon and name, its window title and the
// page's address when they say something.
class ContextRow final : public QWidget {
    Q_OBJECT

public:
    explicit ContextRow(const CaptureContext& context, QWidget* parent = nullptr);

    // The texts shown, in order.
    QStringList shownTexts() const;
};

// The note editor in its rounded well; the outline turns accent while it has the focus.
class NoteField final : public QWidget {
    Q_OBJECT

public:
    explicit NoteField(bool hasScreenshot, QWidget* parent = nullptr);
    QPlainTextEdit* editor() const { return editor_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit* editor_ = nullptr;
};

// The capsule that shows the chosen group and opens the group menu.
class GroupPill final : public QToolButton {
    Q_OBJECT

public:
    // The widest the name may take; a longer one ends in an ellipsis before the chevron.
    static constexpr double nameWidthLimit = 150;

    explicit GroupPill(QWidget* parent = nullptr);
    void setGroup(const std::optional<CaptureGroup>& group);
    QString shownName() const;
    // The name as painted at the pill's width.
    QString visibleName() const;
    // Where the chevron is painted.
    QRectF chevronRect() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double nameWidth() const;

    std::optional<CaptureGroup> group_;
};

// The inline field that names a new group in the pill's place.
class NewGroupField final : public QWidget {
    Q_OBJECT

public:
    explicit NewGroupField(QWidget* parent = nullptr);
    QLineEdit* lineEdit() const { return edit_; }
    QAbstractButton* confirmButton() const { return confirm_; }
    QAbstractButton* cancelButton() const { return cancel_; }

signals:
    void commitRequested();
    void cancelRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshConfirm();

    QLineEdit* edit_ = nullptr;
    QAbstractButton* confirm_ = nullptr;
    QAbstractButton* cancel_ = nullptr;
};

// Low, Normal and High as one segmented control.
class PrioritySelector final : public QWidget {
    Q_OBJECT

public:
    explicit PrioritySelector(QWidget* parent = nullptr);
    void setPriority(CapturePriority priority);
    QAbstractButton* button(CapturePriority priority) const {
        return buttons_[static_cast<size_t>(priority)];
    }
    // "Low", "Normal", "High".
    static QString title(CapturePriority priority);

signals:
    void chosen(CapturePriority priority);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<QAbstractButton*, 3> buttons_{};
};

// The single-line tag text behind a "#".
class TagsField final : public QWidget {
    Q_OBJECT

public:
    explicit TagsField(QWidget* parent = nullptr);
    QLineEdit* lineEdit() const { return edit_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* edit_ = nullptr;
};

} // namespace tavro
