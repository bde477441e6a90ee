#pragma once

#include "model/BoardEnums.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;
class QPainter;

namespace tavro {

// A capture's status as a small capsule: symbol and upper-case title (symbol alone when
// compact), tinted, or on a dark scrim when drawn over a screenshot.
class StatusPill final : public QWidget {
    Q_OBJECT

public:
    StatusPill(CaptureStatus status, bool compact, bool onImage, QWidget* parent = nullptr);

    static Icon symbol(CaptureStatus status);
    static DynamicColor color(CaptureStatus status);
    // The display name in upper case: "IN PROGRESS".
    static QString title(CaptureStatus status);
    // For views that paint many pills themselves.
    static QSize measure(CaptureStatus status, bool compact);
    static void paint(QPainter& painter, QPointF topLeft, CaptureStatus status, bool compact,
                      bool onImage, const QPalette& palette);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CaptureStatus status_;
    bool compact_;
    bool onImage_;
};

// High or low priority as a capsule with an arrow; the normal priority shows nothing and takes no
// space.
class PriorityBadge final : public QWidget {
    Q_OBJECT

public:
    PriorityBadge(CapturePriority priority, bool onImage, QWidget* parent = nullptr);

    // Empty for the normal priority, which paints nothing.
    static QSize measure(CapturePriority priority);
    static void paint(QPainter& painter, QPointF topLeft, CapturePriority priority, bool onImage,
                      const QPalette& palette);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CapturePriority priority_;
    bool onImage_;
};

// A tag name in a sunken capsule, with a remove button when `onRemove` is given.
class TagChip final : public QWidget {
    Q_OBJECT

public:
    TagChip(const QString& name, std::function<void()> onRemove = {}, QWidget* parent = nullptr);

    // A chip without a remove button, for views that paint many.
    static QSize measure(const QString& name);
    // `width` narrower than the chip's own cuts its name short with an ellipsis.
    static void paint(QPainter& painter, QPointF topLeft, const QString& name,
                      const QPalette& palette, std::optional<double> width = std::nullopt);

    // Present only when the chip can be removed.
    QAbstractButton* removeButton() const { return removeButton_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString name_;
    QAbstractButton* removeButton_ = nullptr;
};

} // namespace tavro
