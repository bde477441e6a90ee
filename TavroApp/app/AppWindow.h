#pragma once

#include <QMainWindow>
#include <QTimer>

namespace tavro {

// A window around one view; closing it deletes it, which clears the delegate's pointer. With a
// frame key, the window's frame is kept in the user's settings and put back by restoreFrame().
// A main window, which a screen reader takes for a window (a plain widget is a mere filler).
class AppWindow final : public QMainWindow {
    Q_OBJECT

public:
    AppWindow(QWidget* content, const QString& title, QSize size, QString frameKey = {});
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    void restoreFrame();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int frameSaveDelayMs = 400;

    void frameChanged();
    void saveFrame();

    QString frameKey_;
    QTimer saveSoon_;
    bool restored_ = false;
};

} // namespace tavro
