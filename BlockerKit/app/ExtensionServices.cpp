#include "app/ExtensionServices.h"

#include "browser/ContentBlockerManager.h"
#include "browser/ExtensionSettings.h"
#include "output/Safari.h"
#include "platform/MainQueue.h"

namespace orvane {
namespace {

const char* identifier(BrowserExtension extension) {
    return extension == BrowserExtension::contentBlocker ? browser::kContentBlockerIdentifier
                                                         : browser::kSafariExtensionIdentifier;
}

browser::StateCompletion onMain(ExtensionStateAnswer answer) {
    return [answer = std::move(answer)](std::optional<browser::ExtensionState> state,
                                        std::optional<browser::BrowserError> error) {
        std::optional<bool> enabled;
        if (state) {
            enabled = state->isEnabled;
        }
        runOnMain([answer, enabled, text = error ? error->message : std::string()] { answer(enabled, text); });
    };
}

} // namespace

void queryExtensionState(BrowserExtension extension, ExtensionStateAnswer answer) {
    if (extension == BrowserExtension::contentBlocker) {
        browser::ContentBlockerManager::getStateOfContentBlocker(identifier(extension), onMain(std::move(answer)));
    } else {
        browser::SafariExtensionManager::getStateOfSafariExtension(identifier(extension), onMain(std::move(answer)));
    }
}

std::optional<bool> isExtensionEnabled(BrowserExtension extension, std::string& error) {
    browser::BrowserError failure;
    auto enabled = browser::isExtensionEnabled(identifier(extension), &failure);
    if (!enabled) {
        error = failure.message;
    }
    return enabled;
}

bool setExtensionEnabled(BrowserExtension extension, bool enabled, std::string& error) {
    browser::BrowserError failure;
    if (!browser::setExtensionEnabled(identifier(extension), enabled, &failure)) {
        error = failure.message;
        return false;
    }
    return true;
}

ObserverRegistration observeDisabledContentBlocker(std::function<void()> handler) {
    return ObserverRegistration(kBlockerExtensionDisabled,
                                [handler = std::move(handler)](const Notification&) { handler(); });
}

} // namespace orvane
