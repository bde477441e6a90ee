#pragma once

#include "compose/AnnotationEditorWindowController.h"

#include <QPointer>
#include <QWidget>

namespace tavro {

// The editor window: for now it shows the screenshot and keeps its mark-up as it is; Save hands
// that mark-up back, Cancel or closing the window ends without a save.
class MarkupEditorController final : public QObject, public AnnotationEditorWindowController {
    Q_OBJECT

public:
    using QObject::QObject;
    ~MarkupEditorController() override;

    void present(const CaptureImage& image, SaveHandler onSave, EndHandler onEnd) override;
    bool hasWindow() const override { return !window_.isNull(); }

private:
    QPointer<QWidget> window_;
};

} // namespace tavro
