// Two machines of one user, each an ORVANE_HOME driven through orvanectl, sharing one cloud:
// SQLite and PostgreSQL.

#include "cloud/TestClouds.h"
#include "model/JsonEncoding.h"
#include "platform/JsonText.h"
#include "support/BackgroundProgram.h"
#include "support/Fixtures.h"
#include "support/Json.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

struct RuleRow {
    std::string id;
    std::string name;
    std::string description;
    auto operator<=>(const RuleRow&) const = default;
};

struct PackageRow {
    std::string name;
    std::string section;
    std::vector<RuleRow> rules; // by id
    bool operator==(const PackageRow&) const = default;
};

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

class Machine {
public:
    Machine(std::string label, const std::string& cloud) : label_(std::move(label)) {
        environment_ = {{"ORVANE_HOME", (root_.path() / "home").string()},
                        {"ORVANE_RESOURCES", (root_.path() / "resources").string()},
                        {"ORVANE_CLOUD", cloud}};
        writeText(root_.path() / "resources" / "PreinstalledPackages.json",
                  *toJSONString(std::vector<Package>{makePackage("block-ads", "Ads", {blockRule("ads-1", "ads")})}));
    }

    ProgramResult run(const std::vector<std::string>& arguments) {
        auto result = orvanectl(arguments, "", environment_);
        EXPECT_EQ(result.exitCode, 0) << label_ << " orvanectl " << arguments.front() << ":\n" << result.err;
        return result;
    }
    // The id a command printed.
    std::string id(const std::vector<std::string>& arguments) { return trimmed(run(arguments).out); }

    std::map<std::string, std::size_t> sync() {
        std::map<std::string, std::size_t> moved;
        std::istringstream lines(run({"sync"}).out);
        for (std::string line; std::getline(lines, line);) {
            const auto colon = line.find(": ");
            if (colon != std::string::npos) {
                moved[line.substr(0, colon)] = std::stoul(line.substr(colon + 2));
            }
        }
        return moved;
    }

    // Every editable package with its rules, by id.
    std::map<std::string, PackageRow> catalog() {
        std::map<std::string, PackageRow> packages;
        JsonDocument list = parsed(run({"packages", "--json"}).out);
        for (const auto& package : list.GetArray()) {
            const std::string section = package["section"].GetString();
            if (section == "preinstalled") {
                continue;
            }
            const std::string id = package["id"].GetString();
            PackageRow row{package["name"].GetString(), section, {}};
            JsonDocument rules = parsed(run({"rules", id, "--json"}).out);
            for (const auto& rule : rules.GetArray()) {
                row.rules.push_back({rule["id"].GetString(), rule["name"].GetString(), rule["description"].GetString()});
            }
            std::sort(row.rules.begin(), row.rules.end());
            packages.emplace(id, std::move(row));
        }
        return packages;
    }

    // The entries of "tmp.json", each as compact JSON, sorted: the same blockers whatever the
    // order in which the packages arrived.
    std::vector<std::string> blockers() const {
        std::vector<std::string> entries;
        auto document = parseJson(readText(home() / "SharedContainer" / "tmp.json"));
        if (!document || !document->IsArray()) {
            return {"<unreadable>"};
        }
        for (const auto& entry : document->GetArray()) {
            entries.push_back(serializeJson(entry).value_or("<not UTF-8>"));
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    std::filesystem::path home() const { return root_.path() / "home"; }
    const Environment& environment() const { return environment_; }

private:
    std::string label_;
    orvane::testing::TemporaryDirectory root_;
    Environment environment_;
};

std::size_t ruleCount(const std::map<std::string, PackageRow>& catalog) {
    std::size_t count = 0;
    for (const auto& [id, package] : catalog) {
        count += package.rules.size();
    }
    return count;
}

bool hasDuplicateRuleIds(const std::map<std::string, PackageRow>& catalog) {
    std::set<std::string> seen;
    for (const auto& [id, package] : catalog) {
        for (const auto& rule : package.rules) {
            if (!seen.insert(rule.id).second) {
                return true;
            }
        }
    }
    return false;
}

bool hasRule(const std::map<std::string, PackageRow>& catalog, const std::string& packageId, const std::string& ruleId) {
    auto package = catalog.find(packageId);
    return package != catalog.end() &&
           std::any_of(package->second.rules.begin(), package->second.rules.end(),
                       [&](const RuleRow& rule) { return rule.id == ruleId; });
}

class TwoMachines : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "PostgreSQL") {
            ORVANE_REQUIRE_TEST_POSTGRES();
        }
        cloud_ = std::make_unique<orvane::testing::TestCloud>(GetParam());
        ASSERT_FALSE(cloud_->specification().empty());
        a_ = std::make_unique<Machine>("A", cloud_->specification());
        b_ = std::make_unique<Machine>("B", cloud_->specification());
    }

    // Syncs both until neither moves anything more, and checks that they agree.
    void converge() {
        for (int round = 0; round < 4; ++round) {
            auto fromA = a_->sync();
            auto fromB = b_->sync();
            if (fromA["pushed"] + fromA["deleted"] + fromB["pushed"] + fromB["deleted"] == 0 && round > 0) {
                break;
            }
        }
        a_->sync();
        const auto catalogA = a_->catalog();
        const auto catalogB = b_->catalog();
        EXPECT_EQ(catalogA, catalogB);
        EXPECT_FALSE(hasDuplicateRuleIds(catalogA));
        EXPECT_EQ(a_->blockers(), b_->blockers());
    }

    Machine& a() { return *a_; }
    Machine& b() { return *b_; }

private:
    std::unique_ptr<orvane::testing::TestCloud> cloud_;
    std::unique_ptr<Machine> a_;
    std::unique_ptr<Machine> b_;
};

} // namespace

TEST_P(TwoMachines, EditsRenamesAndDeletionsOnBothSidesConverge) {
    a().run({"launch"});
    b().run({"launch"});
    const std::string url = a().id({"add", "block-url", "--url-filter", "tracker\\.js"});
    const std::string shared = a().id({"package", "new", "Shared"});
    const std::string inShared = a().id({"add", shared, "block-url", "--url-filter", "shared\\.js"});
    const std::string hidden = b().id({"add", "hide-elements", "--selector", ".banner"});
    const std::string white = b().id({"add", "whitelist", "--domain", "good.example"});
    converge();
    auto catalog = b().catalog();
    EXPECT_TRUE(hasRule(catalog, "block-url", url));
    EXPECT_TRUE(hasRule(catalog, shared, inShared));
    EXPECT_TRUE(hasRule(catalog, "hide-elements", hidden));
    EXPECT_EQ(catalog.at(shared).name, "Shared");

    a().run({"package", "rename", shared, "Renamed"});
    a().run({"add", "block-url", "--rule-id", url, "--url-filter", "edited\\.js"});
    b().run({"remove", "hide-elements", hidden});
    const std::string addedByB = b().id({"add", shared, "block-cookies", "--domain", "cookies.example"});
    const std::string other = b().id({"package", "new", "Other"});
    converge();
    catalog = a().catalog();
    EXPECT_EQ(catalog.at(shared).name, "Renamed");
    EXPECT_TRUE(hasRule(catalog, shared, addedByB));
    EXPECT_FALSE(hasRule(catalog, "hide-elements", hidden));
    EXPECT_TRUE(catalog.contains(other));
    EXPECT_NE(catalog.at("block-url").rules.at(0).description.find("edited\\.js"), std::string::npos);

    b().run({"package", "delete", shared});
    a().run({"remove", "whitelist", white});
    a().run({"add", "block-url", "--url-filter", "late\\.js"});
    converge();
    catalog = b().catalog();
    EXPECT_FALSE(catalog.contains(shared));
    EXPECT_FALSE(hasRule(catalog, "whitelist", white));
    EXPECT_EQ(ruleCount(catalog), 2u);
}

TEST_P(TwoMachines, ConflictingEditsOfOneRuleAreMergedIntoTheLastUpload) {
    a().run({"launch"});
    const std::string rule = a().id({"add", "block-url", "--url-filter", "base\\.js"});
    auto firstSync = b().run({"sync"});
    // Both machines queued the five configurable packages at their first start.
    EXPECT_NE(firstSync.err.find("Local record is a full duplicate of server version, minus metadata"),
              std::string::npos);

    a().run({"add", "block-url", "--rule-id", rule, "--url-filter", "from-a\\.js"});
    auto edit = b().run({"add", "block-url", "--rule-id", rule, "--url-filter", "from-b\\.js"});
    EXPECT_NE(edit.err.find("Merging " + rule), std::string::npos) << edit.err;
    converge();
    auto catalog = a().catalog();
    ASSERT_EQ(catalog.at("block-url").rules.size(), 1u);
    EXPECT_NE(catalog.at("block-url").rules[0].description.find("from-b\\.js"), std::string::npos);
}

TEST_P(TwoMachines, ChangesMadeWithoutAnAccountGoUpOnceTheAccountIsThere) {
    Environment offline = a().environment();
    offline.back().second = "none";
    auto queued = orvanectl({"add", "block-url", "--url-filter", "offline\\.js"}, "", offline);
    ASSERT_EQ(queued.exitCode, 0) << queued.err;
    EXPECT_NE(queued.err.find("No account"), std::string::npos) << queued.err;
    const std::string rule = trimmed(queued.out);

    EXPECT_GE(a().sync()["pushed"], 6u);
    b().sync();
    EXPECT_TRUE(hasRule(b().catalog(), "block-url", rule));
}

TEST_P(TwoMachines, AWatchingMachinePicksUpRulesAndSwitchesFromTheOther) {
    a().run({"launch"});
    b().run({"launch"});
    BackgroundProgram watch("orvanectl", {"watch"}, b().environment());
    ASSERT_TRUE(watch.started()) << watch.output();
    ASSERT_TRUE(watch.waitForOutput("Watching", 30s)) << watch.output();

    a().id({"add", "block-url", "--url-filter", "pushed\\.js"});
    EXPECT_TRUE(watch.waitForOutput("Got remote notification, from CloudKit", 10s)) << watch.output();
    auto rebuilt = [&] { return a().blockers() == b().blockers(); };
    for (int i = 0; i < 100 && !rebuilt(); ++i) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(rebuilt());
    EXPECT_NE(readText(b().home() / "SharedContainer" / "tmp.json").find("pushed"), std::string::npos);

    // The switches are kept in the cloud key-value store: B rebuilds without the package.
    a().run({"disable", "block-url"});
    EXPECT_TRUE(watch.waitForOutput("Ubiq store got remote changes!", 10s)) << watch.output();
    auto dropped = [&] {
        return readText(b().home() / "SharedContainer" / "tmp.json").find("pushed") == std::string::npos;
    };
    for (int i = 0; i < 100 && !dropped(); ++i) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(dropped());
    EXPECT_EQ(watch.interrupt(), 0) << watch.output();
}

INSTANTIATE_TEST_SUITE_P(Clouds, TwoMachines, ::testing::Values("SQLite", "PostgreSQL"));
