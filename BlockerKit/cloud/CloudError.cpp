#include "cloud/CloudError.h"

namespace orvane {

CloudError CloudError::make(long code, std::string description) {
    CloudError error;
    error.code = code;
    error.localizedDescription = std::move(description);
    return error;
}

const CloudError* CloudError::partialError(const CloudItemID& item) const {
    for (const auto& entry : partialErrors) {
        if (entry.itemID == item) {
            return &entry.error;
        }
    }
    return nullptr;
}

} // namespace orvane
