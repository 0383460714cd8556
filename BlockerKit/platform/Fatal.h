#pragma once

#include <string>

namespace orvane {

// Ends the process after a configuration fault of the installation; nothing is read or written
// after it. The message is logged, and written on standard error unless the log already goes
// there, so it appears once.
[[noreturn]] void fatalConfigurationFault(const std::string& message);

} // namespace orvane
