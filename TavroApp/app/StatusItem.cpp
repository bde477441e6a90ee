#include "app/StatusItem.h"

#include "ui/Icons.h"
#include "ui/MenuText.h"
#include "values/AppActions.h"
#include "values/Utf8.h"

#include <QApplication>
#include <QPalette>

namespace tavro {

StatusItem::StatusItem(AppActions& actions, QObject* parent)
    : QObject(parent) {
    auto add = [this](Tag tag, const char* title, auto command) {
        QAction* action = menu_.addAction(QString::fromUtf8(title), this, command);
        action->setData(static_cast<int>(tag));
        tagged_[tag] = action;
    };
    add(captureRegion, "Capture Region", [&actions] { actions.captureRegion(); });
    add(captureFullScreen, "Capture Full Screen", [&actions] { actions.captureFullScreen(); });
    add(newIssue, "New Issue Without Screenshot", [&actions] { actions.newIssue(); });
    menu_.addSeparator();
    add(openDashboard, "Open Dashboard", [&actions] { actions.openDashboard(); });
    add(syncLine, "Synced", [&actions] { actions.syncNow(); });
    add(signIn, "Sign in to sync…", [&actions] { actions.openAccountSettings(); });
    QAction* settings =
        menu_.addAction(QStringLiteral("Settings…"), this, [&actions] { actions.openSettings(); });
    settings->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    menu_.addSeparator();
    QAction* quit = menu_.addAction(QStringLiteral("Quit Tavro"), qApp, &QApplication::quit);
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));

    // Trays paint their own background; the symbol takes the desktop's text colour.
    tray_.setIcon(
        iconImage(Icon::viewfinder, QApplication::palette().color(QPalette::WindowText), 22));
    tray_.setToolTip(QStringLiteral("Tavro"));
    tray_.setContextMenu(&menu_);
    connect(&tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    menu_.popup(QCursor::pos());
            });
    tray_.show();
}

QAction* StatusItem::item(Tag tag) const {
    auto it = tagged_.find(tag);
    return it == tagged_.end() ? nullptr : it->second;
}

void StatusItem::update(const StatusMenuState& state) {
    auto retitle = [this](Tag tag, const std::string& title) {
        if (QAction* action = item(tag))
            action->setText(literalMenuText(toQString(title)));
    };
    retitle(captureRegion, state.captureRegion);
    retitle(captureFullScreen, state.captureFullScreen);
    retitle(newIssue, state.newIssue);
    retitle(openDashboard, state.openDashboard);
    tray_.setToolTip(toQString(state.toolTip));
    QAction* sync = item(syncLine);
    QAction* invitation = item(signIn);
    if (sync && invitation) {
        sync->setText(literalMenuText(toQString(state.syncLine)));
        sync->setVisible(state.syncLineVisible);
        invitation->setText(literalMenuText(toQString(state.signIn)));
        invitation->setVisible(state.signInVisible);
    }
}

} // namespace tavro
