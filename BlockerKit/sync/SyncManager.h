#pragma once

#include "catalog/DataManager.h"
#include "catalog/SyncHandOver.h"
#include "cloud/CloudContainer.h"
#include "cloud/CloudOperations.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/OperationQueue.h"
#include "sync/LocalChangesQueue.h"
#include "sync/RecordMetadata.h"
#include "sync/ResultsHandler.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class UserDefaults;

// What sync moved in this process.
struct SyncStatistics {
    std::size_t recordsPushed = 0;
    std::size_t deletionsPushed = 0;
    std::size_t recordsFetched = 0;
    std::size_t deletionsFetched = 0;
};

// One upload of a batch, with the field dictionaries its records were made from.
struct PushOperation {
    std::shared_ptr<ModifyRecordsOperation> operation;
    std::map<std::string, FieldDictionary> fields;
};

// Keeps the custom and configurable rules of this machine and the user's private cloud zone in
// step: queues local changes, uploads them in batches, fetches and merges remote changes.
//
// Every field is owned by the main thread: the record store's completions hand their results
// to the main thread before anything changes, and the public operations are called there.
class SyncManager final : public SyncHandOver, public std::enable_shared_from_this<SyncManager> {
    struct Private {};

public:
    // Runs work on the main thread after a delay.
    using Scheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()> work)>;

    static constexpr double kDefaultRequestDelay = 2.0;
    // Consecutive retries wait longer each time, up to this.
    static constexpr double kMaximumRequestDelay = 3600.0;

    // The application's instance, on the account that ORVANE_CLOUD names. Created on first use;
    // the application services make it the catalog's hand-over of local changes.
    static SyncManager& shared();
    // The shared instance when something created it already, else null.
    static SyncManager* sharedIfCreated();
    // An instance on another container, for instance one over a fault-injecting backend.
    static std::shared_ptr<SyncManager> create(std::shared_ptr<CloudContainer> container,
                                               Scheduler runAfter = runOnMainAfter);

    SyncManager(Private, std::shared_ptr<CloudContainer> container, Scheduler runAfter);
    ~SyncManager() override;
    SyncManager(const SyncManager&) = delete;
    SyncManager& operator=(const SyncManager&) = delete;

    // Makes the catalog report its local changes to this instance.
    void installAsSyncHandOver();

    // Local changes: each is queued and a batch scheduled.
    void packageChanged(const Package& package) override;
    void rulesChanged(const std::vector<Rule>& rules, const std::string& packageId) override;
    void ruleChanged(const Rule& rule, const std::string& packageId);
    void packageDeleted(const std::string& packageId, const std::vector<Rule>& rules) override;
    void ruleDeleted(const std::string& ruleId) override;

    // At launch, with the configurable packages.
    void startSync(const PackageList& packages);
    // Queues every given package and rule, once per installation.
    void prepareInitialSync(const PackageList& packages);
    // The completion runs on the main thread: whether the account is available.
    void checkAccountStatus(std::function<void(bool available)> completion);
    void accountStatusChanged();

    // Builds a batch from the queue (zone and subscription first when they are missing) and
    // starts it when the account allows; it supersedes the batch before.
    void scheduleSync(std::size_t split);
    // The uploads of the queue, its records and deletions cut into `split` pieces or one more.
    std::vector<PushOperation> makePushOperations(std::size_t split);
    void scheduleRetry(double delay);

    // Fetches the zone's changes since the last token and applies them once the server has no
    // more. The completion follows the save of the applied changes, or reports a failed fetch.
    void fetchRemoteChanges(FetchCompletion completion);
    void mergeConflict(const CloudRecord& server, const CloudRecord& client, const CloudRecord& ancestor);

    // The cloud key-value store changed on another machine.
    void ubiqStoreDidChange();
    // The record store pushed a change of the zone; whatever the push names, a fetch follows.
    void didReceiveRemoteNotification(const UserInfo& userInfo);

    // No batch, account query or fetch in flight (a retry may still wait for its time).
    bool isIdle() const;
    bool hasRetryPending() const { return retriesPending_ > 0; }
    const SyncStatistics& statistics() const { return statistics_; }
    LocalChangesQueue& localChanges() { return localChanges_; }

private:
    struct Batch;
    struct FetchedChanges;
    struct PushResult;

    // Runs `work` on the main thread if the instance still lives then. Completions on the store's
    // threads hold the instance only weakly, so it is never released on one of them.
    static void onMain(const std::weak_ptr<SyncManager>& instance, std::function<void(SyncManager&)> work);
    void recordedLocalChange();
    bool isCurrent(const std::weak_ptr<Batch>& batch) const;

    std::shared_ptr<ModifyRecordZonesOperation> makeZoneOperation(const std::shared_ptr<Batch>& batch);
    std::shared_ptr<ModifySubscriptionsOperation> makeSubscriptionOperation(const std::shared_ptr<Batch>& batch);
    // The common answers to a failed set-up step: a transient error is retried, a missing login
    // makes the account unavailable. False when the error is neither.
    bool retryOrGiveUpSetup(const CloudError& error);
    void zoneSaveCompleted(const std::optional<CloudError>& error, const std::weak_ptr<Batch>& batch);
    void subscriptionSaveCompleted(const std::optional<CloudError>& error, std::optional<std::string> savedID,
                                   const std::weak_ptr<Batch>& batch);
    void passAccountGate(std::shared_ptr<Batch> batch);
    void startBatch(std::shared_ptr<Batch> batch);
    void accountUnavailable();

    void attachPushCompletion(PushOperation& push, std::size_t split, const std::shared_ptr<Batch>& batch);
    void pushCompleted(PushResult result);
    // Writes down what the finished uploads saved: their change tags, and the queue entries
    // they cleared.
    void recordPushes();
    void pushFailed(const PushResult& result);
    double retryDelay(const CloudError& error, const CloudError& topLevel) const;

    void startFetchPass(const std::optional<ServerChangeToken>& token, FetchCompletion completion);
    void fetchPassCompleted(FetchedChanges changes, const std::optional<ServerChangeToken>& token, bool moreComing,
                            const std::optional<CloudError>& error, FetchCompletion completion);
    void finishFetch();

    UserDefaults& defaults_;
    LocalChangesQueue localChanges_;
    RecordMetadata metadata_;
    ResultsHandler resultsHandler_;
    const std::shared_ptr<CloudContainer> container_;
    // Destroyed before the container: operations still queued finish against it.
    OperationQueue queue_;
    bool pendingOnAccountUnavailable_ = false;
    std::optional<AccountStatus> lastAccountStatus_;
    const RecordZone zone_;
    double lastRequestDelay_ = kDefaultRequestDelay;
    const Scheduler runAfter_;

    std::shared_ptr<Batch> currentBatch_;
    std::size_t operationsInFlight_ = 0;
    std::size_t accountChecksInFlight_ = 0;
    std::size_t retriesPending_ = 0;
    bool fetchInFlight_ = false;
    bool fetchRequested_ = false;
    std::vector<FetchCompletion> waitingFetchCompletions_;
    std::vector<PushResult> pushesToRecord_;
    // What the passes of the fetch in flight brought, written down when it ends.
    std::map<std::string, Bytes> fetchedSystemFields_;
    std::vector<std::string> fetchedDeletions_;
    SyncStatistics statistics_;

    ObserverRegistration keyValueChanges_;
    ObserverRegistration accountChanges_;
    ObserverRegistration remoteNotifications_;
};

} // namespace orvane
