#include "browser/ContentBlockerManager.h"

#include "browser/BrowserError.h"
#include "browser/BrowserThread.h"
#include "browser/ExtensionSettings.h"
#include "browser/FilterCompiler.h"
#include "platform/Locations.h"

#include <system_error>

namespace orvane::browser {
namespace {

// WebKit compiles 50,000 rules in a few seconds; a compile that runs minutes is stuck.
constexpr std::chrono::minutes kCompileTimeout{5};

// Each manager answers for its own kind of extension only, as the browser's managers do.
void answerState(const std::string& identifier, const char* ownIdentifier, const std::string& kind,
                 const StateCompletion& completion) {
    if (identifier != ownIdentifier) {
        completion(std::nullopt,
                   browserError(BrowserErrorCode::UnknownExtension, "No " + kind + " with identifier " + identifier));
        return;
    }
    BrowserError error;
    const auto enabled = isExtensionEnabled(identifier, &error);
    if (!enabled) {
        completion(std::nullopt, std::move(error));
        return;
    }
    completion(ExtensionState{*enabled}, std::nullopt);
}

} // namespace

std::filesystem::path contentFilterStoreDirectory() { return sharedContainerDirectory() / "ContentFilters"; }

void ContentBlockerManager::getStateOfContentBlocker(const std::string& identifier, StateCompletion completion) {
    BrowserThread::shared().post([identifier, completion = std::move(completion)] {
        answerState(identifier, kContentBlockerIdentifier, "content blocker", completion);
    });
}

void ContentBlockerManager::reloadContentBlocker(const std::string& identifier, ReloadCompletion completion) {
    // The locations are taken now: the reload belongs to the home of the moment it was asked for.
    auto source = sharedContainerDirectory() / "tmp.json";
    auto store = contentFilterStoreDirectory();
    BrowserThread::shared().post([identifier, source = std::move(source), store = std::move(store),
                                  completion = std::move(completion)]() mutable {
        if (identifier != kContentBlockerIdentifier) {
            completion(browserError(BrowserErrorCode::UnknownExtension, "No content blocker with identifier " + identifier));
            return;
        }
        std::error_code ec;
        if (!std::filesystem::is_regular_file(source, ec)) {
            completion(browserError(BrowserErrorCode::BlockerFileMissing,
                                    "The content-blocker file doesn't exist: " + source.string()));
            return;
        }
        compileContentFilter(std::move(source), std::move(store), identifier, kCompileTimeout, std::move(completion));
    });
}

void SafariExtensionManager::getStateOfSafariExtension(const std::string& identifier, StateCompletion completion) {
    BrowserThread::shared().post([identifier, completion = std::move(completion)] {
        answerState(identifier, kSafariExtensionIdentifier, "app extension", completion);
    });
}

} // namespace orvane::browser
