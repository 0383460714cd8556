#include "cloud/RecordValidation.h"

#include "cloud/RecordCoding.h"

#include <algorithm>
#include <cctype>

namespace orvane {
namespace {

constexpr std::size_t kMaximumNameLength = 255;

bool isIdentifier(const std::string& name) {
    return !name.empty() && name.size() <= kMaximumNameLength &&
           std::isalpha(static_cast<unsigned char>(name.front())) != 0 &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; });
}

CloudError invalid(std::string description) {
    return CloudError::make(CloudErrorCode::invalidArguments, std::move(description));
}

} // namespace

std::optional<CloudError> zoneNameError(const std::string& zoneName, bool custom) {
    if (zoneName.empty() || zoneName.size() > kMaximumNameLength || (custom && zoneName.front() == '_')) {
        return invalid("Invalid zone name '" + zoneName + "'");
    }
    return std::nullopt;
}

std::optional<CloudError> recordError(const CloudRecord& record) {
    const RecordID& id = record.recordID();
    if (!isIdentifier(record.recordType())) {
        return invalid("Invalid record type '" + record.recordType() + "'");
    }
    if (id.recordName.empty() || id.recordName.size() > kMaximumNameLength) {
        return invalid("Invalid record name '" + id.recordName + "'");
    }
    if (auto error = zoneNameError(id.zoneID.zoneName, id.zoneID.zoneName != kDefaultZoneName)) {
        return error;
    }
    for (const auto& [key, value] : record.fields()) {
        if (!isIdentifier(key)) {
            return invalid("Invalid key '" + key + "' in record '" + id.recordName + "'");
        }
        if (const auto* reference = std::get_if<RecordReference>(&value)) {
            if (reference->recordID.zoneID != id.zoneID || reference->recordID.recordName.empty()) {
                return invalid("Record '" + id.recordName + "' links to a record of another zone under '" + key + "'");
            }
        }
    }
    auto encoded = encodeRecordFields(record.fields());
    if (!encoded) {
        return invalid("Record '" + id.recordName + "' holds text that is not UTF-8 or a number that is not finite");
    }
    if (encoded->size() > kMaximumRecordSize) {
        return CloudError::make(CloudErrorCode::limitExceeded, "Record '" + id.recordName + "' is too large");
    }
    return std::nullopt;
}

} // namespace orvane
