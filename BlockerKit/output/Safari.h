#pragma once

#include "browser/ContentBlockerManager.h"
#include "catalog/CatalogHooks.h"
#include "catalog/ReloadOutcome.h"
#include "platform/OperationQueue.h"

#include <functional>
#include <memory>
#include <optional>

namespace orvane {

class BlockerPreferenceManager;
class EnabledBlockers;

inline constexpr const char* kBlockerExtensionDisabled = "BlockerExtensionDisabled";
inline constexpr const char* kExtensionDisabledText = "Error reloading Safari content blocker: it's disabled in Settings";

// The front every change goes through to rebuild "tmp.json" and have the browser reload it.
// Requests are serialised on one queue; a newer request cancels the pending ones. Every
// request's handler is told exactly one outcome, on the main thread.
class Safari {
public:
    // Reloads unless the extension is known to be disabled (absent counts as enabled).
    static void reload(std::optional<bool> extensionEnabled, std::shared_ptr<BlockerPreferenceManager> preferences,
                       bool allowsCancelling, ReloadHandler handler);

    // The completion of the browser's state query: continues with isEnabled and answers true, or
    // logs and answers false when there is no state.
    static bool handleExtensionState(const std::optional<browser::ExtensionState>& state,
                                     const std::optional<browser::BrowserError>& error,
                                     const std::function<void(bool)>& continuation);

    // The usual way to ask for a rebuild: query the content blocker's state, then reload.
    static void requestReload(std::shared_ptr<BlockerPreferenceManager> preferences, bool allowsCancelling,
                              ReloadHandler handler);

    // "Write JSON and reload Safari": one operation at a time.
    static OperationQueue& reloadQueue();

    // Whether a request is still in flight (state query, queued or running operation, browser
    // reload, or its handler waiting on the main thread). Front ends wait for this to settle.
    static bool hasRequestsInFlight();

    class BlockerReloadOperation;

private:
    class Request;
    using RequestHandle = std::shared_ptr<Request>;
    static RequestHandle beginRequest(ReloadHandler handler);
    static void reload(std::optional<bool> extensionEnabled, std::shared_ptr<BlockerPreferenceManager> preferences,
                       bool allowsCancelling, RequestHandle request);
    // `blockers` are those of the file the browser reloads (none when it holds only the
    // placeholder): when WebKit refuses the file, they are searched for the rule it refuses.
    static void reloadExtension(RequestHandle request, std::shared_ptr<const EnabledBlockers> blockers);

    class RefusalSearch;
};

// One rebuild: collect the enabled blockers, write "tmp.json", ask the browser to reload.
// Gives up at its checks when cancelled, unless it does not allow cancelling.
class Safari::BlockerReloadOperation final : public Operation {
public:
    BlockerReloadOperation(std::shared_ptr<BlockerPreferenceManager> preferences, bool allowsCancelling,
                           RequestHandle request);
    void main() override;

private:
    bool shouldGiveUp() const { return isCancelled() && allowsCancelling_; }

    const std::shared_ptr<BlockerPreferenceManager> preferences_;
    const bool allowsCancelling_;
    const RequestHandle request_;
};

// The rebuild the catalog and the preference manager ask for, through Safari.
class SafariRebuilder final : public ContentBlockerRebuilder {
public:
    void requestRebuild(bool allowsCancelling, ReloadHandler handler) override;
};

} // namespace orvane
