#pragma once

#include "cloud/CloudError.h"

#include <optional>
#include <string>
#include <variant>

namespace orvane {

// For whoever runs the cloud server, connected as a role that may create roles and schemas.

// Creates or updates the schema "orvane", its tables, row-level security and the group role
// "orvane_users". Safe to run again and from several connections at once.
std::optional<CloudError> initializeCloudSchema(const std::string& adminURI);

// Creates a login role for a user (a member of "orvane_users") with a random password and
// answers the URI the user's ORVANE_CLOUD names. Names are lower-case letters, digits and
// underscores, starting with a letter.
std::variant<std::string, CloudError> addCloudUser(const std::string& adminURI, const std::string& userName);

} // namespace orvane
