#pragma once

#include "browser/BrowserError.h"
#include "support/TempHome.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>

namespace orvane::browser::testing {

using orvane::test::TempHome;

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) { ::setenv(name, value.c_str(), 1); }
    ~ScopedEnvironment() { ::unsetenv(name_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
};

// What a completion was called with, and on which thread.
template <typename Answer>
struct Delivery {
    Answer answer;
    std::thread::id thread;
};

// Waits for a completion; a completion that never comes fails the test instead of hanging it.
template <typename Answer>
std::optional<Delivery<Answer>> awaitDelivery(std::future<Delivery<Answer>>& future,
                                              std::chrono::seconds limit = std::chrono::seconds(120)) {
    if (future.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << "the completion was not called within " << limit.count() << " s";
        return std::nullopt;
    }
    return future.get();
}

inline std::filesystem::path writeScript(const std::filesystem::path& directory, const std::string& name,
                                         const std::string& body) {
    const auto path = directory / name;
    g_autoptr(GError) error = nullptr;
    const std::string script = "#!/bin/sh\n" + body + "\n";
    if (!g_file_set_contents(path.c_str(), script.c_str(), static_cast<gssize>(script.size()), &error)) {
        ADD_FAILURE() << error->message;
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

} // namespace orvane::browser::testing
