#pragma once

#include "browser/ContentBlockerManager.h"
#include "platform/Error.h"
#include "platform/OperationQueue.h"

#include <functional>
#include <memory>
#include <optional>

namespace orvane {

class BlockerPreferenceManager;

inline constexpr const char* kBlockerExtensionDisabled = "BlockerExtensionDisabled";

// The outcome of a rebuild and reload: success, or the error that stopped it.
class SafariReloadingResult {
public:
    static SafariReloadingResult success() { return SafariReloadingResult(std::nullopt); }
    static SafariReloadingResult failure(Error error) { return SafariReloadingResult(std::move(error)); }

    bool isSuccess() const { return !error_.has_value(); }
    const std::optional<Error>& error() const { return error_; }

private:
    explicit SafariReloadingResult(std::optional<Error> error) : error_(std::move(error)) {}
    std::optional<Error> error_;
};

using ReloadHandler = std::function<void(const SafariReloadingResult&)>;

// The front every change goes through to rebuild "tmp.json" and have the browser reload it.
// Requests are serialised on one queue; a newer request cancels the pending ones.
class Safari {
public:
    // Reloads unless the extension is known to be disabled (absent counts as enabled).
    static void reload(std::optional<bool> extensionEnabled, std::shared_ptr<BlockerPreferenceManager> preferences,
                       bool allowsCancelling, ReloadHandler handler);

    // The completion of the browser's state query: continues with isEnabled, or logs and drops
    // the request when there is no state.
    static void handleExtensionState(const std::optional<browser::ExtensionState>& state,
                                     const std::optional<Error>& error, const std::function<void(bool)>& continuation);

    // The usual way to ask for a rebuild: query the content blocker's state, then reload.
    static void requestReload(std::shared_ptr<BlockerPreferenceManager> preferences, bool allowsCancelling,
                              ReloadHandler handler);

    // "Write JSON and reload Safari": one operation at a time.
    static OperationQueue& reloadQueue();

    // Whether a request is still in flight (state query, queued or running operation, browser
    // reload, or its handler waiting on the main thread). Front ends wait for this to settle.
    static bool hasRequestsInFlight();

    static Error disabledExtensionError();

    class BlockerReloadOperation;

private:
    class RequestToken;
    using Token = std::shared_ptr<RequestToken>;
    static Token beginRequest();
    static void reload(std::optional<bool> extensionEnabled, std::shared_ptr<BlockerPreferenceManager> preferences,
                       bool allowsCancelling, ReloadHandler handler, Token token);
    static void reloadExtension(ReloadHandler handler, Token token);
};

// One rebuild: collect the enabled blockers, write "tmp.json", ask the browser to reload.
// Gives up at its checks when cancelled, unless it does not allow cancelling.
class Safari::BlockerReloadOperation final : public Operation {
public:
    BlockerReloadOperation(std::shared_ptr<BlockerPreferenceManager> preferences, ReloadHandler handler,
                           bool allowsCancelling, Token token);
    void main() override;

private:
    bool shouldGiveUp() const { return isCancelled() && allowsCancelling_; }

    const std::shared_ptr<BlockerPreferenceManager> preferences_;
    const ReloadHandler handler_;
    const bool allowsCancelling_;
    const Token token_;
};

} // namespace orvane
