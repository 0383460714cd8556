#include "CloudCommand.h"

#include "ReportCommands.h"

#include "cloud/CloudContainer.h"
#include "cloud/KeyValueStore.h"
#include "cloud/PostgresSchema.h"
#include "cloud/RemoteNotifications.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <iostream>
#include <optional>

namespace orvane::cli {
namespace {

const Command kCloud{"cloud", kCloudUsage, runCloud};

int printError(const CloudError& error) {
    std::cerr << "orvanectl: error " << error.code << ": " << error.localizedDescription << "\n";
    return kExitFailure;
}

int status() {
    std::atomic<bool> done{false};
    AccountStatus answer = AccountStatus::couldNotDetermine;
    std::optional<CloudError> failure;
    CloudContainer::containerWithIdentifier("iCloud.larkmoor.Blocker")
        ->accountStatus([&](AccountStatus status, const std::optional<CloudError>& error) {
            answer = status;
            failure = error;
            done = true;
        });
    runMainLoopUntil([&] { return done.load(); }, std::chrono::hours(1));
    if (failure) {
        return printError(*failure);
    }
    std::cout << accountStatusText(answer) << "\n";
    return kExitOk;
}

std::optional<long> number(const std::string& text) {
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0) {
        return std::nullopt;
    }
    return value;
}

int watch(Arguments arguments) {
    long count = 1;
    long timeout = 60;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        auto value = i + 1 < arguments.size() ? number(arguments[i + 1]) : std::nullopt;
        if (!value || (arguments[i] != "--count" && arguments[i] != "--timeout")) {
            return usageError(kCloud, "cloud watch takes --count N and --timeout SECONDS");
        }
        (arguments[i] == "--count" ? count : timeout) = *value;
    }
    long seen = 0;
    bool failed = false;
    auto print = [&](const std::string& line) {
        std::cout << line << std::endl;
        ++seen;
    };
    ObserverRegistration pushes(kCloudRemoteNotification, [&](const Notification& note) {
        auto push = CloudNotification::fromUserInfo(note.userInfo);
        if (push) {
            print("push " + push->containerIdentifier + " " + push->recordZoneID.zoneName + " " + push->subscriptionID);
        }
    });
    ObserverRegistration values(kKeyValueStoreDidChangeExternally,
                                [&](const Notification&) { print("key-value change"); });
    KeyValueStore::shared();
    RemoteNotifications::shared().registerForRemoteNotifications([&](const std::optional<CloudError>& error) {
        if (error) {
            failed = true;
            printError(*error);
        } else {
            std::cout << "ready" << std::endl;
        }
    });
    runMainLoopUntil([&] { return failed || seen >= count; }, std::chrono::seconds(timeout));
    return !failed && seen >= count ? kExitOk : kExitFailure;
}

} // namespace

int runCloud(Arguments arguments) {
    if (arguments.empty()) {
        return usageError(kCloud, "cloud needs a subcommand");
    }
    const std::string& sub = arguments.front();
    if (sub == "init" && arguments.size() == 2) {
        if (auto error = initializeCloudSchema(arguments[1])) {
            return printError(*error);
        }
        std::cout << "The cloud schema is ready.\n";
        return kExitOk;
    }
    if (sub == "add-user" && arguments.size() == 3) {
        auto answer = addCloudUser(arguments[1], arguments[2]);
        if (const auto* error = std::get_if<CloudError>(&answer)) {
            return printError(*error);
        }
        std::cout << "User " << arguments[2] << " can connect with:\n"
                  << "  export ORVANE_CLOUD='" << std::get<std::string>(answer) << "'\n";
        return kExitOk;
    }
    if (sub == "status" && arguments.size() == 1) {
        return status();
    }
    if (sub == "watch") {
        return watch(arguments.subspan(1));
    }
    if (sub == "reports") {
        return runCloudReports(arguments.subspan(1));
    }
    return usageError(kCloud, "unknown cloud subcommand or wrong arguments");
}

} // namespace orvane::cli
