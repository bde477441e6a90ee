#include "compose/NoteBox.h"

#include "model/Text.h"
#include "shell/Theme.h"
#include "shell/Utf8.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

namespace tavro {

namespace {

std::vector<std::string> tagsFrom(const std::string& tagText) {
    std::vector<std::string> tags;
    size_t start = 0;
    while (start <= tagText.size()) {
        size_t end = tagText.find(',', start);
        if (end == std::string::npos)
            end = tagText.size();
        std::string tag =
            text::lowercased(text::trimmed(std::string_view(tagText).substr(start, end - start)));
        if (!tag.empty())
            tags.push_back(std::move(tag));
        start = end + 1;
    }
    return tags;
}

QString heading(const PendingCapture& pending) {
    if (pending.images.empty())
        return QStringLiteral("New issue");
    QString text = QStringLiteral("New capture");
    if (pending.context.appName)
        text += QStringLiteral(" · ") + toQString(*pending.context.appName);
    return text;
}

QScreen* screenNamed(const std::optional<std::string>& name) {
    if (name)
        for (QScreen* screen : QGuiApplication::screens())
            if (toStdString(screen->name()) == *name)
                return screen;
    return QGuiApplication::primaryScreen();
}

} // namespace

NoteBoxPanel::NoteBoxPanel(const PendingCapture& pending, ComposeCallbacks callbacks)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , pending_(pending)
    , callbacks_(std::move(callbacks)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setObjectName(QStringLiteral("noteBox"));
    // Not shown (the panel has no title bar), but names the window to the desktop.
    setWindowTitle(QStringLiteral("Tavro Note"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(heading(pending), this);
    title->setFont(Theme::Font::headline());
    note_ = new QPlainTextEdit(this);
    note_->setPlaceholderText(QStringLiteral("What's wrong here?"));
    note_->setPlainText(toQString(pending.draft.note));
    note_->installEventFilter(this);
    auto* hint = new QLabel(QStringLiteral("Ctrl+↩ save · ⎋ discard"), this);
    hint->setFont(Theme::Font::caption());
    layout->addWidget(title);
    layout->addWidget(note_, 1);
    layout->addWidget(hint, 0, Qt::AlignRight);
    resize(440, 220);
}

bool NoteBoxPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == note_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool command = key->modifiers() & Qt::ControlModifier;
        if (command && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            save();
            return true;
        }
        if (!command && key->key() == Qt::Key_Escape) {
            discard();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void NoteBoxPanel::leave() {
    note_->removeEventFilter(this);
    emit closing();
    hide();
    deleteLater();
}

void NoteBoxPanel::save() {
    const std::string note = text::trimmed(toStdString(note_->toPlainText()));
    const auto callbacks = callbacks_;
    const ComposeDraft draft = pending_.draft;
    leave();
    if (callbacks.onSave)
        callbacks.onSave(note, draft.priority, draft.groupID, tagsFrom(draft.tagText));
}

void NoteBoxPanel::discard() {
    const auto callbacks = callbacks_;
    leave();
    if (callbacks.onDiscard)
        callbacks.onDiscard();
}

NoteBoxController::~NoteBoxController() {
    delete panel_.data();
}

void NoteBoxController::present(const PendingCapture& pending, const std::vector<CaptureGroup>&,
                                ComposeCallbacks callbacks) {
    dismiss();
    auto* panel = new NoteBoxPanel(pending, std::move(callbacks));
    panel_ = panel;
    connect(panel, &NoteBoxPanel::closing, this, [this, panel] {
        if (panel_ == panel)
            panel_.clear();
    });
    const QRect area = screenNamed(pending.context.displayName)->availableGeometry();
    panel->move(area.x() + (area.width() - panel->width()) / 2,
                area.y() + (area.height() - panel->height()) / 3);
    panel->show();
    panel->raise();
    panel->activateWindow();
    panel->noteField()->setFocus();
}

void NoteBoxController::dismiss() {
    if (NoteBoxPanel* panel = panel_) {
        panel_.clear();
        panel->hide();
        panel->deleteLater();
    }
}

} // namespace tavro
