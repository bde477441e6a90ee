#include "compose/MarkupEditorWindow.h"

#include "model/Paths.h"
#include "shell/Utf8.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace tavro {

namespace {

class EditorWindow final : public QWidget {
public:
    EditorWindow(const QImage& image, Annotation annotation,
                 AnnotationEditorWindowController::SaveHandler onSave,
                 AnnotationEditorWindowController::EndHandler onEnd)
        : annotation_(std::move(annotation))
        , onSave_(std::move(onSave))
        , onEnd_(std::move(onEnd)) {
        setWindowTitle(QStringLiteral("Mark Up"));
        setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(this);
        auto* picture = new QLabel(this);
        picture->setPixmap(QPixmap::fromImage(
            image.scaled(900, 600, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        picture->setAlignment(Qt::AlignCenter);
        auto* buttons =
            new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { finish(true); });
        connect(buttons, &QDialogButtonBox::rejected, this, [this] { finish(false); });
        layout->addWidget(picture, 1);
        layout->addWidget(buttons);
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        // Closing the window is a cancel, reported once.
        if (!finished_) {
            finished_ = true;
            if (onEnd_)
                QMetaObject::invokeMethod(this, onEnd_, Qt::QueuedConnection);
        }
        event->accept();
    }

private:
    void finish(bool saved) {
        if (finished_)
            return;
        finished_ = true;
        auto onSave = onSave_;
        auto onEnd = onEnd_;
        const Annotation annotation = annotation_;
        close();
        if (saved && onSave)
            onSave(annotation);
        else if (!saved && onEnd)
            onEnd();
    }

    Annotation annotation_;
    AnnotationEditorWindowController::SaveHandler onSave_;
    AnnotationEditorWindowController::EndHandler onEnd_;
    bool finished_ = false;
};

} // namespace

MarkupEditorController::~MarkupEditorController() {
    delete window_.data();
}

void MarkupEditorController::present(const CaptureImage& image, SaveHandler onSave,
                                     EndHandler onEnd) {
    if (QWidget* open = window_) {
        window_.clear();
        open->hide();
        open->deleteLater();
    }
    QImage picture;
    if (auto file = TavroPaths::resolveInside(TavroPaths::capturesRoot(), image.imagePath))
        picture = QImage(toQString(file->string()));
    if (picture.isNull()) {
        QMessageBox::warning(nullptr, QStringLiteral("Tavro"),
                             QStringLiteral("That screenshot is missing"));
        if (onEnd)
            onEnd();
        return;
    }
    auto* window = new EditorWindow(picture, Annotation::decode(image.annotationJSON),
                                    std::move(onSave), std::move(onEnd));
    window_ = window;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tavro
