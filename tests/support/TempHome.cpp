#include "support/TempHome.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace orvane::test {

TempHome::TempHome() : home_(root_ / "home"), resources_(root_ / "resources") {
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(resources_);
    ::setenv("ORVANE_HOME", home_.c_str(), 1);
    ::setenv("ORVANE_RESOURCES", resources_.c_str(), 1);
    ::setenv("ORVANE_CLOUD", "none", 1);
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

} // namespace orvane::test
