#pragma once

#include "compose/MarkupDraftPainter.h"
#include "compose/MarkupEditorState.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace tavro {

// Shows the preview fitted into the canvas with the shape being dragged on top, and turns
// presses, moves and releases into the editor state's drag.
class MarkupCanvas final : public QWidget {
    Q_OBJECT

public:
    static constexpr int padding = 16;

    explicit MarkupCanvas(MarkupEditorState& state, QWidget* parent = nullptr);

    MarkupEditorState& state() const { return state_; }
    // Where the image is shown, in the canvas's coordinates.
    CanvasRect frame() const;
    // Shows the state's current preview.
    void previewChanged();

signals:
    // A drag ended with a new committed shape.
    void shapeCommitted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The preview at the size it is shown, made again only when it or the frame changes.
    const QPixmap& shownPreview();

    MarkupEditorState& state_;
    CanvasPoint start_;
    QPixmap shown_;
    MarkupDraftPainter::Layer draftLayer_;
    bool shownValid_ = false;
};

} // namespace tavro
