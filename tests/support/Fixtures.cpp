#include "support/Fixtures.h"

#include "model/JsonEncoding.h"
#include "platform/Locations.h"
#include "support/TempHome.h"

namespace orvane::test {

Rule blockRule(const std::string& id, const std::string& urlFilter, const std::string& name) {
    Trigger trigger;
    trigger.urlFilter = urlFilter.empty() ? id : urlFilter;
    return Rule{id, name.empty() ? "Block " + trigger.urlFilter : name, Blocker{trigger, Action{ActionType::Block, {}}}};
}

Package makePackage(const std::string& id, const std::string& name, std::vector<Rule> rules) {
    return Package{id, name, std::move(rules)};
}

void writeSharedPackages(const std::string& fileName, const std::vector<Package>& packages) {
    writeText(sharedContainerDirectory() / fileName, *toJSONString(packages));
}

} // namespace orvane::test
