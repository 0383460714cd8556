#include "app/CoreBridge.h"

#include "app/CloudSyncHooks.h"
#include "app/LaunchSequence.h"
#include "browser/ContentBlockerManager.h"
#include "browser/ExtensionSettings.h"
#include "catalog/DataManager.h"
#include "output/Communication.h"
#include "output/Safari.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"

namespace orvane::desktop::core {
namespace {

constexpr const char* kWindowFrameKey = "OrvaneWindow";

const char* identifier(Extension extension) {
    return extension == Extension::contentBlocker ? browser::kContentBlockerIdentifier
                                                  : browser::kSafariExtensionIdentifier;
}

browser::StateCompletion onMain(ExtensionStateAnswer answer) {
    return [answer = std::move(answer)](std::optional<browser::ExtensionState> state, std::optional<Error> error) {
        std::optional<bool> enabled;
        if (state) {
            enabled = state->isEnabled;
        }
        runOnMain([answer, enabled, text = error ? error->localizedDescription : std::string()] {
            answer(enabled, text);
        });
    };
}

std::optional<int> integer(const PropertyDictionary& dictionary, const char* key) {
    auto value = dictionary.find(key);
    if (value == dictionary.end()) {
        return std::nullopt;
    }
    auto number = value->second.asInteger();
    return number ? std::optional<int>(static_cast<int>(*number)) : std::nullopt;
}

} // namespace

struct RunningCore::Observation {
    std::unique_ptr<ExtensionSignalObservation> signals;
};

RunningCore::RunningCore() : observation_(std::make_unique<Observation>()) {}
RunningCore::~RunningCore() = default;

std::unique_ptr<RunningCore> launch(const WindowLaunchSteps& steps) {
    LaunchHooks hooks;
    hooks.firstLaunchExtensionCheck = steps.firstLaunchExtensionCheck;
    hooks.registerInformationMessages = steps.registerInformationMessages;
    addCloudSyncHooks(hooks);
    auto running = std::make_unique<RunningCore>();
    running->observation_->signals = runLaunchSequence(hooks);
    return running;
}

void importPackageFile(const std::filesystem::path& path) { DataManager::shared().importPackages(path); }

void queryExtensionState(Extension extension, ExtensionStateAnswer answer) {
    if (extension == Extension::contentBlocker) {
        browser::ContentBlockerManager::getStateOfContentBlocker(identifier(extension), onMain(std::move(answer)));
    } else {
        browser::SafariExtensionManager::getStateOfSafariExtension(identifier(extension), onMain(std::move(answer)));
    }
}

std::optional<bool> isExtensionEnabled(Extension extension, std::string& error) {
    Error failure;
    auto enabled = browser::isExtensionEnabled(identifier(extension), &failure);
    if (!enabled) {
        error = failure.localizedDescription;
    }
    return enabled;
}

bool setExtensionEnabled(Extension extension, bool enabled, std::string& error) {
    Error failure;
    if (!browser::setExtensionEnabled(identifier(extension), enabled, &failure)) {
        error = failure.localizedDescription;
        return false;
    }
    return true;
}

ObserverRegistration observeDisabledContentBlocker(std::function<void()> handler) {
    return ObserverRegistration(kBlockerExtensionDisabled,
                                [handler = std::move(handler)](const Notification&) { handler(); });
}

std::optional<WindowFrame> savedWindowFrame() {
    auto stored = UserDefaults::standard().dictionaryForKey(kWindowFrameKey);
    if (!stored) {
        return std::nullopt;
    }
    auto width = integer(*stored, "width");
    auto height = integer(*stored, "height");
    if (!width || !height) {
        return std::nullopt;
    }
    auto maximized = stored->find("maximized");
    return WindowFrame{*width, *height,
                       maximized != stored->end() && maximized->second.asBool().value_or(false)};
}

void saveWindowFrame(const WindowFrame& frame) {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set(kWindowFrameKey, PropertyDictionary{{"width", frame.width},
                                                     {"height", frame.height},
                                                     {"maximized", frame.maximized}});
    defaults.synchronize();
}

std::vector<std::string> preinstalledPackageNames() {
    DataManager::shared().loadPreinstalledPackagesIfEmpty();
    std::vector<std::string> names;
    for (const auto& package : *DataManager::shared().preinstalledPackages()) {
        names.push_back(package.name);
    }
    return names;
}

} // namespace orvane::desktop::core
