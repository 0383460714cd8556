#pragma once

#include <string>

namespace orvane {

// An error as the platform reports it: a domain, a code and a text for the user.
struct Error {
    std::string domain;
    long code = 0;
    std::string localizedDescription;

    bool operator==(const Error&) const = default;
};

} // namespace orvane
