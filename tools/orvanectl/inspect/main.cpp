// orvane-inspect: `orvanectl inspect` in a program of its own (see InspectCommand.h).

#include "InspectCommand.h"

#include "platform/Log.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    orvane::logToStandardError();
    if (!arguments.empty() && arguments.front() == "--quiet") {
        orvane::logToNowhere();
        arguments.erase(arguments.begin());
    }
    return orvane::cli::runInspect(orvane::cli::Arguments(arguments));
}
