#include "output/Safari.h"

#include "catalog/DataManager.h"
#include "output/ContentBlockerFile.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "prefs/BlockerPreferenceManager.h"
#include "storage/PersistentStore.h"

#include <atomic>

namespace orvane {
namespace {

constexpr const char* kDisabledText = "Error reloading Safari content blocker: it's disabled in Settings";
// Stands for the Safari type as the sender of its notifications.
constexpr char kSafariSender = 0;

std::atomic<int>& requestsInFlight() {
    static std::atomic<int> count{0};
    return count;
}

} // namespace

// Lives as long as any step of one request still holds it.
class Safari::RequestToken {
public:
    RequestToken() { ++requestsInFlight(); }
    ~RequestToken() { --requestsInFlight(); }
    RequestToken(const RequestToken&) = delete;
    RequestToken& operator=(const RequestToken&) = delete;
};

Safari::Token Safari::beginRequest() { return std::make_shared<RequestToken>(); }

bool Safari::hasRequestsInFlight() { return requestsInFlight().load() > 0; }

Error Safari::disabledExtensionError() { return Error{"orvane", 500, kDisabledText}; }

OperationQueue& Safari::reloadQueue() {
    static OperationQueue queue("Write JSON and reload Safari", 1);
    return queue;
}

void Safari::reload(std::optional<bool> extensionEnabled, std::shared_ptr<BlockerPreferenceManager> preferences,
                    bool allowsCancelling, ReloadHandler handler) {
    reload(extensionEnabled, std::move(preferences), allowsCancelling, std::move(handler), beginRequest());
}

void Safari::reload(std::optional<bool> extensionEnabled, std::shared_ptr<BlockerPreferenceManager> preferences,
                    bool allowsCancelling, ReloadHandler handler, Token token) {
    if (extensionEnabled.has_value() && !*extensionEnabled) {
        log(kDisabledText);
        log("Content blocker extension is disabled in Settings");
        NotificationCenter::shared().post(kBlockerExtensionDisabled, &kSafariSender);
        runOnMain([handler = std::move(handler), token = std::move(token)] {
            if (handler) {
                handler(SafariReloadingResult::failure(disabledExtensionError()));
            }
        });
        return;
    }
    reloadQueue().cancelAllOperations();
    reloadQueue().addOperation(std::make_shared<BlockerReloadOperation>(std::move(preferences), std::move(handler),
                                                                        allowsCancelling, std::move(token)));
}

void Safari::handleExtensionState(const std::optional<browser::ExtensionState>& state,
                                  const std::optional<Error>& error, const std::function<void(bool)>& continuation) {
    if (!state) {
        log("Can't check blocker state " + (error ? error->localizedDescription : std::string("(no error)")));
        return;
    }
    continuation(state->isEnabled);
}

void Safari::requestReload(std::shared_ptr<BlockerPreferenceManager> preferences, bool allowsCancelling,
                           ReloadHandler handler) {
    Token token = beginRequest();
    browser::ContentBlockerManager::getStateOfContentBlocker(
        browser::kContentBlockerIdentifier,
        [preferences = std::move(preferences), allowsCancelling, handler = std::move(handler),
         token = std::move(token)](std::optional<browser::ExtensionState> state, std::optional<Error> error) {
            handleExtensionState(state, error, [&](bool enabled) {
                reload(enabled, preferences, allowsCancelling, handler, token);
            });
        });
}

void Safari::reloadExtension(ReloadHandler handler, Token token) {
    log("Updating content blocker extension");
    browser::ContentBlockerManager::reloadContentBlocker(
        browser::kContentBlockerIdentifier,
        [handler = std::move(handler), token = std::move(token)](std::optional<Error> error) {
            runOnMain([handler, error, token] {
                if (error) {
                    log("Error reloading Safari JSON: " + error->localizedDescription);
                    if (handler) {
                        handler(SafariReloadingResult::failure(*error));
                    }
                } else {
                    log("Reloaded Safari");
                    if (handler) {
                        handler(SafariReloadingResult::success());
                    }
                }
            });
        });
}

Safari::BlockerReloadOperation::BlockerReloadOperation(std::shared_ptr<BlockerPreferenceManager> preferences,
                                                       ReloadHandler handler, bool allowsCancelling, Token token)
    : preferences_(std::move(preferences)), handler_(std::move(handler)), allowsCancelling_(allowsCancelling),
      token_(std::move(token)) {}

void Safari::BlockerReloadOperation::main() {
    if (shouldGiveUp()) {
        return;
    }
    if (DataManager::shared().preinstalledPackages()->empty()) {
        log("⛔️ Don't writing to tmp.json because DataManager.Preinstalled is empty");
        return;
    }
    std::optional<EnabledBlockers> blockers;
    if (!PersistentStore::sharedDefaults().boolForKey("paused").value_or(false)) {
        blockers = preferences_->enabledBlockers(preferences_->disabledPackages(), preferences_->disabledRules());
    }
    if (shouldGiveUp()) {
        return;
    }
    writeSafariJSON(blockers && !blockers->empty() ? std::optional(blockers->list()) : std::nullopt);
    if (shouldGiveUp()) {
        return;
    }
    reloadExtension(handler_, token_);
}

} // namespace orvane
