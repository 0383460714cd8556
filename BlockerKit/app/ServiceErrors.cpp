#include "app/ServiceErrors.h"

namespace orvane {

ServiceError unknownPackage(const std::string& packageId) {
    return ServiceError{ServiceErrorCode::UnknownPackage, "No package with id '" + packageId + "'"};
}

ServiceError unknownCustomPackage(const std::string& packageId, bool exists) {
    if (exists) {
        return ServiceError{ServiceErrorCode::NotEditable,
                            "Package '" + packageId + "' is not a custom package; only custom packages change this way"};
    }
    return unknownPackage(packageId);
}

ServiceError unknownRule(const std::string& ruleId, const std::string& packageId) {
    return ServiceError{ServiceErrorCode::UnknownRule, "No rule with id '" + ruleId + "' in package '" + packageId + "'"};
}

ServiceError serviceError(const CatalogError& error) {
    switch (error.code) {
    case CatalogErrorCode::PackageNotFound: return ServiceError{ServiceErrorCode::UnknownPackage, error.message};
    case CatalogErrorCode::RuleNotFound: return ServiceError{ServiceErrorCode::UnknownRule, error.message};
    case CatalogErrorCode::NotSaved: return ServiceError{ServiceErrorCode::NotSaved, error.message};
    }
    return ServiceError{ServiceErrorCode::NotSaved, error.message};
}

} // namespace orvane
