#pragma once

#include "model/Records.h"
#include "platform/SerialQueue.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orvane {

inline constexpr const char* kDisabledUserPreferenceForPackages = "DisabledUserPreferenceForPackages";
inline constexpr const char* kDisabledUserPreferenceForRules = "DisabledUserPreferenceForRules";
inline constexpr const char* kWillSaveUserPreference = "WillSaveUserPreference";
inline constexpr const char* kDidSaveUserPreference = "DidSaveUserPreference";
inline constexpr const char* kRemotePreferenceSync = "RemotePreferenceSync";

// Package id → sorted ids of its disabled rules.
using DisabledRules = std::map<std::string, std::vector<std::string>>;

// Which packages and rules the user switched off, kept in the preference store of the process.
// Every owner makes its own instance; all of them share the store. Asynchronous writes run on
// the instance's serial queue and keep the instance alive until they have run.
class BlockerPreferenceManager : public std::enable_shared_from_this<BlockerPreferenceManager> {
    struct Private {};

public:
    static std::shared_ptr<BlockerPreferenceManager> create();
    explicit BlockerPreferenceManager(Private);

    std::vector<std::string> disabledPackages() const;
    bool isPackageDisabled(const Package& package) const;
    void setPackagesDisabled(const std::vector<Package>& packages, bool disabled);
    void enablePackage(const std::string& packageId);

    DisabledRules disabledRules() const;
    std::size_t disabledRuleCount(const std::string& packageId) const;
    bool isRuleDisabled(const Rule& rule, const std::string& packageId) const;
    void setRulesDisabled(const std::vector<Rule>& rules, const Package& package, bool disabled);
    std::vector<Rule> filterRules(const std::vector<Rule>& rules, const std::string& packageId, bool enabled) const;
    // For a rule being deleted; synchronous.
    bool removeDisabledRule(const Rule& rule, const std::string& packageId);

    // Rebuilds and reloads the content blocker; "DidSaveUserPreference" follows when it is done.
    void reloadContentBlocker();

    // Moves the two sets between the cloud key-value store and the group defaults.
    static void migrateToLocalStore();
    static void migrateToUbiquitousStore();
    // Applies the storage mode an older version left behind, once, at launch.
    static void restorePreV12StoreSetting();

    const SerialQueue& serialWriteQueue() const { return serialWriteQueue_; }

private:
    SerialQueue serialWriteQueue_;
};

} // namespace orvane
