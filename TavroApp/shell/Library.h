#pragma once

#include "account/Account.h"
#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "model/CaptureImage.h"

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

// The app's one observable view of the board, and its one door to the store. Views read the
// published state and call the operations; each operation writes through the store, then
// reloads everything and tells the account. Changes by other programs arrive through the
// store-changed notification, or the 3 s poll, and reload only when the change stamp moved.
// Errors never escape: a failed operation leaves its description in loadError().
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

    CaptureStore& store() const { return *store_; }
    const std::shared_ptr<CaptureStore>& sharedStore() const { return store_; }
    Account* account() const { return account_; }
    // Held weakly: the account may go first.
    void setAccount(Account* account) { account_ = account; }
    ThumbnailLoader& thumbnails() const { return thumbnails_; }

    void reload();
    // Reloads when the store's change stamp differs from the last one read.
    void checkForChanges();
    // For writers outside the facade (the note box's new group) that report their own failure.
    void setLoadError(std::optional<std::string> message);

    // The operations. Those that answer a flag answer whether every write succeeded.

    // A new capture with its tags and screenshots, all or nothing.
    bool add(const Capture& capture, const std::vector<std::string>& tags,
             const std::vector<CaptureImage>& images);
    // Writes the image files, then the screenshot row; the files go again when the row fails.
    bool addImage(const QImage& image, const std::string& captureID, CaptureMode mode);
    void deleteCapture(const std::string& id);
    // Whether the screenshot existed; false after an error too.
    bool deleteImage(const CaptureImage& image);
    void setStatus(CaptureStatus status, const std::string& captureID);
    void assign(const std::optional<std::string>& personID, const std::string& captureID);
    // Writes only the fields in which `edited` differs from the published copy of the capture.
    void update(const Capture& edited);
    void setTags(const std::vector<std::string>& tags, const std::string& captureID);
    void addComment(const std::string& text, const std::string& captureID);
    void deleteGroup(const std::string& id);
    void saveAnnotation(const Annotation& annotation, const CaptureImage& image);

signals:
    // Each assignment of a published property, also when the value did not change.
    void changed(tavro::Library::Property property);
    // After a reload that read everything.
    void reloaded();

private:
    bool perform(const std::function<void()>& writes);
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
