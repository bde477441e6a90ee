#pragma once

#include "platform/StoreChangeNotifier.h"
#include "store/Database.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// The way into the board's data for both programs. Every operation runs synchronously on the
// caller's thread through the one Database the store owns.
class CaptureStore {
public:
    static constexpr std::string_view didChangeNotification = "dev.tavro.store.didChange";

    // Opens (and for the default location first moves a former library into place), creates
    // the folders and migrates. Throws DatabaseError or std::filesystem::filesystem_error.
    explicit CaptureStore(const std::filesystem::path& url,
                          std::shared_ptr<StoreChangeNotifier> notifier =
                              defaultStoreChangeNotifier());
    CaptureStore(const CaptureStore&) = delete;
    CaptureStore& operator=(const CaptureStore&) = delete;

    Database& db() const { return *db_; }
    const std::shared_ptr<Database>& database() const { return db_; }

    std::optional<std::string> syncMeta(std::string_view key) const;
    void setSyncMeta(std::string_view key, const std::optional<std::string>& value);

    // The sync_meta values the writers use; a failed read counts as absent.
    std::optional<std::string> currentUserID() const;
    std::optional<std::string> currentUserName() const;
    std::optional<std::string> defaultWorkspaceID() const;

    // "captures-maxUpdated-comments-maxCreated": differs whenever a capture or comment was
    // added, changed or soft-deleted by any process.
    std::string changeStamp() const;

    // Posts the store-changed notification once the current transaction (if any) commits.
    void postChange() const;

private:
    std::optional<std::string> syncMetaOrNothing(std::string_view key) const;

    std::shared_ptr<StoreChangeNotifier> notifier_;
    std::shared_ptr<Database> db_;
};

} // namespace tavro
