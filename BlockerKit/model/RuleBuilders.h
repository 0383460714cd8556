#pragma once

#include "model/Records.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// One builder per editor kind. Each checks its input in a fixed order; on the first failure it
// shows exactly one warning and builds nothing. A built rule keeps `id` when one is given (an
// edited rule keeps its identity), else gets a fresh UUID; without a name it gets a default one.
// Every trigger is case-sensitive.

std::optional<Rule> buildCookiesRule(std::optional<LoadType> loadType, std::optional<DomainFilter> domainFilter,
                                     std::optional<std::string> id, std::optional<std::string> name);

// An empty `resourceTypes` means every type and leaves the list absent.
std::optional<Rule> buildURLRule(const std::string& urlFilter, std::vector<ResourceType> resourceTypes,
                                 std::optional<LoadType> loadType, std::optional<DomainFilter> domainFilter,
                                 std::optional<std::string> id, std::optional<std::string> name);

std::optional<Rule> buildMakeHttpsRule(std::vector<std::string> domains, std::optional<std::string> id,
                                       std::optional<std::string> name);

std::optional<Rule> buildWhitelistRule(std::vector<std::string> domains, std::optional<std::string> id,
                                       std::optional<std::string> name);

std::optional<Rule> buildCSSRule(const std::string& selector, std::optional<DomainFilter> domainFilter,
                                 std::optional<std::string> id, std::optional<std::string> name);

} // namespace orvane
