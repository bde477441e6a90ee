#pragma once

#include "app/StatusMenuModel.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <map>

namespace tavro {

class AppActions;

// The status-bar item: a tray icon of our own viewfinder with the status menu. Its items are
// retitled, shown and hidden in place; each keeps its command.
class StatusItem final : public QObject {
    Q_OBJECT

public:
    // The tags by which the live items are found again.
    enum Tag { captureRegion = 1, captureFullScreen, newIssue, openDashboard, syncLine, signIn };

    explicit StatusItem(AppActions& actions, QObject* parent = nullptr);
    StatusItem(const StatusItem&) = delete;
    StatusItem& operator=(const StatusItem&) = delete;

    void update(const StatusMenuState& state);

    QMenu& menu() { return menu_; }
    QSystemTrayIcon& trayIcon() { return tray_; }
    QAction* item(Tag tag) const;

private:
    QMenu menu_;
    QSystemTrayIcon tray_;
    std::map<int, QAction*> tagged_;
};

} // namespace tavro
