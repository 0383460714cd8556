// orvanectl: the command-line front end over the same core as the application.

#include "Command.h"
#include "Commands.h"

#include "platform/Log.h"

#include <array>
#include <iostream>
#include <string>
#include <vector>

namespace orvane::cli {
namespace {

void printHelp(std::ostream& out) {
    out << "Usage: orvanectl [--quiet] COMMAND [ARGUMENTS]\n\n"
           "Manages the content-blocking rules of Orvane from the command line. It works on the same\n"
           "ORVANE_HOME, ORVANE_RESOURCES and ORVANE_CLOUD as the application. Log lines go to standard\n"
           "error; --quiet silences them.\n\nCommands:\n";
    for (const Command& command : commands()) {
        out << "  " << command.usage << "\n";
    }
}

} // namespace

} // namespace orvane::cli

int main(int argc, char** argv) {
    using namespace orvane::cli;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    orvane::logToStandardError();
    if (!arguments.empty() && arguments.front() == "--quiet") {
        orvane::logToNowhere();
        arguments.erase(arguments.begin());
    }
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "-h" ||
        arguments.front() == "help") {
        printHelp(std::cout);
        return arguments.empty() ? kExitUsage : kExitOk;
    }
    for (const Command& command : commands()) {
        if (command.name == arguments.front()) {
            return command.run(Arguments(arguments).subspan(1));
        }
    }
    std::cerr << "orvanectl: unknown command '" << arguments.front() << "'\n";
    printHelp(std::cerr);
    return kExitUsage;
}
