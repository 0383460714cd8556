#pragma once

#include "catalog/CatalogHooks.h"

#include <memory>

namespace orvane {

class BlockerPreferenceManager;

// The catalog's deletions forget their switches in the preference store: a deleted rule's
// disabled mark goes, and a deleted package and all its rules are enabled again.
class SwitchCleanup final : public DisabledMarks {
public:
    SwitchCleanup();
    void ruleRemoved(const Rule& rule, const std::string& packageId) override;
    void packageRemoved(const Package& package) override;

private:
    std::shared_ptr<BlockerPreferenceManager> preferences_;
};

} // namespace orvane
