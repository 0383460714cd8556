#pragma once

#include "cloud/CloudRecord.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace orvane {

// The codes of the record store that its callers act on.
struct CloudErrorCode {
    static constexpr long internalError = 1;
    static constexpr long partialFailure = 2;
    static constexpr long networkFailure = 4;
    static constexpr long serviceUnavailable = 6;
    static constexpr long requestRateLimited = 7;
    static constexpr long notAuthenticated = 9;
    static constexpr long permissionFailure = 10;
    static constexpr long unknownItem = 11;
    static constexpr long invalidArguments = 12;
    static constexpr long serverRecordChanged = 14;
    static constexpr long serverRejectedRequest = 15;
    static constexpr long operationCancelled = 20;
    static constexpr long batchRequestFailed = 22;
    static constexpr long zoneBusy = 23;
    static constexpr long zoneNotFound = 26;
    static constexpr long limitExceeded = 27;
};

// What a per-item error is about: a record, a zone, or a subscription (by its id).
using CloudItemID = std::variant<RecordID, RecordZoneID, std::string>;

struct CloudItemError;

struct CloudError {
    static constexpr const char* kDomain = "CKErrorDomain";

    std::string domain = kDomain;
    long code = 0;
    std::string localizedDescription;
    // Partial failure (code 2): the error of each item of the request.
    std::vector<CloudItemError> partialErrors;
    // Server record changed (code 14).
    std::optional<CloudRecord> serverRecord;
    std::optional<CloudRecord> clientRecord;
    std::optional<CloudRecord> ancestorRecord;
    // How long to wait before trying again, when the server says.
    std::optional<double> retryAfterSeconds;

    static CloudError make(long code, std::string description);

    const CloudError* partialError(const CloudItemID& item) const;
};

struct CloudItemError {
    CloudItemID itemID;
    CloudError error;
};

} // namespace orvane
