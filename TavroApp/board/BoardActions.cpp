#include "board/BoardActions.h"

#include "board/BoardModel.h"
#include "desktop/FileRevealer.h"
#include "library/FailureText.h"
#include "library/Library.h"
#include "ui/Icons.h"
#include "ui/MenuText.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace tavro {

BoardActions::BoardActions(Library& library, std::unique_ptr<FileRevealer> revealer, Open open,
                           QWidget* window)
    : QObject(window)
    , library_(library)
    , revealer_(std::move(revealer))
    , open_(std::move(open))
    , window_(window) {}

BoardActions::~BoardActions() = default;

void BoardActions::setRevealer(std::unique_ptr<FileRevealer> revealer) {
    revealer_ = std::move(revealer);
}

void BoardActions::alert(const char* text, const std::string& detail) const {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tavro"),
                                QString::fromUtf8(text), QMessageBox::Ok, window_);
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(toQString(userFacingFailure(detail)));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void BoardActions::open(const std::string& captureID) const {
    if (open_)
        open_(captureID);
}

void BoardActions::resolve(const std::string& captureID) const {
    alertOnFailure(library_.setStatus(CaptureStatus::resolved, captureID),
                   BoardTexts::resolveFailed);
}

void BoardActions::remove(const std::string& captureID) const {
    alertOnFailure(library_.deleteCapture(captureID), BoardTexts::deleteFailed);
}

void BoardActions::assign(const std::optional<std::string>& personID,
                          const std::string& captureID) const {
    alertOnFailure(library_.assign(personID, captureID), BoardTexts::assignFailed);
}

void BoardActions::alertOnFailure(PendingWrite<> pending, const char* title) const {
    std::move(pending).then(this, [this, title](const WriteResult<>& done) {
        if (!done)
            alert(title, done.error());
    });
}

void BoardActions::showInFolder(const std::filesystem::path& file) {
    if (!revealer_)
        return;
    QPointer<BoardActions> self(this);
    revealer_->reveal(file, [self, file](RevealOutcome outcome) {
        if (!self)
            return;
        if (outcome == RevealOutcome::missing)
            self->alert(BoardTexts::showFailed, BoardTexts::fileMissing + file.string());
        else if (outcome == RevealOutcome::failed)
            self->alert(BoardTexts::showFailed,
                        BoardTexts::nothingOpened + file.parent_path().string());
    });
}

QMenu* BoardActions::popupMenu(const std::string& captureID, QPoint globalPosition) {
    const std::optional<Capture> found = library_.capture(captureID);
    if (!found)
        return nullptr;
    auto* menu = new QMenu(window_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(QStringLiteral("Capture"));
    using Action = CaptureMenuItem::Action;
    for (const CaptureMenuItem& item :
         captureMenuItems(*found, library_.currentUserID(), library_.people())) {
        const QString title = literalMenuText(toQString(item.title));
        switch (item.action) {
        case Action::open:
            menu->addAction(title, this, [this, captureID] { open(captureID); });
            break;
        case Action::showInFolder:
            menu->addAction(title, this, [this, file = *item.file] { showInFolder(file); });
            break;
        case Action::assignTo: {
            QMenu* people = menu->addMenu(title);
            for (const AssigneeEntry& entry : item.assignees) {
                if (entry.divider)
                    people->addSeparator();
                else
                    people->addAction(
                        literalMenuText(toQString(entry.title)), this,
                        [this, captureID, person = entry.personID] { assign(person, captureID); });
            }
            break;
        }
        case Action::divider:
            menu->addSeparator();
            break;
        case Action::markResolved:
            menu->addAction(title, this, [this, captureID] { resolve(captureID); });
            break;
        case Action::remove:
            // Destructive: drawn in the warning colour's symbol.
            menu->addAction(
                iconImage(Icon::trash, Theme::priorityHigh.resolved(menu->palette()), 14), title,
                this, [this, captureID] { remove(captureID); });
            break;
        }
    }
    menu->popup(globalPosition);
    return menu;
}

} // namespace tavro
