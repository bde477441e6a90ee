#pragma once

#include "ledger/SyncLedger.h"
#include "store/CaptureStore.h"
#include "sync/PullReadAhead.h"
#include "sync/PushBatch.h"
#include "sync/ScreenshotBlobs.h"
#include "sync/SyncClient.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

namespace tavro {

// The push-and-pull exchanges of a pass with the service, and the state they keep between
// exchanges. Runs on the engine's worker only.
class SyncExchanger {
public:
    // A reply that arrived after sign-out or stop: the pass ends without writing it.
    struct Abandoned {};
    // Asks the service for the account again and records it.
    using RefreshAccount = std::function<void(std::stop_token)>;

    SyncExchanger(CaptureStore& store, SyncLedger& ledger, SyncClient& client,
                  ScreenshotBlobs& blobs, RefreshAccount refreshAccount);

    // Throws Abandoned once the session has ended.
    static void ensureCurrent(std::stop_token session);
    // A new pass may restart the pull once more.
    void beginPass();
    // Drops the pages asked for ahead that the pass did not take.
    void endPass();
    // One push-and-pull request and its reply; true when another should follow at once. The
    // pages of a long pull are asked for ahead, `exchangesLeft` of them at most.
    bool cycle(std::stop_token session, int exchangesLeft);

private:
    PushBatch collect(bool askedAhead, std::stop_token session);
    std::vector<std::string> takeFullGroups(bool askedAhead);
    SyncReply send(const nlohmann::json& body, const std::vector<std::string>& fullGroups,
                   bool askedAhead, std::stop_token session);
    // When nothing but the pull goes on, the pages that follow are asked for while this one is
    // written, each as soon as the one before it is in.
    void readAheadIfPullOnly(const SyncReply& reply, const PushBatch& batch,
                             const std::string& deviceID, bool askedAhead, int exchangesLeft,
                             std::stop_token session);
    // True when a row is to be pushed again.
    bool applyResults(const nlohmann::json& fields, const PushBatch& batch);
    void applyPeople(const nlohmann::json& fields);
    void storeCursor(const nlohmann::json& fields);
    // True when the service asked for the whole pull again.
    bool applyGroupResyncs(const nlohmann::json& fields);
    void applyDrops(const nlohmann::json& fields, const std::set<std::string>& carried,
                    std::stop_token session);
    // Restarts the pull once a pass; true when it did.
    bool restartPull(bool asked, std::stop_token session);
    // The request that follows a reply of a pull, when nothing but the pull goes on.
    static std::optional<nlohmann::json> nextPullRequest(const SyncReply& reply,
                                                         const std::string& deviceID);
    // Drops the workspaces the service names as left, but not one that the same reply brings
    // rows for (`carried`) or that the account, asked again, still lists; each is logged.
    void dropWorkspaces(const std::vector<std::string>& ids, const std::set<std::string>& carried,
                        std::stop_token session);
    // Applies the server's verdict on one pushed row; true when the row is to be pushed again.
    bool handleResult(const nlohmann::json& result, const PushedRows& pushed);

    CaptureStore& store_;
    SyncLedger& ledger_;
    SyncClient& client_;
    ScreenshotBlobs& blobs_;
    RefreshAccount refreshAccount_;

    std::vector<std::string> fullGroupsQueue_; // groups whose whole contents are to be pulled
    std::map<std::string, int> rejections_;    // retryable rejections per row id, in a row
    bool workspaceResetDone_ = false;          // this pass already restarted the pull
    // Started by an exchange, and dropped when the pass ends.
    PullReadAhead readAhead_{8, std::size_t(8) << 20};
};

} // namespace tavro
