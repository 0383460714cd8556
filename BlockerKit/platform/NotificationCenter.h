#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace orvane {

using UserInfoValue = std::variant<bool, std::int64_t, double, std::string>;
using UserInfo = std::map<std::string, UserInfoValue>;

struct Notification {
    std::string name;
    // Identifies the sender for observers that compare it; never dereferenced.
    const void* object = nullptr;
    UserInfo userInfo;

    std::optional<std::string> stringValue(const std::string& key) const;
    std::optional<bool> boolValue(const std::string& key) const;
};

// Named notifications between subsystems. Observers run on the thread that posts, or on the
// main thread for asynchronous posts.
class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    // The default centre of the process.
    static NotificationCenter& shared();

    Token addObserver(std::string name, Observer observer);
    void removeObserver(Token token);

    // Delivers to the observers registered now, on the calling thread.
    void post(const Notification& notification);
    void post(std::string name, const void* object = nullptr, UserInfo userInfo = {});

    // Delivers later on the main thread (the default GLib main context).
    void postOnMain(Notification notification);

private:
    struct Entry {
        Token token;
        std::string name;
        std::shared_ptr<Observer> observer;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
    Token nextToken_ = 1;
};

// Keeps an observer registered for as long as it lives.
class ObserverRegistration {
public:
    ObserverRegistration() = default;
    ObserverRegistration(std::string name, NotificationCenter::Observer observer,
                         NotificationCenter& center = NotificationCenter::shared());
    ObserverRegistration(ObserverRegistration&& other) noexcept;
    ObserverRegistration& operator=(ObserverRegistration&& other) noexcept;
    ObserverRegistration(const ObserverRegistration&) = delete;
    ObserverRegistration& operator=(const ObserverRegistration&) = delete;
    ~ObserverRegistration();

private:
    NotificationCenter* center_ = nullptr;
    NotificationCenter::Token token_ = 0;
};

inline constexpr const char* kDisplayInformation = "DisplayInformation";

// Tells the user something: posts "DisplayInformation" with "message" and "warning",
// synchronously on the calling thread.
void showMessage(const std::string& message, bool warning);

} // namespace orvane
