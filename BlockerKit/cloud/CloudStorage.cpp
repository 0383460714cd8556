#include "cloud/CloudStorage.h"

namespace orvane {

std::vector<std::optional<StoredRecord>> CloudTransaction::loadRecords(const std::vector<RecordID>& ids) {
    std::vector<std::optional<StoredRecord>> records;
    records.reserve(ids.size());
    for (const auto& id : ids) {
        records.push_back(loadRecord(id));
    }
    return records;
}

void CloudTransaction::putRecords(const std::vector<StoredRecord>& records) {
    for (const auto& record : records) {
        putRecord(record);
    }
}

} // namespace orvane
