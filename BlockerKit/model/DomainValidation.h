#pragma once

#include <string>
#include <vector>

namespace orvane {

// Whether every domain of a prepared list may go into a domain filter. On the first problem it
// shows one warning ("Domain list is empty", "Domain field is empty" or "Invalid domain: '…'")
// and answers false without looking further.
bool validateDomainList(const std::vector<std::string>& domains);

} // namespace orvane
