#include "detail/NoteSection.h"

#include "detail/PaneTexts.h"
#include "detail/SectionParts.h"
#include "library/FailureText.h"
#include "library/Library.h"
#include "ui/Labels.h"
#include "ui/PlainField.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace tavro {

namespace {

constexpr int wellPadding = 6;
constexpr int minimumEditorHeight = 80;
// Past this the editor scrolls instead of growing.
constexpr int maximumEditorHeight = 320;

// The rounded sunken well the editor sits in.
class NoteWell final : public QWidget {
public:
    explicit NoteWell(QWidget* parent)
        : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Theme::surfaceSunken.resolved(palette()));
        painter.setPen(QPen(Theme::border.resolved(palette()), 0.5));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 9.75, 9.75);
    }
};

} // namespace

NoteSection::NoteSection(Library& library, const std::string& captureID, QWidget* parent)
    : NoteSection(library, captureID, std::make_unique<QtRestartableTimer>(NoteAutosave::delayMs),
                  parent) {}

NoteSection::NoteSection(Library& library, const std::string& captureID,
                         std::unique_ptr<RestartableTimer> timer, QWidget* parent)
    : QWidget(parent)
    , timer_(std::move(timer))
    , autosave_(library, captureID, *timer_) {
    auto* layout = sectionStack(this);
    layout->addWidget(new SectionLabel(toQString(PaneTexts::note), this));

    auto* well = new NoteWell(this);
    auto* wellLayout = new QVBoxLayout(well);
    wellLayout->setContentsMargins(wellPadding, wellPadding, wellPadding, wellPadding);
    editor_ = new QPlainTextEdit(well);
    editor_->setFrameShape(QFrame::NoFrame);
    editor_->setPlaceholderText(toQString(PaneTexts::notePlaceholder));
    editor_->setAccessibleName(toQString(PaneTexts::note));
    editor_->setTabChangesFocus(true);
    plainField(editor_, Theme::Font::body());
    editor_->viewport()->setAutoFillBackground(false);
    wellLayout->addWidget(editor_);
    layout->addWidget(well);
    failure_ = themedLabel({}, Theme::Font::caption(), Theme::priorityHigh, this);
    failure_->setWordWrap(true);
    failure_->hide();
    layout->addWidget(failure_);
    autosave_.setWriteReport([this](const std::string& failure) { showOutcome(failure); });
    // Quitting, SIGTERM included, and a session that ends keep what was typed.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &NoteSection::flush);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &NoteSection::flush);

    showPublishedNote();
    connect(editor_, &QPlainTextEdit::textChanged, this, [this] {
        if (!loading_)
            autosave_.edit(toStdString(editor_->toPlainText()));
    });
    connect(editor_->document()->documentLayout(),
            &QAbstractTextDocumentLayout::documentSizeChanged, this, &NoteSection::fitEditorToText);
    connect(&library, &Library::changed, this, [this](LibraryProperty property) {
        if (property == LibraryProperty::captures && autosave_.takeUpPublishedNote())
            showPublishedNote();
    });
    fitEditorToText();
}

NoteSection::~NoteSection() = default;

void NoteSection::flush() {
    // A failure keeps the text in the editor, and says why; the next edit or close tries again.
    reportWrite(autosave_.flush(), this,
                [this](const std::string& failure) { showOutcome(failure); });
}

void NoteSection::showOutcome(const std::string& failure) {
    failure_->setText(failure.empty() ? QString()
                                      : toQString(PaneTexts::noteNotSaved) + QStringLiteral(" ") +
                                            toQString(userFacingFailure(failure)));
    failure_->setVisible(!failure.empty());
}

void NoteSection::hideEvent(QHideEvent* event) {
    // Going away with the pane, or with the window: nothing typed may be left behind.
    flush();
    QWidget::hideEvent(event);
}

void NoteSection::showPublishedNote() {
    const QString text = toQString(autosave_.note());
    if (editor_->toPlainText() == text)
        return;
    QTextCursor cursor = editor_->textCursor();
    const int position = cursor.position();
    loading_ = true;
    editor_->setPlainText(text);
    loading_ = false;
    cursor = editor_->textCursor();
    cursor.setPosition(std::min(position, static_cast<int>(text.size())));
    editor_->setTextCursor(cursor);
}

void NoteSection::fitEditorToText() {
    // The plain text layout measures the document in lines, wrapped ones included.
    const QTextDocument* document = editor_->document();
    const double lines = std::max<double>(1, document->documentLayout()->documentSize().height());
    const int wanted = static_cast<int>(lines * editor_->fontMetrics().lineSpacing() +
                                        2 * document->documentMargin()) +
                       2;
    editor_->setFixedHeight(std::clamp(wanted, minimumEditorHeight, maximumEditorHeight));
}

} // namespace tavro
