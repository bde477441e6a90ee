#pragma once

#include "ProcessRunner.h"
#include "TempLibrary.h"
#include "store/CaptureStore.h"

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tavro::test {

// One computer of the user's in the process-level sync tests: a library of its own, the session
// token its keyring holds, and tavro-sync-driver run on them. The test process has one keyring,
// so a computer puts its token into it before the driver starts and takes it back after, as if
// each had a keyring of its own. Library paths are worked out from TAVRO_HOME, which points at
// this computer's library only while one of its calls runs.
class SyncedComputer {
public:
    explicit SyncedComputer(std::string driver);

    std::filesystem::path root() const { return folder_.path() / "Library"; }
    bool hasToken() const { return token_.has_value(); }

    ProcessResult drive(const std::string& command);
    // Runs `work` on a store over this library.
    void withStore(const std::function<void(CaptureStore&)>& work);

    struct Shot {
        bool marked = false; // a marked-up copy beside the original
    };
    // A capture in the default workspace with its screenshots, their files written into the
    // library first as the capture flow writes them; gives its id.
    std::string capture(const std::string& note, const std::vector<Shot>& shots);

    // What a capture's screenshot files hold, by screenshot id: the SHA-256 of the original,
    // the marked-up copy and the thumbnail ("" for a file the row does not name), or "missing"
    // when a named file is not there.
    struct Files {
        std::string original, marked, thumb;
        bool operator==(const Files&) const = default;
        friend void PrintTo(const Files& files, std::ostream* out) {
            *out << "{" << files.original << ", " << files.marked << ", " << files.thumb << "}";
        }
    };
    std::map<std::string, Files> files(const std::string& captureID);

    // Draws a new mark-up on the capture's first screenshot, as the editor saves it (the marked
    // copy beside the original, the row pending); gives the drawing's SHA-256.
    std::string markUp(const std::string& captureID);
    // The SHA-256 of every file in the library's captures folder.
    std::vector<std::string> capturesOnDisk();
    // A screenshot pending push whose files are gone, in a new capture of the default
    // workspace.
    void unuploadableScreenshots(int count);

private:
    std::string driver_;
    TempFolder folder_;
    std::optional<std::string> token_;
};

} // namespace tavro::test
