#pragma once

#include "support/TemporaryDirectory.h"

#include <filesystem>
#include <string>

namespace orvane::test {

// A fresh ORVANE_HOME (and resources folder) for one test; removed afterwards. Each test case
// runs in its own process, so the process-wide locations follow it.
class TempHome {
public:
    TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& home() const { return home_; }
    const std::filesystem::path& resources() const { return resources_; }
    std::filesystem::path shared() const { return home_ / "SharedContainer"; }
    std::filesystem::path documents() const { return home_ / "Documents"; }

private:
    TemporaryDirectory root_;
    std::filesystem::path home_;
    std::filesystem::path resources_;
};

void writeText(const std::filesystem::path& path, const std::string& text);
std::string readText(const std::filesystem::path& path);

} // namespace orvane::test
