#include "detail/CaptureDetailView.h"

#include "compose/Filmstrip.h"
#include "desktop/FileReveal.h"
#include "detail/ClipboardImage.h"
#include "detail/CommentSection.h"
#include "detail/ContextSection.h"
#include "detail/DetailFeed.h"
#include "detail/DetailHeaderBar.h"
#include "detail/HistorySection.h"
#include "detail/NoteSection.h"
#include "detail/PaneTexts.h"
#include "detail/PublishedCapture.h"
#include "detail/ScreenshotArea.h"
#include "detail/ScrollAnchor.h"
#include "detail/TagSection.h"
#include "detail/WorkflowSection.h"
#include "library/FailureText.h"
#include "library/Library.h"
#include "library/LibraryWatch.h"
#include "ui/Buttons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/AppActions.h"
#include "values/Utf8.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tavro {

namespace {

// A plain fill, with a hairline along the top edge when asked.
class Surface final : public QWidget {
public:
    Surface(DynamicColor fill, bool topLine, QWidget* parent)
        : QWidget(parent)
        , fill_(fill)
        , topLine_(topLine) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), fill_.resolved(palette()));
        if (topLine_)
            painter.fillRect(QRect(0, 0, width(), 1), Theme::border.resolved(palette()));
    }

private:
    DynamicColor fill_;
    bool topLine_;
};

std::vector<DisplayScale> connectedDisplays() {
    std::vector<DisplayScale> displays;
    for (const QScreen* screen : QGuiApplication::screens())
        displays.push_back({toStdString(screen->name()), screen->devicePixelRatio()});
    return displays;
}

std::optional<double> mainDisplayScale() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->devicePixelRatio();
    return std::nullopt;
}

} // namespace

CaptureDetailView::CaptureDetailView(Library& library, AppActions& actions, std::string captureID,
                                     std::function<void()> onClose, QWidget* parent)
    : QWidget(parent)
    , library_(library)
    , actions_(actions)
    , captureID_(std::move(captureID))
    , onClose_(std::move(onClose)) {
    setAccessibleName(QStringLiteral("Capture detail"));
    setAutoFillBackground(true);
    QPalette canvas = palette();
    canvas.setColor(QPalette::Window, Theme::canvas.resolved(palette()));
    setPalette(canvas);

    pages_ = new QStackedLayout(this);
    pages_->setContentsMargins(0, 0, 0, 0);
    content_ = makeContent();
    deleted_ = makeDeletedNotice();
    pages_->addWidget(content_);
    pages_->addWidget(deleted_);

    onReloadChanging(library_, this,
                     {LibraryProperty::captures, LibraryProperty::groups, LibraryProperty::people,
                      LibraryProperty::currentUserID},
                     [this] { refresh(); });
    refresh();
    imagesFeed_ = new DetailFeed(
        library_, captureID_, DetailPart::images,
        [this](const CaptureDetail& detail) { showImages(detail.images); }, this);
}

CaptureDetailView::~CaptureDetailView() {
    flushNote();
}

void CaptureDetailView::flushNote() {
    if (flushNote_)
        flushNote_();
}

QWidget* CaptureDetailView::makeContent() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    header_ = new DetailHeaderBar(page);
    connect(header_, &DetailHeaderBar::backRequested, this, &CaptureDetailView::close);
    connect(header_, &DetailHeaderBar::zoomToggled, this, [this] {
        state_.toggleActualSize();
        refresh();
        showImage();
    });
    connect(header_, &DetailHeaderBar::revealRequested, this, &CaptureDetailView::revealCover);
    connect(header_, &DetailHeaderBar::copyRequested, this, &CaptureDetailView::copyCover);
    connect(header_, &DetailHeaderBar::deleteRequested, this, &CaptureDetailView::deleteCapture);
    column->addWidget(header_);

    failure_ = themedLabel(QString(), Theme::Font::caption(), Theme::priorityHigh, page);
    failure_->setObjectName(QStringLiteral("writeFailure"));
    failure_->setWordWrap(true);
    failure_->setContentsMargins(16, 6, 16, 6);
    failure_->setAccessibleName(QStringLiteral("Write failure"));
    failure_->hide();
    column->addWidget(failure_);

    auto* split = new QSplitter(Qt::Horizontal, page);
    split->setChildrenCollapsible(false);
    split->setHandleWidth(1);
    split->addWidget(makeImageColumn());
    side_ = makeSideColumn();
    split->addWidget(side_);
    QSplitterHandle* handle = split->handle(1);
    QPalette line = handle->palette();
    line.setColor(QPalette::Window, Theme::border.resolved(palette()));
    handle->setPalette(line);
    handle->setAutoFillBackground(true);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({1, 372});
    column->addWidget(split, 1);
    return page;
}

QWidget* CaptureDetailView::makeDeletedNotice() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setSpacing(8);
    column->addStretch(1);
    auto* symbol = new QLabel(page);
    symbol->setPixmap(
        iconImage(Icon::trash, Theme::textTertiary.resolved(palette()), 24).pixmap(24, 24));
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    column->addWidget(
        themedLabel(toQString(PaneTexts::deleted), Theme::Font::body(), Theme::textTertiary, page),
        0, Qt::AlignHCenter);
    auto* back = new SecondaryButton(toQString(PaneTexts::backToBoard), page);
    back->setAccessibleName(toQString(PaneTexts::backToBoard));
    back->setObjectName(QStringLiteral("backToBoard"));
    connect(back, &QAbstractButton::clicked, this, &CaptureDetailView::close);
    column->addWidget(back, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

QWidget* CaptureDetailView::makeImageColumn() {
    auto* column = new QWidget(this);
    column->setMinimumWidth(360);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    screenshots_ = new ScreenshotArea(library_.thumbnails(), column);
    connect(screenshots_, &ScreenshotArea::markupRequested, this,
            &CaptureDetailView::requestMarkup);
    connect(screenshots_, &ScreenshotArea::addScreenshotRequested, this,
            &CaptureDetailView::requestScreenshot);
    stack->addWidget(screenshots_, 1);

    auto* bar = new Surface(Theme::surface, true, column);
    auto* strip = new QVBoxLayout(bar);
    strip->setContentsMargins(12, 8 + 1, 12, 8);
    FilmstripActions actions;
    // A click shows the screenshot large; a click on the one shown, or "Mark up…", opens it
    // in the editor, as the tiles' help says.
    actions.onSelect = [this](const CaptureImage& image) {
        const CaptureImage* shown = state_.selectedImage();
        if (shown && shown->id == image.id)
            return requestMarkup();
        state_.select(image.id);
        showImage();
    };
    actions.onMarkUp = [this](const CaptureImage& image) {
        state_.select(image.id);
        showImage();
        requestMarkup();
    };
    actions.onAdd = [this] {
        requestScreenshot();
    };
    actions.onDelete = [this](const CaptureImage& image) {
        deleteImage(image);
    };
    filmstrip_ = new Filmstrip(library_.thumbnails(), std::move(actions), 52, bar);
    filmstrip_->setBackground(Theme::surface);
    strip->addWidget(filmstrip_);
    stack->addWidget(bar);
    return column;
}

QScrollArea* CaptureDetailView::makeSideColumn() {
    auto* scroll = new QScrollArea(this);
    scroll->setAccessibleName(QStringLiteral("Capture details"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(344);
    scroll->setMaximumWidth(460);
    auto* body = new Surface(Theme::surface, false, scroll);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(24);
    stackSections(column);
    column->addStretch(1);
    scroll->setWidget(body);
    new ScrollAnchor(*scroll, *comments_->composer());
    return scroll;
}

// The side column's sections, top to bottom: the workflow; the note, the context and the tags;
// the comments; the history. Each is a widget of its own built from the facade and the
// capture's id, which follows the facade's changes itself; add one here in its place. The note
// section's flush() must be handed to flushNote_, so that leaving the pane writes the note.
void CaptureDetailView::stackSections(QVBoxLayout* column) {
    WorkflowSection::Actions actions;
    actions.setStatus = [this](CaptureStatus status) {
        if (const auto shown = capture())
            report(WorkflowEdits::setStatus(library_, *shown, status));
    };
    actions.setPriority = [this](CapturePriority priority) {
        if (const auto shown = capture())
            report(WorkflowEdits::setPriority(library_, *shown, priority));
    };
    actions.setGroup = [this](const std::optional<std::string>& groupID) {
        if (const auto shown = capture())
            report(WorkflowEdits::setGroup(library_, *shown, groupID));
    };
    actions.assign = [this](const std::optional<std::string>& personID) {
        if (const auto shown = capture())
            report(WorkflowEdits::assign(library_, *shown, personID));
    };
    QWidget* body = column->parentWidget();
    workflow_ = new WorkflowSection(std::move(actions), body);
    column->addWidget(workflow_);
    const WriteReport shown = [this](const std::string& failure) {
        showWriteOutcome(failure);
    };
    note_ = new NoteSection(library_, captureID_, body);
    flushNote_ = [note = note_] {
        note->flush();
    };
    column->addWidget(note_);
    column->addWidget(new ContextSection(library_, captureID_, body));
    auto* tags = new TagSection(library_, captureID_, body);
    tags->setWriteReport(shown);
    column->addWidget(tags);
    comments_ = new CommentSection(library_, captureID_, body);
    comments_->setWriteReport(shown);
    column->addWidget(comments_);
    history_ = new HistorySection(library_, captureID_, body);
    column->addWidget(history_);
}

std::optional<Capture> CaptureDetailView::capture() const {
    return publishedCapture(library_, captureID_);
}

void CaptureDetailView::refresh() {
    const std::optional<Capture> shown = capture();
    if (!shown) {
        // A capture not published yet (written a moment ago, or the board still loading) is not
        // a deleted one.
        library_.readDeleted(captureID_, this, [this](bool deleted) {
            if (deleted && !capture())
                pages_->setCurrentWidget(deleted_);
        });
        return;
    }
    pages_->setCurrentWidget(content_);
    header_->present(DetailHeaderContent::make(*shown, state_.isActualSize()), shown->appBundleID);
    workflow_->present(WorkflowContent::make(*shown, library_));
    // The picture depends on the capture's row; another capture's change leaves it alone.
    if (pictured_ != *shown)
        showImage();
}

void CaptureDetailView::showImages(std::vector<CaptureImage> images) {
    imagesRead_ = true;
    state_.setImages(std::move(images));
    showImage();
}

void CaptureDetailView::showImage() {
    const std::optional<Capture> shown = capture();
    // Until the screenshots are read, the area stays as it opened rather than show a cover
    // the screenshots would replace a moment later.
    if (!shown || !imagesRead_)
        return;
    pictured_ = *shown;
    filmstrip_->setImages(state_.images(), state_.selectedImage()
                                               ? std::optional(state_.selectedImage()->id)
                                               : std::nullopt);
    if (state_.showsNoScreenshot(*shown)) {
        screenshots_->showNoScreenshot();
        return;
    }
    ScreenshotArea::Shown picture;
    if (const auto file = state_.shownFile(*shown))
        picture.path = toQString(file->string());
    if (const CaptureImage* image = state_.selectedImage())
        picture.revision = image->displayPath() + '|' + std::to_string(image->bytes) + '|' +
                           image->annotationJSON.value_or("");
    picture.actualSize = state_.isActualSize();
    picture.actualFrame = actualSizeFrame(
        state_.shownPixelSize(*shown), imageScale(*shown, connectedDisplays(), mainDisplayScale()));
    picture.markupLabel = state_.markupButtonLabel();
    screenshots_->showScreenshot(picture);
}

void CaptureDetailView::close() {
    flushNote();
    if (onClose_)
        onClose_();
}

void CaptureDetailView::requestMarkup() {
    // Later, so that the click that asked is over before the editor opens.
    if (const CaptureImage* image = state_.selectedImage())
        QTimer::singleShot(0, this, [this, id = image->id] { actions_.annotate(id); });
}

void CaptureDetailView::requestScreenshot() {
    // Later, so that the click that asked is over before the capture begins.
    QTimer::singleShot(0, this, [this, id = captureID_] { actions_.addScreenshot(id); });
}

void CaptureDetailView::revealCover() {
    const std::optional<Capture> shown = capture();
    if (!shown)
        return;
    const auto file = shown->imageFilePath();
    if (!file)
        return;
    if (reveal_)
        reveal_(*file);
    else
        revealInFileManager(*file);
}

void CaptureDetailView::copyCover() {
    const std::optional<Capture> shown = capture();
    if (!shown)
        return;
    const auto file = shown->imageFilePath();
    if (!file)
        return;
    // A large screenshot takes a while to decode: the pane stays responsive meanwhile.
    ClipboardImage::readLater(toQString(file->string()), this,
                              [](std::optional<ClipboardImage> image) {
                                  if (image)
                                      QGuiApplication::clipboard()->setMimeData(image->mimeData());
                              });
}

void CaptureDetailView::deleteCapture() {
    // A capture that could not be deleted keeps its pane, with the reason.
    report(library_.deleteCapture(captureID_), [this] { close(); });
}

void CaptureDetailView::deleteImage(const CaptureImage& image) {
    state_.willDelete(image);
    report(library_.deleteImage(image));
}

template <class T>
void CaptureDetailView::report(PendingWrite<T> pending, std::function<void()> onSuccess) {
    std::move(pending).then(this,
                            [this, onSuccess = std::move(onSuccess)](const WriteResult<T>& result) {
                                showWriteOutcome(result.ok() ? std::string() : result.error());
                                if (result && onSuccess)
                                    onSuccess();
                            });
}

void CaptureDetailView::showWriteOutcome(const std::string& failure) {
    failure_->setText(failure.empty() ? QString() : toQString(userFacingFailure(failure)));
    failure_->setVisible(!failure.empty());
}

bool CaptureDetailView::showsDeletedNotice() const {
    return pages_->currentWidget() == deleted_;
}

QString CaptureDetailView::writeFailure() const {
    return failure_->text();
}

} // namespace tavro
