#include "browser/ContentBlockerManager.h"

#include "browser/BrowserChoice.h"
#include "browser/BrowserError.h"
#include "browser/BrowserThread.h"
#include "browser/ExtensionSettings.h"
#include "browser/FilterCompiler.h"
#include "browser/GnomeWebConnection.h"
#include "platform/Locations.h"

#include <system_error>

namespace orvane::browser {
namespace {

// WebKit compiles 50,000 rules in a few seconds; a compile that runs minutes is stuck.
constexpr std::chrono::minutes kCompileTimeout{5};

// GNOME Web answers for the content blocker from its own settings. It has no app extension:
// the quick actions are the application's menu, which is always there.
void answerForGnomeWeb(const std::string& identifier, const StateCompletion& completion) {
    if (identifier != kContentBlockerIdentifier) {
        completion(ExtensionState{true}, std::nullopt);
        return;
    }
    BrowserError error;
    const auto state = gnomeWebState(&error);
    if (!state) {
        completion(std::nullopt, std::move(error));
        return;
    }
    completion(ExtensionState{state->rulesApplied()}, std::nullopt);
}

// Each manager answers for its own kind of extension only, as the browser's managers do.
void answerState(const std::string& identifier, const char* ownIdentifier, const std::string& kind,
                 const StateCompletion& completion) {
    if (identifier != ownIdentifier) {
        completion(std::nullopt,
                   browserError(BrowserErrorCode::UnknownExtension, "No " + kind + " with identifier " + identifier));
        return;
    }
    BrowserError error;
    const auto choice = browserChoice(&error);
    if (!choice) {
        completion(std::nullopt, std::move(error));
        return;
    }
    if (choice->kind == BrowserKind::gnomeWeb) {
        answerForGnomeWeb(identifier, completion);
        return;
    }
    const auto enabled = isExtensionEnabled(identifier, &error);
    if (!enabled) {
        completion(std::nullopt, std::move(error));
        return;
    }
    completion(ExtensionState{*enabled}, std::nullopt);
}

// WebKit checks the very copy GNOME Web will get; only a copy WebKit accepted is published.
void compileAndPublish(const std::filesystem::path& source, std::filesystem::path store, std::string identifier,
                       ReloadCompletion completion) {
    BrowserError error;
    auto staged = StagedList::stage(source, &error);
    if (!staged) {
        completion(std::move(error));
        return;
    }
    auto list = std::make_shared<StagedList>(std::move(*staged));
    auto file = list->file();
    compileContentFilter(std::move(file), std::move(store), std::move(identifier), kCompileTimeout,
                         [list, completion = std::move(completion)](std::optional<BrowserError> refusal) {
                             if (refusal) {
                                 completion(std::move(refusal));
                                 return;
                             }
                             BrowserError failure;
                             if (!publishToGnomeWeb(std::move(*list), &failure)) {
                                 completion(std::move(failure));
                                 return;
                             }
                             completion(std::nullopt);
                         });
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
    BrowserError choiceError;
    const auto choice = browserChoice(&choiceError);
    BrowserThread::shared().post([identifier, source = std::move(source), store = std::move(store), choice,
                                  choiceError = std::move(choiceError), completion = std::move(completion)]() mutable {
        if (identifier != kContentBlockerIdentifier) {
            completion(browserError(BrowserErrorCode::UnknownExtension, "No content blocker with identifier " + identifier));
            return;
        }
        if (!choice) {
            completion(std::move(choiceError));
            return;
        }
        std::error_code ec;
        if (!std::filesystem::is_regular_file(source, ec)) {
            completion(browserError(BrowserErrorCode::BlockerFileMissing,
                                    "The content-blocker file doesn't exist: " + source.string()));
            return;
        }
        if (choice->kind == BrowserKind::gnomeWeb) {
            compileAndPublish(source, std::move(store), identifier, std::move(completion));
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
