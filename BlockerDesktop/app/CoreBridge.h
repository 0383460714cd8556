#pragma once

#include "app/BuildInfo.h"
#include "app/CoreServices.h"
#include "app/ExtensionServices.h"
#include "app/ListNotifications.h"
#include "app/PageInspector.h"
#include "app/ProblemReports.h"
#include "app/RuleListQuery.h"
#include "app/RuleListSnapshot.h"
#include "app/StorageMode.h"
#include "app/WindowFrame.h"
#include "model/Description.h"
#include "model/EditorKinds.h"
#include "model/RejectedRule.h"
#include "platform/NotificationCenter.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The application's one door to the core: everything here is an application service of
// BlockerKit/app/. Nothing else in BlockerDesktop includes a core header beyond this file, the
// platform helpers and the records.
namespace orvane::desktop::core {

using Extension = BrowserExtension;
using orvane::applicationVersion;
using orvane::buildNumber;
using orvane::ExtensionStateAnswer;
using orvane::InspectionFigures;
using orvane::isExtensionEnabled;
using orvane::newPageInspection;
using orvane::observeDisabledContentBlocker;
using orvane::PageInspection;
using orvane::postReport;
using orvane::preinstalledPackageNames;
using orvane::prepareReport;
using orvane::queryExtensionState;
using orvane::rawValue;
using orvane::ReloadOutcome;
using orvane::Report;
using orvane::ReportingMachine;
using orvane::reportingMachine;
using orvane::ReportType;
using orvane::savedWindowFrame;
using orvane::saveWindowFrame;
using orvane::ServiceErrorCode;
using orvane::ServiceResult;
using orvane::setExtensionEnabled;
using orvane::setStorePreferencesLocally;
using orvane::storesPreferencesLocally;
using orvane::WindowFrame;

// The package and rule lists and the editors' routing.
using orvane::CoreServices;
using orvane::descriptionText;
using orvane::editorIDForKind;
using orvane::editorKindForAction;
using orvane::packageKind;
using orvane::EnabledFilter;
using orvane::PackageSection;
using orvane::packageSnapshot;
using orvane::PackageSnapshot;
using orvane::PackageSummary;
using orvane::RuleListSnapshot;
using orvane::RuleSearch;
using orvane::sectionTitle;
inline constexpr const char* kDidSavePackages = orvane::notifications::kDidSavePackages;
inline constexpr const char* kDidImportBlockers = orvane::notifications::kDidImportBlockers;
inline constexpr const char* kDidSaveUserPreference = orvane::notifications::kDidSaveUserPreference;
inline constexpr const char* kRemotePreferenceSync = orvane::notifications::kRemotePreferenceSync;
// The rule a "DisplayInformation" about a list WebKit refused names, when it names one.
inline constexpr const char* kRejectedPackageIdKey = orvane::kRejectedPackageIdKey;
inline constexpr const char* kRejectedRuleIdKey = orvane::kRejectedRuleIdKey;

// The window's own steps of the launch; the cloud steps are added as the application takes them.
struct WindowLaunchSteps {
    std::function<void()> firstLaunchExtensionCheck;
    std::function<void()> registerInformationMessages;
};

// The core as the running application holds it: its services, and the observation of the
// browser extension's signals that the launch started.
class RunningCore {
public:
    RunningCore();
    ~RunningCore();
    RunningCore(const RunningCore&) = delete;
    RunningCore& operator=(const RunningCore&) = delete;

    CoreServices& services() { return *services_; }

    // Merges the packages of a package file into the catalog, tells the user, and moves the file
    // to the Trash; every failure is the import's to report.
    void importPackageFile(const std::filesystem::path& path);

private:
    friend std::unique_ptr<RunningCore> launch(const WindowLaunchSteps& steps);
    struct Observation;
    std::unique_ptr<CoreServices> services_;
    std::unique_ptr<Observation> observation_;
};

// Brings the core up and runs the launch sequence on the main thread with the window's steps,
// sync start and remote notifications. The core runs for as long as the answer lives.
std::unique_ptr<RunningCore> launch(const WindowLaunchSteps& steps);

} // namespace orvane::desktop::core
