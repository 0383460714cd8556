#include "platform/ShownMessages.h"

namespace orvane {

ShownMessages::ShownMessages()
    : registration_(kDisplayInformation, [this](const Notification& notification) {
          std::lock_guard lock(mutex_);
          messages_.push_back(
              {notification.stringValue("message").value_or(""), notification.boolValue("warning").value_or(false)});
      }) {}

std::vector<ShownMessage> ShownMessages::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

} // namespace orvane
