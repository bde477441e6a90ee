#pragma once

#include "model/Annotation.h"
#include "ui/Icons.h"

#include <QAbstractButton>
#include <QString>

namespace tavro {

// The editor's toolbar buttons. Each is checkable; the toolbar checks the one that matches the
// stored choice, so a stored value that matches none leaves all unchecked.

// A tool's symbol, white on the accent when it is the current tool.
class MarkupToolButton final : public QAbstractButton {
    Q_OBJECT

public:
    MarkupToolButton(AnnotationTool tool, QWidget* parent = nullptr);
    AnnotationTool tool() const { return tool_; }
    QSize sizeHint() const override { return QSize(30, 26); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AnnotationTool tool_;
};

// A palette colour as a dot, ringed when it is the current colour.
class MarkupSwatchButton final : public QAbstractButton {
    Q_OBJECT

public:
    MarkupSwatchButton(const QString& colorHex, QWidget* parent = nullptr);
    const QString& colorHex() const { return colorHex_; }
    QSize sizeHint() const override { return QSize(26, 26); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString colorHex_;
};

// A stroke width's label, raised when it is the current width.
class MarkupWidthButton final : public QAbstractButton {
    Q_OBJECT

public:
    MarkupWidthButton(const QString& label, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(24, 22); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

Icon markupToolIcon(AnnotationTool tool);

} // namespace tavro
