#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavro {

// How a request to show a file came out.
enum class RevealOutcome {
    shown,        // the file manager shows the file, selected
    folderOpened, // no file manager took the request: the file's folder was opened instead
    missing,      // there is no such file; nothing was asked of the desktop
    failed,       // neither the file manager nor the folder could be opened
};

// Shows one file or folder to the user in the desktop's file manager. The answer comes once, on the
// GUI thread, possibly after reveal() has returned; never after the revealer is gone.
class FileRevealer {
public:
    using Done = std::function<void(RevealOutcome)>;

    virtual ~FileRevealer() = default;
    virtual void reveal(const std::filesystem::path& file, Done done) = 0;
};

// Asks org.freedesktop.FileManager1 on the session bus at `busAddress` to show the file
// (ShowItems). When there is no bus (an empty address), no file manager owns the name, the call
// fails or it has no answer within `timeoutMs` (the bus may be starting a file manager that
// never comes up, or may not answer at all), opens the folder that holds the file (or the folder
// itself) through `openFolder` instead.
class DBusFileRevealer final : public QObject, public FileRevealer {
public:
    using FolderOpener = std::function<bool(const QUrl& folder)>;

    static constexpr int defaultTimeoutMs = 3000;

    DBusFileRevealer(QString busAddress, FolderOpener openFolder, int timeoutMs = defaultTimeoutMs,
                     QObject* parent = nullptr);
    ~DBusFileRevealer() override;
    DBusFileRevealer(const DBusFileRevealer&) = delete;
    DBusFileRevealer& operator=(const DBusFileRevealer&) = delete;

    void reveal(const std::filesystem::path& file, Done done) override;

private:
    RevealOutcome openFolderOf(const std::filesystem::path& file);
    // Asks the file manager on the open connection; nothing when the call fails.
    void callFileManager(const std::filesystem::path& file,
                         std::function<void(std::optional<RevealOutcome>)> done);
    void connectionSettled(bool connected);

    QString busAddress_;
    QString connectionName_;
    bool connected_ = false;
    bool connecting_ = false;
    // Requests made while the connection is being opened.
    std::vector<std::function<void(bool connected)>> waiting_;
    FolderOpener openFolder_;
    int timeoutMs_;
};

// The user's session bus when there is one (never a bus started for the purpose), and folders
// opened as the desktop opens them.
std::unique_ptr<FileRevealer> makeFileRevealer();

} // namespace tavro
