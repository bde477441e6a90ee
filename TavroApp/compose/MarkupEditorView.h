#pragma once

#include "compose/MarkupEditorState.h"
#include "compose/MarkupSaveFailure.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QAbstractButton;

namespace tavro {

class MarkupCanvas;
class MarkupToolButton;
class MarkupSwatchButton;
class MarkupWidthButton;

// The editor's face: the toolbar of tools, colours, widths, undo, redo and clear; the canvas;
// and the footer with the tool's hint, Cancel and Save marks. It reports what the user wants
// through its callbacks and closes nothing itself.
class MarkupEditorView final : public QWidget {
    Q_OBJECT

public:
    struct Callbacks {
        std::function<void(const Annotation&)> onSave;
        std::function<void()> onCancel;
        // A tool, colour or width was chosen.
        std::function<void(const MarkupStyle&)> onStyleChanged;
    };

    MarkupEditorView(std::unique_ptr<MarkupEditorState> state, Callbacks callbacks,
                     QWidget* parent = nullptr);
    ~MarkupEditorView() override;

    MarkupEditorState& state() const { return *state_; }
    MarkupCanvas* canvas() const { return canvas_; }
    QString hint() const;

    void save();
    // While the marks are being stored, Save does nothing; a failure is shown in the alert row
    // above the footer, what failed over why, and Save may be pressed again.
    void showSaving();
    void showSaveFailure(const MarkupSaveFailure& failure);
    // Empty unless the last save failed: the summary, then the detail on a line of its own.
    QString saveFailure() const;
    void cancel();
    void undo();
    void redo();
    void clear();
    void chooseTool(AnnotationTool tool);
    void chooseColor(const std::string& colorHex);
    void chooseWidth(int index);

private:
    QWidget* makeToolbar();
    QWidget* makeFooter();
    // Brings every control in line with the state.
    void refresh();
    void shapesChanged();
    void styleChanged();

    std::unique_ptr<MarkupEditorState> state_;
    Callbacks callbacks_;
    MarkupCanvas* canvas_ = nullptr;
    std::vector<MarkupToolButton*> tools_;
    std::vector<MarkupSwatchButton*> swatches_;
    std::vector<MarkupWidthButton*> widths_;
    QWidget* colorGroup_ = nullptr;
    QWidget* widthGroup_ = nullptr;
    QAbstractButton* undo_ = nullptr;
    QAbstractButton* redo_ = nullptr;
    QAbstractButton* clear_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* failure_ = nullptr;
    QLabel* failureDetail_ = nullptr;
    QAbstractButton* save_ = nullptr;
    bool saving_ = false;
};

} // namespace tavro
