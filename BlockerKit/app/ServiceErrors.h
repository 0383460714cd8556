#pragma once

#include "app/ServiceError.h"
#include "catalog/CatalogError.h"

#include <string>

namespace orvane {

// The errors the services share.

ServiceError unknownPackage(const std::string& packageId);
// A package that is not a custom one: unknown, or one the user cannot change.
ServiceError unknownCustomPackage(const std::string& packageId, bool exists);
ServiceError unknownRule(const std::string& ruleId, const std::string& packageId);
ServiceError serviceError(const CatalogError& error);

} // namespace orvane
