#pragma once

#include "values/PendingWrite.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QMenu;
class QWidget;

namespace tavro {

class FileRevealer;
class Library;

// What the board does with one capture, for its cards, its rows and their context menu. Every
// write goes through the library facade, and one that fails is shown to the user in an alert
// over the board's window, with the reason.
class BoardActions final : public QObject {
public:
    using Open = std::function<void(const std::string& captureID)>;

    // `window` carries the alerts and the menus.
    BoardActions(Library& library, std::unique_ptr<FileRevealer> revealer, Open open,
                 QWidget* window);
    ~BoardActions() override;
    BoardActions(const BoardActions&) = delete;
    BoardActions& operator=(const BoardActions&) = delete;

    void open(const std::string& captureID) const;
    void resolve(const std::string& captureID) const;
    void remove(const std::string& captureID) const;
    void assign(const std::optional<std::string>& personID, const std::string& captureID) const;
    // The file comes from the menu model, which takes it only from inside the library.
    void showInFolder(const std::filesystem::path& file);

    // The capture's context menu, as the published board has it now, open at `globalPosition`;
    // it deletes itself once closed. Nothing when the board no longer holds the capture.
    QMenu* popupMenu(const std::string& captureID, QPoint globalPosition);

    // Another way to show files, for a desktop without the session's file manager.
    void setRevealer(std::unique_ptr<FileRevealer> revealer);

private:
    void alert(const char* text, const std::string& detail) const;
    // Shows the alert titled `title` if the write fails, once its answer has come.
    void alertOnFailure(PendingWrite<> pending, const char* title) const;

    Library& library_;
    std::unique_ptr<FileRevealer> revealer_;
    Open open_;
    QWidget* window_;
};

} // namespace tavro
