#pragma once

#include "cloud/CloudError.h"
#include "cloud/CloudRecord.h"

#include <string>
#include <variant>
#include <vector>

namespace orvane {

// For whoever runs the cloud: every record posted to the public database of a container,
// oldest first. `cloud` is named as ORVANE_CLOUD names it: on PostgreSQL only the administrator's
// login may read them (a user's is refused with code 10); on SQLite they are the folder's file.
std::variant<std::vector<CloudRecord>, CloudError> publishedRecords(const std::string& cloud,
                                                                    const std::string& containerIdentifier);

} // namespace orvane
