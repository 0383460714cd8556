// orvanectl inspect hands over to orvane-inspect, installed beside it: only that program links
// WebKit and GTK, which would otherwise add their loading to every command.

#include "InspectCommand.h"

#include "platform/Locations.h"
#include "platform/Log.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace orvane::cli {

int launchInspect(Arguments arguments) {
    const std::string program = (executableDirectory() / "orvane-inspect").string();
    std::vector<std::string> words{program};
    if (!logGoesToStandardError()) {
        words.emplace_back("--quiet");
    }
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    std::cerr << "orvanectl: cannot run " << program << ": " << std::strerror(errno) << "\n";
    return kExitFailure;
}

} // namespace orvane::cli
