#include "platform/Fatal.h"

#include "platform/Log.h"

#include <cstdio>
#include <cstdlib>

namespace orvane {

void fatalConfigurationFault(const std::string& message) {
    log(message);
    if (!logGoesToStandardError()) {
        std::fputs((message + "\n").c_str(), stderr);
    }
    std::_Exit(EXIT_FAILURE);
}

} // namespace orvane
