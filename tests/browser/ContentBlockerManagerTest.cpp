#include "BrowserTestSupport.h"

#include "browser/BrowserError.h"
#include "browser/ContentBlockerManager.h"
#include "browser/ExtensionSettings.h"
#include "browser/FilterCompiler.h"
#include "platform/AtomicFile.h"
#include "platform/Locations.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>

using namespace orvane;
using namespace orvane::browser;
using namespace orvane::browser::testing;

namespace {

struct StateAnswer {
    std::optional<ExtensionState> state;
    std::optional<BrowserError> error;
};

using StateQuery = void (*)(const std::string&, StateCompletion);

std::optional<Delivery<StateAnswer>> queryState(StateQuery query, const std::string& identifier) {
    std::promise<Delivery<StateAnswer>> promise;
    auto future = promise.get_future();
    query(identifier, [&promise](std::optional<ExtensionState> state, std::optional<BrowserError> error) {
        promise.set_value({{state, std::move(error)}, std::this_thread::get_id()});
    });
    return awaitDelivery(future);
}

std::optional<Delivery<std::optional<BrowserError>>> reload(const std::string& identifier = kContentBlockerIdentifier) {
    std::promise<Delivery<std::optional<BrowserError>>> promise;
    auto future = promise.get_future();
    ContentBlockerManager::reloadContentBlocker(identifier, [&promise](std::optional<BrowserError> error) {
        promise.set_value({std::move(error), std::this_thread::get_id()});
    });
    return awaitDelivery(future);
}

void writeBlockerFile(const std::string& json) {
    ASSERT_TRUE(writeFileAtomically(sharedContainerDirectory() / "tmp.json", json));
}

bool storeHoldsFilter(const std::string& identifier) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(contentFilterStoreDirectory(), ec)) {
        const auto name = entry.path().filename().string();
        if (entry.is_regular_file() && entry.file_size() > 0 && name.size() >= identifier.size() &&
            name.compare(name.size() - identifier.size(), identifier.size(), identifier) == 0) {
            return true;
        }
    }
    return false;
}

constexpr const char* kValidBlockers =
    R"([{"trigger":{"url-filter":"^https?://([^/]+\\.)?doubleclick\\.net[/:]","load-type":["third-party"]},"action":{"type":"block"}},)"
    R"({"trigger":{"url-filter":".*","if-domain":["*example.com"]},"action":{"type":"css-display-none","selector":"#comments"}}])";

} // namespace

TEST(ExtensionStateQueries, AnswerFromTheSettingsOnAnotherThread) {
    TempHome home;
    ASSERT_TRUE(setExtensionEnabled(kSafariExtensionIdentifier, false));

    const auto blocker = queryState(ContentBlockerManager::getStateOfContentBlocker, kContentBlockerIdentifier);
    ASSERT_TRUE(blocker);
    EXPECT_NE(blocker->thread, std::this_thread::get_id());
    ASSERT_TRUE(blocker->answer.state.has_value());
    EXPECT_TRUE(blocker->answer.state->isEnabled);
    EXPECT_FALSE(blocker->answer.error.has_value());

    const auto extension = queryState(SafariExtensionManager::getStateOfSafariExtension, kSafariExtensionIdentifier);
    ASSERT_TRUE(extension);
    EXPECT_NE(extension->thread, std::this_thread::get_id());
    ASSERT_TRUE(extension->answer.state.has_value());
    EXPECT_FALSE(extension->answer.state->isEnabled);

    ASSERT_TRUE(setExtensionEnabled(kContentBlockerIdentifier, false));
    const auto switchedOff = queryState(ContentBlockerManager::getStateOfContentBlocker, kContentBlockerIdentifier);
    ASSERT_TRUE(switchedOff && switchedOff->answer.state);
    EXPECT_FALSE(switchedOff->answer.state->isEnabled);
}

TEST(ExtensionStateQueries, FailWithoutStateForUnreadableSettingsOrForeignIdentifiers) {
    TempHome home;
    const auto foreign = queryState(ContentBlockerManager::getStateOfContentBlocker, kSafariExtensionIdentifier);
    ASSERT_TRUE(foreign);
    EXPECT_FALSE(foreign->answer.state.has_value());
    ASSERT_TRUE(foreign->answer.error.has_value());
    EXPECT_EQ(foreign->answer.error->code, BrowserErrorCode::UnknownExtension);

    const auto unknown = queryState(SafariExtensionManager::getStateOfSafariExtension, "com.example.Nothing");
    ASSERT_TRUE(unknown && unknown->answer.error);
    EXPECT_EQ(unknown->answer.error->code, BrowserErrorCode::UnknownExtension);

    ASSERT_TRUE(writeFileAtomically(extensionSettingsFile(), "{"));
    for (auto [query, identifier] : {std::pair{StateQuery{ContentBlockerManager::getStateOfContentBlocker}, kContentBlockerIdentifier},
                                     std::pair{StateQuery{SafariExtensionManager::getStateOfSafariExtension}, kSafariExtensionIdentifier}}) {
        const auto answer = queryState(query, identifier);
        ASSERT_TRUE(answer);
        EXPECT_FALSE(answer->answer.state.has_value());
        ASSERT_TRUE(answer->answer.error.has_value());
        EXPECT_EQ(answer->answer.error->code, BrowserErrorCode::SettingsUnreadable);
    }
}

TEST(ContentBlockerReload, CompilesTheBlockerFileIntoTheStoreWithoutADisplay) {
    TempHome home;
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    writeBlockerFile(kValidBlockers);
    const auto result = reload();
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->answer.has_value()) << result->answer->message;
    EXPECT_NE(result->thread, std::this_thread::get_id());
    EXPECT_TRUE(storeHoldsFilter(kContentBlockerIdentifier));
    EXPECT_EQ(contentFilterStoreDirectory().parent_path(), sharedContainerDirectory());
}

TEST(ContentBlockerReload, PassesWebKitsRefusalOn) {
    const std::vector<std::pair<std::string, std::string>> refused{
        {R"([{"trigger":{"url-filter":"["},"action":{"type":"block"}}])", "Invalid or unsupported regular expression."},
        {R"([{"trigger":{"url-filter":"*ads*"},"action":{"type":"block"}}])", "Invalid or unsupported regular expression."},
        {R"([{"trigger":{"url-filter":".*","if-domain":[]},"action":{"type":"block"}}])",
         "Invalid list of if-domain, unless-domain, if-top-url, or unless-top-url conditions."},
        {"[]", "Empty extension."},
        {"[{", "Failed to parse the JSON String."},
    };
    for (const auto& [json, message] : refused) {
        SCOPED_TRACE(json);
        TempHome home;
        writeBlockerFile(json);
        const auto result = reload();
        ASSERT_TRUE(result);
        ASSERT_TRUE(result->answer.has_value());
        EXPECT_EQ(result->answer->message, message);
        EXPECT_EQ(result->answer->code, BrowserErrorCode::Refused);
        EXPECT_FALSE(storeHoldsFilter(kContentBlockerIdentifier));
    }
}

TEST(ContentBlockerReload, MissingBlockerFileOrForeignIdentifierIsAnError) {
    TempHome home;
    const auto missing = reload();
    ASSERT_TRUE(missing && missing->answer);
    EXPECT_EQ(missing->answer->code, BrowserErrorCode::BlockerFileMissing);
    EXPECT_NE(missing->answer->message.find("tmp.json"), std::string::npos);
    EXPECT_NE(missing->thread, std::this_thread::get_id());

    writeBlockerFile(kValidBlockers);
    const auto foreign = reload(kSafariExtensionIdentifier);
    ASSERT_TRUE(foreign && foreign->answer);
    EXPECT_EQ(foreign->answer->code, BrowserErrorCode::UnknownExtension);
    EXPECT_FALSE(storeHoldsFilter(kSafariExtensionIdentifier));
}

TEST(ContentBlockerReload, AChildThatCannotCompileIsAnErrorNotAHang) {
    struct Case {
        std::string script;
        BrowserErrorCode code;
        std::string description;
    };
    const std::vector<Case> cases{
        {"kill -SEGV $$", BrowserErrorCode::CompilerCrashed, "The content-blocker compiler crashed (signal 11: "},
        {"kill -KILL $$", BrowserErrorCode::CompilerFailed, "The content-blocker compiler was killed (signal 9: "},
        {"echo 'out of sorts' >&2; exit 3", BrowserErrorCode::CompilerFailed,
         "The content-blocker compiler failed with exit status 3: out of sorts"},
        {"echo garbled; exit 1", BrowserErrorCode::CompilerFailed, "The content-blocker compiler failed with exit status 1"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.script);
        TempHome home;
        writeBlockerFile(kValidBlockers);
        ScopedEnvironment compiler("ORVANE_FILTER_COMPILER", writeScript(home.home(), "compiler", testCase.script));
        const auto result = reload();
        ASSERT_TRUE(result && result->answer);
        EXPECT_EQ(result->answer->code, testCase.code);
        EXPECT_EQ(result->answer->message.rfind(testCase.description, 0), 0u)
            << result->answer->message;
    }
}

TEST(ContentBlockerReload, AMissingCompilerIsAnError) {
    TempHome home;
    writeBlockerFile(kValidBlockers);
    for (const auto& program : {home.home() / "nowhere", home.home()}) {
        ScopedEnvironment compiler("ORVANE_FILTER_COMPILER", program);
        const auto result = reload();
        ASSERT_TRUE(result && result->answer);
        EXPECT_EQ(result->answer->code, BrowserErrorCode::CompilerMissing);
        EXPECT_NE(result->answer->message.find(program.string()), std::string::npos);
    }
}

TEST(FilterCompilation, ACompilerThatRunsTooLongIsStopped) {
    TempHome home;
    writeBlockerFile(kValidBlockers);
    ScopedEnvironment compiler("ORVANE_FILTER_COMPILER", writeScript(home.home(), "compiler", "exec sleep 60"));
    std::promise<Delivery<std::optional<BrowserError>>> promise;
    auto future = promise.get_future();
    compileContentFilter(sharedContainerDirectory() / "tmp.json", contentFilterStoreDirectory(), kContentBlockerIdentifier,
                         std::chrono::milliseconds(200), [&promise](std::optional<BrowserError> error) {
                             promise.set_value({std::move(error), std::this_thread::get_id()});
                         });
    const auto result = awaitDelivery(future, std::chrono::seconds(30));
    ASSERT_TRUE(result && result->answer);
    EXPECT_EQ(result->answer->message, "The content-blocker compiler took too long and was stopped");
}

TEST(ContentBlockerReload, CompilesOneAtATimeInTheOrderAskedFor) {
    // Overlapping compiles could finish out of order and leave an older file's filter in the
    // store; the answers arrive in call order because the compiles run one after another.
    TempHome home;
    writeBlockerFile(kValidBlockers);
    std::mutex mutex;
    std::condition_variable done;
    std::vector<int> order;
    for (int i = 0; i < 4; ++i) {
        ContentBlockerManager::reloadContentBlocker(kContentBlockerIdentifier, [&, i](std::optional<BrowserError> error) {
            EXPECT_FALSE(error.has_value());
            std::lock_guard lock(mutex);
            order.push_back(i);
            done.notify_all();
        });
    }
    std::unique_lock lock(mutex);
    ASSERT_TRUE(done.wait_for(lock, std::chrono::minutes(2), [&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(storeHoldsFilter(kContentBlockerIdentifier));
}
