#pragma once

#include "platform/NotificationCenter.h"

#include <mutex>
#include <string>
#include <vector>

namespace orvane {

struct ShownMessage {
    std::string message;
    bool warning = false;

    bool operator==(const ShownMessage&) const = default;
};

// Records every "DisplayInformation" posted on the shared centre while it lives, from any
// thread. For front ends without a window that still have to tell the user what went wrong.
class ShownMessages {
public:
    ShownMessages();

    std::vector<ShownMessage> messages() const;

private:
    mutable std::mutex mutex_;
    std::vector<ShownMessage> messages_;
    // Last, so that it stops the deliveries before the list goes away.
    ObserverRegistration registration_;
};

} // namespace orvane
