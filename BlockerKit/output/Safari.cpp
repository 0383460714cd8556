#include "output/Safari.h"

#include "catalog/DataManager.h"
#include "output/ContentBlockerFile.h"
#include "output/EnabledBlockers.h"
#include "output/RefusedListSearch.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "prefs/PreferenceStore.h"
#include "storage/HomeLock.h"
#include "storage/PersistentStore.h"

#include <atomic>

namespace orvane {
namespace {

// Stands for the Safari type as the sender of its notifications.
constexpr char kSafariSender = 0;

std::atomic<int>& requestsInFlight() {
    static std::atomic<int> count{0};
    return count;
}

// Counts a request as in flight until the last step that holds it is done, its handler
// included, so a front end that waits for requests to settle sees the handler's work.
class InFlight {
public:
    InFlight() { ++requestsInFlight(); }
    ~InFlight() { --requestsInFlight(); }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;
};

} // namespace

// One request from its start to the outcome told to its handler.
class Safari::Request {
public:
    explicit Request(ReloadHandler handler)
        : handler_(std::move(handler)), inFlight_(std::make_shared<InFlight>()) {}
    // A request that no step finished (its state query was never answered) still ends.
    ~Request() {
        if (!told_.exchange(true)) {
            deliver(ReloadOutcome::superseded());
        }
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    // Tells the handler on the main thread; only the first outcome of a request counts.
    void finish(ReloadOutcome outcome) {
        if (!told_.exchange(true)) {
            deliver(std::move(outcome));
        }
    }

private:
    void deliver(ReloadOutcome outcome) {
        runOnMain([handler = handler_, outcome = std::move(outcome), inFlight = inFlight_] {
            if (handler) {
                handler(outcome);
            }
        });
    }

    const ReloadHandler handler_;
    const std::shared_ptr<InFlight> inFlight_;
    std::atomic<bool> told_{false};
};

Safari::RequestHandle Safari::beginRequest(ReloadHandler handler) { return std::make_shared<Request>(std::move(handler)); }

bool Safari::hasRequestsInFlight() { return requestsInFlight().load() > 0; }

OperationQueue& Safari::reloadQueue() {
    static OperationQueue queue("Write JSON and reload Safari", 1);
    return queue;
}

void Safari::reload(std::optional<bool> extensionEnabled, std::shared_ptr<BlockerPreferenceManager> preferences,
                    bool allowsCancelling, ReloadHandler handler) {
    reload(extensionEnabled, std::move(preferences), allowsCancelling, beginRequest(std::move(handler)));
}

void Safari::reload(std::optional<bool> extensionEnabled, std::shared_ptr<BlockerPreferenceManager> preferences,
                    bool allowsCancelling, RequestHandle request) {
    if (extensionEnabled.has_value() && !*extensionEnabled) {
        log(kExtensionDisabledText);
        log("Content blocker extension is disabled in Settings");
        NotificationCenter::shared().post(kBlockerExtensionDisabled, &kSafariSender);
        request->finish(ReloadOutcome::dropped(ReloadOutcome::DropReason::ExtensionDisabled, kExtensionDisabledText));
        return;
    }
    reloadQueue().cancelAllOperations();
    reloadQueue().addOperation(
        std::make_shared<BlockerReloadOperation>(std::move(preferences), allowsCancelling, std::move(request)));
}

bool Safari::handleExtensionState(const std::optional<browser::ExtensionState>& state,
                                  const std::optional<browser::BrowserError>& error,
                                  const std::function<void(bool)>& continuation) {
    if (!state) {
        log("Can't check blocker state " + (error ? error->message : std::string("(no error)")));
        return false;
    }
    continuation(state->isEnabled);
    return true;
}

void Safari::requestReload(std::shared_ptr<BlockerPreferenceManager> preferences, bool allowsCancelling,
                           ReloadHandler handler) {
    RequestHandle request = beginRequest(std::move(handler));
    browser::ContentBlockerManager::getStateOfContentBlocker(
        browser::kContentBlockerIdentifier,
        [preferences = std::move(preferences), allowsCancelling,
         request](std::optional<browser::ExtensionState> state, std::optional<browser::BrowserError> error) {
            const bool answered = handleExtensionState(
                state, error, [&](bool enabled) { reload(enabled, preferences, allowsCancelling, request); });
            if (!answered) {
                request->finish(ReloadOutcome::dropped(
                    ReloadOutcome::DropReason::StateUnreadable,
                    "The content blocker's state could not be read: " +
                        (error ? error->message : std::string("the browser did not answer"))));
            }
        });
}

// After WebKit refused the file: finds the rule it refuses, on the reload queue, so that a newer
// request calls the search off as it would a rebuild. The outcome names the rule when it is found,
// and is WebKit's refusal as it stands otherwise.
class Safari::RefusalSearch final : public Operation {
public:
    RefusalSearch(RequestHandle request, std::shared_ptr<const EnabledBlockers> blockers, std::string refusal)
        : request_(std::move(request)), blockers_(std::move(blockers)), refusal_(std::move(refusal)) {}

    void main() override {
        auto rule = findRejectedRule(*blockers_, refusal_, [this] { return isCancelled(); });
        if (!rule) {
            request_->finish(ReloadOutcome::failed(refusal_));
            return;
        }
        std::string message = rejectedRuleMessage(*rule);
        request_->finish(ReloadOutcome::failed(std::move(message), std::move(*rule)));
    }

private:
    const RequestHandle request_;
    const std::shared_ptr<const EnabledBlockers> blockers_;
    const std::string refusal_;
};

void Safari::reloadExtension(RequestHandle request, std::shared_ptr<const EnabledBlockers> blockers) {
    log("Updating content blocker extension");
    browser::ContentBlockerManager::reloadContentBlocker(
        browser::kContentBlockerIdentifier,
        [request = std::move(request), blockers = std::move(blockers)](std::optional<browser::BrowserError> error) {
            if (error) {
                log("Error reloading Safari JSON: " + error->message);
                const bool refused = error->code == browser::BrowserErrorCode::Refused ||
                                     error->code == browser::BrowserErrorCode::CompilerCrashed;
                if (refused && blockers && !blockers->empty()) {
                    reloadQueue().addOperation(std::make_shared<RefusalSearch>(request, blockers, error->message));
                    return;
                }
                request->finish(ReloadOutcome::failed(error->message));
            } else {
                log("Reloaded Safari");
                request->finish(ReloadOutcome::reloaded());
            }
        });
}

Safari::BlockerReloadOperation::BlockerReloadOperation(std::shared_ptr<BlockerPreferenceManager> preferences,
                                                       bool allowsCancelling, RequestHandle request)
    : preferences_(std::move(preferences)), allowsCancelling_(allowsCancelling), request_(std::move(request)) {}

void Safari::BlockerReloadOperation::main() {
    if (shouldGiveUp()) {
        request_->finish(ReloadOutcome::superseded());
        return;
    }
    if (DataManager::shared().preinstalledPackages()->empty()) {
        log("⛔️ Don't writing to tmp.json because DataManager.Preinstalled is empty");
        request_->finish(ReloadOutcome::dropped(
            ReloadOutcome::DropReason::NothingToPublish,
            "The preinstalled packages are not loaded, so the content blocker was left as it was"));
        return;
    }
    // Another process of the home may rebuild at the same time: the state is read and the file
    // written under the home's lock, so the rebuild that writes last read the newest state.
    std::optional<HomeLock> home(std::in_place);
    // The key-value store answers from a copy in memory, which no other process of the home
    // refreshes when there is no account: a switch flipped elsewhere counts only once it is read.
    currentPreferenceStore().synchronize();
    std::optional<EnabledBlockers> blockers;
    if (!PersistentStore::sharedDefaults().boolForKey("paused").value_or(false)) {
        blockers = enabledBlockers(preferences_->disabledPackages(), preferences_->disabledRules());
    }
    if (shouldGiveUp()) {
        request_->finish(ReloadOutcome::superseded());
        return;
    }
    auto written = writeSafariJSON(blockers && !blockers->empty() ? std::optional(blockers->list()) : std::nullopt);
    home.reset();
    if (!written) {
        // The browser would reload the previous file and answer success for a change it never saw.
        request_->finish(ReloadOutcome::failed(written.error().message));
        return;
    }
    if (shouldGiveUp()) {
        request_->finish(ReloadOutcome::superseded());
        return;
    }
    std::shared_ptr<const EnabledBlockers> listed;
    if (blockers && !blockers->empty()) {
        listed = std::make_shared<const EnabledBlockers>(std::move(*blockers));
    }
    reloadExtension(request_, std::move(listed));
}

void SafariRebuilder::requestRebuild(bool allowsCancelling, ReloadHandler handler) {
    Safari::requestReload(BlockerPreferenceManager::create(), allowsCancelling, std::move(handler));
}

} // namespace orvane
