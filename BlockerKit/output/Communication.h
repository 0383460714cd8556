#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orvane {

// Signals between the application and its browser extension, written as fresh values under
// agreed keys of the group defaults.
enum class Message { reloadTab, reloadRulesFromDisk };

std::string_view rawValue(Message message);

inline constexpr const char* kPausedKey = "paused";

// Keeps the application's observation of the extension's signals ("paused",
// "reloadRulesFromDisk") alive; each change triggers a rebuild as the application does it.
class ExtensionSignalObservation {
public:
    ExtensionSignalObservation();
    ~ExtensionSignalObservation();
    ExtensionSignalObservation(const ExtensionSignalObservation&) = delete;
    ExtensionSignalObservation& operator=(const ExtensionSignalObservation&) = delete;

private:
    std::vector<std::uint64_t> tokens_;
};

class Communication {
public:
    static void send(Message message);
    // What the application does when an observed key changes.
    static void handleChange(std::string_view key);
};

} // namespace orvane
