#include "compose/ComposeView.h"

#include "compose/ComposeControls.h"
#include "compose/ComposeHeader.h"
#include "compose/ComposeTexts.h"
#include "library/FailureText.h"
#include "ui/Buttons.h"
#include "ui/Divider.h"
#include "ui/Labels.h"
#include "ui/MenuText.h"
#include "ui/ShownText.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace tavro {

namespace {

// Focus moves wait for the layout that a state change brings.
constexpr int groupFieldFocusDelayMs = 50;

class Footer final : public QWidget {
public:
    explicit Footer(QWidget* parent)
        : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Theme::surfaceRaised.resolved(palette()));
    }
};

void focusLater(QWidget* widget, int delayMs) {
    QTimer::singleShot(delayMs, widget, [target = QPointer<QWidget>(widget)] {
        if (target)
            target->setFocus(Qt::OtherFocusReason);
    });
}

} // namespace

ComposeView::ComposeView(const PendingCapture& pending, const std::vector<CaptureGroup>& groups,
                         const std::optional<std::string>& defaultGroupID, ThumbnailLoader& loader,
                         ComposeCallbacks callbacks, QWidget* parent)
    : QWidget(parent)
    , state_(pending, groups)
    , callbacks_(std::move(callbacks))
    , drag_(QApplication::startDragDistance()) {
    state_.restoreDraft(defaultGroupID);
    setFixedWidth(boxWidth);
    setAccessibleName(ComposeTexts::windowTitle());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader(loader));
    column->addWidget(new Divider(this));
    column->addWidget(buildEditor());
    failure_ = themedLabel(QString(), Theme::Font::caption(), Theme::priorityHigh, this);
    failure_->setObjectName(QStringLiteral("composeFailure"));
    failure_->setAccessibleName(QStringLiteral("Failure"));
    failure_->setWordWrap(true);
    failure_->setContentsMargins(16, 0, 16, 12);
    failure_->hide();
    column->addWidget(failure_);
    column->addWidget(new Divider(this));
    column->addWidget(buildFooter());

    for (const char* keys : {"Ctrl+Return", "Ctrl+Enter"}) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &ComposeView::save);
    }
    // The box has no menu bar: the Quit command's key works here too, and quitting keeps the
    // capture as typed.
    auto* quit = new QShortcut(QKeySequence::Quit, this);
    quit->setContext(Qt::WindowShortcut);
    connect(quit, &QShortcut::activated, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

QWidget* ComposeView::buildHeader(ThumbnailLoader& loader) {
    auto* header = new QWidget(this);
    auto* column = new QVBoxLayout(header);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    if (!state_.selected()) {
        textOnly_ = new TextOnlyHeader(
            [this] {
                if (callbacks_.onAddScreenshot)
                    callbacks_.onAddScreenshot(state_.currentDraft());
            },
            header);
        column->addWidget(textOnly_);
        return header;
    }
    preview_ = new PreviewArea(loader, header);
    connect(preview_, &QAbstractButton::clicked, this, [this] {
        const PendingImage* image = state_.selected();
        if (image && callbacks_.onAnnotate)
            callbacks_.onAnnotate(*image, state_.currentDraft());
    });
    column->addWidget(preview_);
    strip_ = new PendingStrip(loader, state_.pending().images, header);
    connect(strip_, &PendingStrip::tileClicked, this, [this](const QString& id) {
        state_.select(toStdString(id));
        showSelection();
    });
    connect(strip_, &PendingStrip::addClicked, this, [this] {
        if (callbacks_.onAddScreenshot)
            callbacks_.onAddScreenshot(state_.currentDraft());
    });
    column->addWidget(strip_);
    showSelection();
    return header;
}

QWidget* ComposeView::buildEditor() {
    auto* editor = new QWidget(this);
    auto* column = new QVBoxLayout(editor);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);

    contextRow_ = new ContextRow(state_.pending().context, editor);
    column->addWidget(contextRow_);

    auto* note = new NoteField(state_.selected() != nullptr, editor);
    noteEditor_ = note->editor();
    noteEditor_->setPlainText(toQString(state_.note));
    connect(noteEditor_, &QPlainTextEdit::textChanged, this,
            [this] { state_.note = toStdString(noteEditor_->toPlainText()); });
    column->addWidget(note);

    auto* choices = new QHBoxLayout;
    choices->setSpacing(8);
    pill_ = new GroupPill(editor);
    menu_ = new QMenu(pill_);
    menu_->setAccessibleName(QStringLiteral("Groups"));
    pill_->setMenu(menu_);
    connect(menu_, &QMenu::aboutToShow, this, &ComposeView::rebuildGroupMenu);
    groupField_ = new NewGroupField(editor);
    connect(groupField_->lineEdit(), &QLineEdit::textChanged, this,
            [this](const QString& text) { state_.newGroupName = toStdString(text); });
    connect(groupField_, &NewGroupField::commitRequested, this, &ComposeView::commitNewGroup);
    connect(groupField_, &NewGroupField::cancelRequested, this, [this] {
        state_.cancelNamingGroup();
        showGroupPicker();
    });
    priority_ = new PrioritySelector(editor);
    priority_->setPriority(state_.priority);
    connect(priority_, &PrioritySelector::chosen, this,
            [this](CapturePriority priority) { state_.priority = priority; });
    choices->addWidget(pill_, 0, Qt::AlignVCenter);
    choices->addWidget(groupField_, 0, Qt::AlignVCenter);
    choices->addWidget(priority_, 0, Qt::AlignVCenter);
    choices->addStretch(1);
    column->addLayout(choices);
    rebuildGroupMenu();
    showGroupPicker();

    auto* tags = new TagsField(editor);
    tagsEditor_ = tags->lineEdit();
    tagsEditor_->setText(toQString(state_.tagText));
    connect(tagsEditor_, &QLineEdit::textChanged, this,
            [this](const QString& text) { state_.tagText = toStdString(text); });
    column->addWidget(tags);
    return editor;
}

QWidget* ComposeView::buildFooter() {
    auto* footer = new Footer(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(8);
    // Escape reaches the box through the panel's one key filter, never through this button.
    discardButton_ = new SecondaryButton(ComposeTexts::discard(), footer);
    discardButton_->setAccessibleName(ComposeTexts::discard());
    connect(discardButton_, &QAbstractButton::clicked, this, &ComposeView::discard);
    row->addWidget(discardButton_);
    row->addStretch(1);
    row->addWidget(new KeyHint(ComposeTexts::saveKeys(), footer), 0, Qt::AlignVCenter);
    saveButton_ = new PrimaryButton(ComposeTexts::saveToBoard(), Theme::accent, footer);
    saveButton_->setAccessibleName(ComposeTexts::saveToBoard());
    connect(saveButton_, &QAbstractButton::clicked, this, &ComposeView::save);
    row->addWidget(saveButton_);
    return footer;
}

void ComposeView::rebuildGroupMenu() {
    menu_->clear();
    menu_->addAction(ComposeTexts::noGroup(), this, [this] {
        state_.chooseGroup(std::nullopt);
        showGroupPicker();
    });
    const auto groups = state_.allGroups();
    if (!groups.empty())
        menu_->addSeparator();
    for (const CaptureGroup& group : groups) {
        const std::string id = group.id;
        menu_->addAction(literalMenuText(shownName(toQString(group.name))), this, [this, id] {
            state_.chooseGroup(id);
            showGroupPicker();
        });
    }
    menu_->addSeparator();
    menu_->addAction(ComposeTexts::newGroup(), this, [this] {
        state_.beginNamingGroup();
        showGroupPicker();
        focusLater(groupField_->lineEdit(), groupFieldFocusDelayMs);
    });
}

void ComposeView::showGroupPicker() {
    pill_->setGroup(state_.selectedGroup());
    pill_->setVisible(!state_.isNamingGroup);
    groupField_->setVisible(state_.isNamingGroup);
    const QString name = toQString(state_.newGroupName);
    if (groupField_->lineEdit()->text() != name)
        groupField_->lineEdit()->setText(name);
}

void ComposeView::showSelection() {
    const PendingImage* image = state_.selected();
    if (!image || !preview_)
        return;
    preview_->setImage(*image);
    strip_->setSelected(image->id);
}

void ComposeView::commitNewGroup() {
    // Keys typed while the group is being stored belong to the note, not to a field on its way
    // out; a failure shows the field again with the name and the reason.
    if (state_.groupToCreate())
        noteEditor_->setFocus();
    createNamedGroup([this] {
        if (!state_.isNamingGroup)
            focusNoteSoon(groupFieldFocusDelayMs);
    });
}

void ComposeView::createNamedGroup(std::function<void()> next) {
    if (creatingGroup_)
        return;
    const std::optional<std::string> name = state_.groupToCreate();
    if (!name) {
        next();
        return;
    }
    if (!callbacks_.onCreateGroup) {
        state_.groupCreated(WriteResult<CaptureGroup>::failure({}));
        showGroupPicker();
        return;
    }
    creatingGroup_ = true;
    saveButton_->setEnabled(false);
    QPointer<ComposeView> self(this);
    callbacks_.onCreateGroup(*name, [self, name = *name, next = std::move(next)](
                                        const WriteResult<CaptureGroup>& created) {
        if (!self)
            return;
        self->creatingGroup_ = false;
        self->saveButton_->setEnabled(true);
        self->state_.groupCreated(created);
        if (!created) {
            // Nothing is saved without the group the user asked for; the name stays to try again.
            self->state_.beginNamingGroup();
            self->state_.newGroupName = name;
            self->showGroupPicker();
            self->showFailure(toQString(userFacingFailure(created.error())));
            return;
        }
        self->showFailure(QString());
        self->showGroupPicker();
        next();
    });
}

void ComposeView::showFailure(const QString& reason) {
    failure_->setText(reason);
    failure_->setVisible(!reason.isEmpty());
}

QString ComposeView::failure() const {
    return failure_->text();
}

void ComposeView::focusNoteSoon(int delayMs) {
    focusLater(noteEditor_, delayMs);
}

void ComposeView::save() {
    createNamedGroup([this] {
        const auto arguments = state_.saveArguments();
        if (callbacks_.onSave)
            callbacks_.onSave(arguments.note, arguments.priority, arguments.groupID,
                              arguments.tags);
    });
}

bool ComposeView::leaveGroupField() {
    QWidget* focused = QApplication::focusWidget();
    if (!state_.isNamingGroup || !focused || !groupField_->isAncestorOf(focused))
        return false;
    state_.cancelNamingGroup();
    showGroupPicker();
    noteEditor_->setFocus(Qt::OtherFocusReason);
    return true;
}

void ComposeView::discard() {
    if (callbacks_.onDiscard)
        callbacks_.onDiscard();
}

void ComposeView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Theme::surface.resolved(palette()));
}

void ComposeView::mousePressEvent(QMouseEvent* event) {
    // The box has no title bar: dragging its background moves it.
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    drag_.press(event->globalPosition().toPoint());
    event->accept();
}

void ComposeView::mouseMoveEvent(QMouseEvent* event) {
    if (drag_.move(event->globalPosition().toPoint(), event->buttons() & Qt::LeftButton) &&
        window()->windowHandle())
        window()->windowHandle()->startSystemMove();
    QWidget::mouseMoveEvent(event);
}

void ComposeView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        drag_.release();
    QWidget::mouseReleaseEvent(event);
}

} // namespace tavro
