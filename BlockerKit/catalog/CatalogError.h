#pragma once

#include "platform/Expected.h"

#include <string>

namespace orvane {

enum class CatalogErrorCode {
    PackageNotFound, // no configurable or custom package has the id
    RuleNotFound,    // the package holds no such rule
    NotSaved,        // a package file could not be written; the lists are as they were
};

struct CatalogError {
    CatalogErrorCode code;
    std::string message;
};

template <typename T>
using CatalogResult = Expected<T, CatalogError>;

} // namespace orvane
