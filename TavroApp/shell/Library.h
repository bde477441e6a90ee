#pragma once

#include "account/Account.h"
#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "model/CaptureImage.h"
#include "shell/WriteResult.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavro {

class CaptureStore;
class StoreChangeListener;
class ThumbnailLoader;
struct Annotation;

// The app's one observable view of the board, and its one door to the store: nothing else in
// the app holds a CaptureStore. Views read the published state and call the operations; each
// write goes through the store, answers its caller with a WriteResult, then has the board
// reloaded and tells the account. Changes by other programs arrive through the store-changed
// notification, or the 3 s poll, and reload only when the change stamp moved. Errors never
// escape: a write's failure is its caller's to show, loadError() tells only of loading.
class Library final : public QObject {
    Q_OBJECT

public:
    enum class Property {
        captures,
        groups,
        counts,
        tagsByCapture,
        commentCounts,
        allTags,
        imageCounts,
        loadError,
        people,
        workspaces,
        currentUserID,
    };

    static constexpr int reloadLimit = 1000;
    static constexpr int pollIntervalMs = 3000;

    // Loads the board before it returns and starts watching the store.
    Library(std::shared_ptr<CaptureStore> store, ThumbnailLoader& thumbnails,
            std::unique_ptr<StoreChangeListener> listener, QObject* parent = nullptr);
    ~Library() override;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    const std::vector<Capture>& captures() const { return captures_; }
    const std::vector<CaptureGroup>& groups() const { return groups_; }
    const std::map<CaptureStatus, std::int64_t>& counts() const { return counts_; }
    const std::unordered_map<std::string, std::vector<std::string>>& tagsByCapture() const {
        return tagsByCapture_;
    }
    const std::unordered_map<std::string, std::int64_t>& commentCounts() const {
        return commentCounts_;
    }
    const std::vector<std::string>& allTags() const { return allTags_; }
    const std::unordered_map<std::string, std::int64_t>& imageCounts() const {
        return imageCounts_;
    }
    const std::optional<std::string>& loadError() const { return loadError_; }
    const std::vector<Person>& people() const { return people_; }
    const std::vector<Workspace>& workspaces() const { return workspaces_; }
    const std::optional<std::string>& currentUserID() const { return currentUserID_; }

    std::int64_t openCount() const;
    std::int64_t assignedToMeCount() const;
    bool isMine(const Capture& capture) const;
    std::optional<CaptureGroup> group(const std::optional<std::string>& id) const;
    std::optional<Person> person(const std::optional<std::string>& id) const;

    Account* account() const { return account_; }
    // Held weakly: the account may go first.
    void setAccount(Account* account) { account_ = account; }
    ThumbnailLoader& thumbnails() const { return thumbnails_; }

    void reload();
    // Reloads when the store's change stamp differs from the last one read.
    void checkForChanges();

    // Reads for what the published state leaves out. A failed read answers nothing.

    // The capture's live screenshots by position.
    std::vector<CaptureImage> images(const std::string& captureID) const;
    std::optional<CaptureImage> image(const std::string& id) const;
    // Oldest first.
    std::vector<Comment> comments(const std::string& captureID) const;
    std::vector<ActivityEvent> activity(const std::string& captureID) const;

    // The writes.

    // A new capture with its tags and screenshots, all or nothing.
    WriteResult<> add(const Capture& capture, const std::vector<std::string>& tags,
                      const std::vector<CaptureImage>& images);
    // Writes the image files, then the screenshot row; the files go again when the row fails.
    WriteResult<> addImage(const QImage& image, const std::string& captureID, CaptureMode mode);
    WriteResult<> deleteCapture(const std::string& id);
    // Its value: whether the screenshot existed.
    WriteResult<bool> deleteImage(const CaptureImage& image);
    WriteResult<> setStatus(CaptureStatus status, const std::string& captureID);
    WriteResult<> assign(const std::optional<std::string>& personID, const std::string& captureID);
    // Writes only the fields in which `edited` differs from the published copy of the capture.
    WriteResult<> update(const Capture& edited);
    WriteResult<> setTags(const std::vector<std::string>& tags, const std::string& captureID);
    WriteResult<> addComment(const std::string& text, const std::string& captureID);
    // A new private group; its value is the group as stored, which is the listed group of that
    // name when one exists already.
    WriteResult<CaptureGroup> createGroup(const std::string& name, const std::string& colorHex,
                                          const std::optional<std::string>& path = std::nullopt);
    WriteResult<> deleteGroup(const std::string& id);
    // Renders (or, without shapes, removes) the marked copy and rewrites the screenshot's row.
    WriteResult<> saveAnnotation(const Annotation& annotation, const CaptureImage& image);

signals:
    // Each assignment of a published property, also when the value did not change.
    void changed(tavro::Library::Property property);
    // After a reload that read everything.
    void reloaded();

private:
    template <class Writes> auto perform(Writes&& writes);
    void setLoadError(std::optional<std::string> message);
    template <class T> void publish(T& field, T value, Property property);

    std::shared_ptr<CaptureStore> store_;
    ThumbnailLoader& thumbnails_;
    std::unique_ptr<StoreChangeListener> listener_;
    QPointer<Account> account_;
    QTimer poll_;
    std::string lastStamp_;

    std::vector<Capture> captures_;
    std::vector<CaptureGroup> groups_;
    std::map<CaptureStatus, std::int64_t> counts_;
    std::unordered_map<std::string, std::vector<std::string>> tagsByCapture_;
    std::unordered_map<std::string, std::int64_t> commentCounts_;
    std::vector<std::string> allTags_;
    std::unordered_map<std::string, std::int64_t> imageCounts_;
    std::optional<std::string> loadError_;
    std::vector<Person> people_;
    std::vector<Workspace> workspaces_;
    std::optional<std::string> currentUserID_;
};

} // namespace tavro
