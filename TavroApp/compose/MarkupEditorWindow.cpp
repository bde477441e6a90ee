#include "compose/MarkupEditorWindow.h"

#include "compose/MarkupEditorView.h"
#include "compose/MarkupTexts.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <memory>

namespace tavro {

MarkupEditorWindow::MarkupEditorWindow(MarkupEditorView* view)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                               Qt::WindowMaximizeButtonHint)
    , view_(view) {
    setWindowTitle(toQString(MarkupTexts::windowTitle));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCentralWidget(view);
    setMinimumSize(minimumContentSize);
    resize(contentSize);
}

void MarkupEditorWindow::closeQuietly() {
    closingQuietly_ = true;
    hide();
    close();
    deleteLater();
}

void MarkupEditorWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closingQuietly_)
        return;
    closingQuietly_ = true;
    deleteLater();
    emit closedByUser();
}

MarkupEditorController::MarkupEditorController(Preferences& preferences, QObject* parent)
    : QObject(parent)
    , preferences_(preferences)
    , alert_([](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Warning, title, QString(), QMessageBox::Ok);
        box.setText(title);
        box.setInformativeText(text);
        box.exec();
    }) {}

MarkupEditorController::~MarkupEditorController() {
    decoder_.waitForDone();
    delete window_.data();
}

void MarkupEditorController::dismiss() {
    ++presentation_;
    opening_ = false;
    if (MarkupEditorWindow* open = window_) {
        window_.clear();
        open->closeQuietly();
    }
}

MarkupStyle MarkupEditorController::storedStyle() const {
    return {preferences_.text(PreferenceKey::markupTool),
            preferences_.text(PreferenceKey::markupColor),
            preferences_.integer(PreferenceKey::markupWidth)};
}

void MarkupEditorController::storeStyle(const MarkupStyle& style) {
    const MarkupStyle stored = storedStyle();
    if (style.toolRaw != stored.toolRaw)
        preferences_.setText(PreferenceKey::markupTool, style.toolRaw);
    if (style.colorHex != stored.colorHex)
        preferences_.setText(PreferenceKey::markupColor, style.colorHex);
    if (style.widthIndex != stored.widthIndex)
        preferences_.setInteger(PreferenceKey::markupWidth, style.widthIndex);
}

void MarkupEditorController::present(const CaptureImage& image, SaveHandler onSave,
                                     EndHandler onEnd) {
    dismiss();
    const quint64 presentation = presentation_;
    opening_ = true;
    decoder_.start([this, presentation, image, onSave = std::move(onSave),
                    onEnd = std::move(onEnd)] {
        // Always the unmarked original: the marks come back as shapes to edit.
        const auto file = TavroPaths::resolveInside(TavroPaths::capturesRoot(), image.imagePath);
        auto original =
            std::make_shared<std::optional<Image>>(file ? Image::load(*file) : std::nullopt);
        QMetaObject::invokeMethod(
            this,
            [this, presentation, image, original, onSave, onEnd] {
                if (presentation != presentation_)
                    return;
                opening_ = false;
                open(image, std::move(*original), onSave, onEnd);
            },
            Qt::QueuedConnection);
    });
}

void MarkupEditorController::open(const CaptureImage& image, std::optional<Image> original,
                                  SaveHandler onSave, EndHandler onEnd) {
    if (!original) {
        const std::string shown = (TavroPaths::capturesRoot() / image.imagePath).string();
        alert_(toQString(MarkupTexts::missingTitle), toQString(MarkupTexts::missingMessage(shown)));
        // The caller is waiting for an answer, such as the note box that should come back.
        if (onEnd)
            onEnd();
        return;
    }

    auto state = std::make_unique<MarkupEditorState>(*original, image.annotation(), storedStyle());
    original.reset();
    QPointer<MarkupEditorController> self(this);
    // The window the callbacks belong to, known once it is made.
    auto opened = std::make_shared<QPointer<MarkupEditorWindow>>();
    MarkupEditorView::Callbacks callbacks;
    callbacks.onSave = [self, onSave, opened](const Annotation& annotation) {
        MarkupEditorWindow* window = *opened;
        if (!self || !window || self->window_ != window)
            return;
        if (!onSave) {
            self->dismiss();
            return;
        }
        window->view()->showSaving();
        onSave(annotation, [self, opened](const WriteResult<>& result) {
            MarkupEditorWindow* window = *opened;
            // Closed meanwhile: the marks were stored or not, and there is nothing left to show.
            if (!self || !window || self->window_ != window)
                return;
            if (result)
                self->dismiss();
            else
                window->view()->showSaveFailure(MarkupSaveFailure::from(result.error()));
        });
    };
    callbacks.onCancel = [self, onEnd] {
        if (!self)
            return;
        self->dismiss();
        if (onEnd)
            onEnd();
    };
    callbacks.onStyleChanged = [self](const MarkupStyle& style) {
        if (self)
            self->storeStyle(style);
    };
    auto* window = new MarkupEditorWindow(new MarkupEditorView(std::move(state), callbacks));
    *opened = window;
    connect(window, &MarkupEditorWindow::closedByUser, this, [self, window, onEnd] {
        if (!self || self->window_ != window)
            return;
        self->window_.clear();
        // Once the window has gone.
        QTimer::singleShot(0, self, [onEnd] {
            if (onEnd)
                onEnd();
        });
    });
    window_ = window;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tavro
