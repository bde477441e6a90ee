#include "app/AppWindow.h"

#include "values/Preferences.h"

#include <QCloseEvent>
#include <QSettings>

namespace tavro {

AppWindow::AppWindow(QWidget* content, const QString& title, QSize size, QString frameKey)
    : frameKey_(std::move(frameKey)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setCentralWidget(content);
    resize(size);
    // Written soon after each move or resize, so that the frame outlives an app that is
    // stopped (the session ending) as well as one that quits.
    saveSoon_.setSingleShot(true);
    saveSoon_.setInterval(frameSaveDelayMs);
    connect(&saveSoon_, &QTimer::timeout, this, [this] { saveFrame(); });
}

void AppWindow::restoreFrame() {
    if (frameKey_.isEmpty())
        return;
    const QByteArray saved = openUserSettings()->value(frameKey_).toByteArray();
    if (!saved.isEmpty())
        restoreGeometry(saved);
    restored_ = true;
}

void AppWindow::closeEvent(QCloseEvent* event) {
    saveFrame();
    QMainWindow::closeEvent(event);
}

void AppWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    frameChanged();
}

void AppWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    frameChanged();
}

void AppWindow::frameChanged() {
    // Not the frame a new window starts with, before the saved one is put back.
    if (!frameKey_.isEmpty() && restored_ && isVisible())
        saveSoon_.start();
}

void AppWindow::saveFrame() {
    saveSoon_.stop();
    if (!frameKey_.isEmpty())
        openUserSettings()->setValue(frameKey_, saveGeometry());
}

} // namespace tavro
