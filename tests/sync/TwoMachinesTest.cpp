// Two machines of one user, each an ORVANE_HOME driven through orvanectl, sharing one cloud:
// SQLite and PostgreSQL.

#include "cloud/TestClouds.h"
#include "model/JsonEncoding.h"
#include "support/BackgroundProgram.h"
#include "support/Fixtures.h"
#include "support/Json.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <thread>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

// Package id → its name and its rules as "id name: description", sorted.
using Catalog = std::map<std::string, std::pair<std::string, std::vector<std::string>>>;

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

class Machine {
public:
    explicit Machine(const std::string& cloud)
        : environment_{{"ORVANE_HOME", home().string()},
                       {"ORVANE_RESOURCES", (root_.path() / "resources").string()},
                       {"ORVANE_CLOUD", cloud}} {
        writeText(root_.path() / "resources" / "PreinstalledPackages.json",
                  *toJSONString(std::vector<Package>{makePackage("block-ads", "Ads", {blockRule("ads-1", "ads")})}));
    }

    ProgramResult run(const std::vector<std::string>& arguments) {
        auto result = orvanectl(arguments, "", environment_);
        EXPECT_EQ(result.exitCode, 0) << "orvanectl " << arguments.front() << ":\n" << result.err;
        return result;
    }
    // What the command printed first: the id of what it made.
    std::string id(const std::vector<std::string>& arguments) { return firstLine(run(arguments).out); }

    std::map<std::string, std::size_t> sync() {
        std::map<std::string, std::size_t> moved;
        std::istringstream lines(run({"sync"}).out);
        for (std::string line; std::getline(lines, line);) {
            moved[line.substr(0, line.find(": "))] = std::stoul(line.substr(line.find(": ") + 2));
        }
        return moved;
    }

    Catalog catalog() {
        Catalog catalog;
        JsonDocument packages = parsed(run({"packages", "--json"}).out);
        for (const auto& package : packages.GetArray()) {
            if (std::string(package["section"].GetString()) == "preinstalled") {
                continue;
            }
            auto& [name, rules] = catalog[package["id"].GetString()];
            name = package["name"].GetString();
            JsonDocument list = parsed(run({"rules", package["id"].GetString(), "--json"}).out);
            for (const auto& rule : list.GetArray()) {
                rules.push_back(std::string(rule["id"].GetString()) + " " + rule["name"].GetString() + ": " +
                                rule["description"].GetString());
            }
            std::sort(rules.begin(), rules.end());
        }
        return catalog;
    }

    // "tmp.json"'s entries, sorted: the same blockers whatever order the packages arrived in.
    std::vector<std::string> blockers() const {
        std::vector<std::string> entries;
        JsonDocument document = parsed(readText(home() / "SharedContainer" / "tmp.json"));
        for (const auto& entry : document.GetArray()) {
            entries.push_back(serializeJson(entry).value_or(""));
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }
    std::string blockerFile() const { return readText(home() / "SharedContainer" / "tmp.json"); }

    std::filesystem::path home() const { return root_.path() / "home"; }
    const Environment& environment() const { return environment_; }

private:
    orvane::test::TemporaryDirectory root_;
    Environment environment_;
};

bool hasRule(const Catalog& catalog, const std::string& packageId, const std::string& ruleId) {
    auto package = catalog.find(packageId);
    return package != catalog.end() && std::any_of(package->second.second.begin(), package->second.second.end(),
                                                   [&](const std::string& rule) { return rule.starts_with(ruleId + " "); });
}

class TwoMachines : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "PostgreSQL") {
            ORVANE_REQUIRE_TEST_POSTGRES();
        }
        cloud_ = std::make_unique<orvane::test::TestCloud>(GetParam());
        ASSERT_FALSE(cloud_->accountName().empty());
        a_ = std::make_unique<Machine>(cloud_->accountName());
        b_ = std::make_unique<Machine>(cloud_->accountName());
    }

    // Syncs both until neither uploads anything more, and checks that they agree.
    void converge() {
        for (int round = 0; round < 4; ++round) {
            auto fromA = a().sync();
            auto fromB = b().sync();
            if (fromA["pushed"] + fromA["deleted"] + fromB["pushed"] + fromB["deleted"] == 0) {
                break;
            }
        }
        a().sync();
        const Catalog catalog = a().catalog();
        EXPECT_EQ(catalog, b().catalog());
        std::set<std::string> ruleIds;
        for (const auto& [id, package] : catalog) {
            for (const auto& rule : package.second) {
                EXPECT_TRUE(ruleIds.insert(rule.substr(0, rule.find(' '))).second) << rule;
            }
        }
        EXPECT_EQ(a().blockers(), b().blockers());
    }

    Machine& a() { return *a_; }
    Machine& b() { return *b_; }

private:
    std::unique_ptr<orvane::test::TestCloud> cloud_;
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
    Catalog catalog = b().catalog();
    EXPECT_TRUE(hasRule(catalog, "block-url", url) && hasRule(catalog, shared, inShared));
    EXPECT_TRUE(hasRule(catalog, "hide-elements", hidden) && hasRule(catalog, "whitelist", white));

    a().run({"package", "rename", shared, "Renamed"});
    a().run({"add", "block-url", "--rule-id", url, "--url-filter", "edited\\.js"});
    b().run({"remove", "hide-elements", hidden});
    const std::string cookies = b().id({"add", shared, "block-cookies", "--domain", "cookies.example"});
    const std::string other = b().id({"package", "new", "Other"});
    converge();
    catalog = a().catalog();
    EXPECT_EQ(catalog.at(shared).first, "Renamed");
    EXPECT_TRUE(hasRule(catalog, shared, cookies) && catalog.contains(other));
    EXPECT_FALSE(hasRule(catalog, "hide-elements", hidden));
    EXPECT_NE(catalog.at("block-url").second.at(0).find("edited\\.js"), std::string::npos);

    b().run({"package", "delete", shared});
    a().run({"remove", "whitelist", white});
    const std::string late = a().id({"add", "block-url", "--url-filter", "late\\.js"});
    converge();
    catalog = b().catalog();
    EXPECT_FALSE(catalog.contains(shared) || hasRule(catalog, "whitelist", white));
    EXPECT_TRUE(hasRule(catalog, "block-url", url) && hasRule(catalog, "block-url", late));
}

TEST_P(TwoMachines, ConflictingEditsOfOneRuleAreMergedIntoTheLastUpload) {
    a().run({"launch"});
    const std::string rule = a().id({"add", "block-url", "--url-filter", "base\\.js"});
    // Both machines queued the five configurable packages at their first start.
    EXPECT_NE(b().run({"sync"}).err.find("Local record is a full duplicate of server version, minus metadata"),
              std::string::npos);

    a().run({"add", "block-url", "--rule-id", rule, "--url-filter", "from-a\\.js"});
    EXPECT_NE(b().run({"add", "block-url", "--rule-id", rule, "--url-filter", "from-b\\.js"}).err.find("Merging " + rule),
              std::string::npos);
    converge();
    auto rules = a().catalog().at("block-url").second;
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_NE(rules[0].find("from-b\\.js"), std::string::npos);
}

TEST_P(TwoMachines, ChangesMadeWithoutAnAccountGoUpOnceTheAccountIsThere) {
    Environment offline = a().environment();
    offline.back().second = "none";
    auto rule = orvanectl({"add", "block-url", "--url-filter", "offline\\.js"}, "", offline);
    auto package = orvanectl({"package", "new", "Offline"}, "", offline);
    ASSERT_EQ(rule.exitCode + package.exitCode, 0) << rule.err << package.err;
    EXPECT_NE(rule.err.find("No account"), std::string::npos) << rule.err;

    EXPECT_EQ(a().sync()["pushed"], 7u);
    b().sync();
    const Catalog catalog = b().catalog();
    EXPECT_TRUE(hasRule(catalog, "block-url", firstLine(rule.out)));
    EXPECT_TRUE(catalog.contains(firstLine(package.out)));
}

TEST_P(TwoMachines, AWatchingMachinePicksUpRulesAndSwitchesFromTheOther) {
    a().run({"launch"});
    b().run({"launch"});
    BackgroundProgram watch("orvanectl", {"watch"}, b().environment());
    ASSERT_TRUE(watch.waitForOutput("Watching", 30s)) << watch.output();

    a().run({"add", "block-url", "--url-filter", "pushed\\.js"});
    EXPECT_TRUE(watch.waitForOutput("Got remote notification, from CloudKit", 10s)) << watch.output();
    EXPECT_TRUE(eventually([&] { return b().blockerFile().find("pushed") != std::string::npos; }, 15s));
    EXPECT_EQ(a().blockers(), b().blockers());

    // The switches are kept in the cloud key-value store: B rebuilds without the package.
    a().run({"disable", "block-url"});
    EXPECT_TRUE(watch.waitForOutput("Ubiq store got remote changes!", 10s)) << watch.output();
    EXPECT_TRUE(eventually([&] { return b().blockerFile().find("pushed") == std::string::npos; }, 15s));
    EXPECT_EQ(watch.interrupt(), 0) << watch.output();
}

TEST_P(TwoMachines, ImportsSwitchesAndPartialEditsReachTheOtherMachine) {
    a().run({"launch"});
    b().run({"launch"});
    const std::string kept = a().id({"add", "hide-elements", "--name", "Banners", "--selector", ".banner",
                                     "--if-domain", "--domain", "news.example", "--include-subdomains"});
    const auto file = a().home() / "Imported.orvanepkg";
    writeText(file, *toJSONString(std::vector<Package>{
                        makePackage("IMPORTED", "From a file", {blockRule("I1", "imported\\.js", "First")}),
                        makePackage("block-url", "Block URLs", {blockRule("U1", "merged\\.js", "Merged")})}));
    EXPECT_EQ(a().run({"import", file.string()}).out, "Blockers were successfuly imported\n");
    // Only the selector changes; the name and the domains stay as they were.
    a().run({"add", "hide-elements", "--rule-id", kept, "--selector", ".promo"});
    a().run({"disable", "IMPORTED"});
    converge();

    const Catalog catalog = b().catalog();
    ASSERT_TRUE(catalog.contains("IMPORTED"));
    EXPECT_EQ(catalog.at("IMPORTED").first, "From a file");
    EXPECT_TRUE(hasRule(catalog, "IMPORTED", "I1") && hasRule(catalog, "block-url", "U1"));
    ASSERT_EQ(catalog.at("hide-elements").second.size(), 1u);
    const std::string& edited = catalog.at("hide-elements").second.front();
    EXPECT_TRUE(edited.starts_with(kept + " Banners: ")) << edited;
    EXPECT_NE(edited.find("\".promo\""), std::string::npos) << edited;
    EXPECT_NE(edited.find("*news.example"), std::string::npos) << edited;
    // The switch went through the cloud key-value store.
    JsonDocument packages = parsed(b().run({"packages", "--json"}).out);
    for (const auto& package : packages.GetArray()) {
        EXPECT_EQ(package["enabled"].GetBool(), std::string(package["id"].GetString()) != "IMPORTED")
            << package["id"].GetString();
    }
}

TEST_P(TwoMachines, RulesLimitedToSomePagesOrFramesStaySoOnBothMachines) {
    a().run({"launch"});
    b().run({"launch"});
    const std::filesystem::path list = a().home() / "Downloads" / "limited.json";
    writeText(list, R"([
        {"trigger":{"url-filter":"http://.*","if-top-url":["https://.*"],"resource-type":["image","media"]},
         "action":{"type":"make-https"}},
        {"trigger":{"url-filter":".*","if-frame-url":["iframe\\.html"],"load-context":["child-frame"]},
         "action":{"type":"block"}}])");
    Environment importing = a().environment();
    importing.insert(importing.end(),
                     {{"HOME", a().home().string()}, {"XDG_DATA_HOME", (a().home() / "data").string()}});
    auto imported = orvanectl({"import", list.string()}, "", importing);
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    converge();
    const std::string limited = R"("if-top-url":["https://.*"])";
    const std::string framed = R"("if-frame-url":["iframe\\.html"],"load-context":["child-frame"])";
    for (Machine* machine : {&a(), &b()}) {
        EXPECT_NE(machine->blockerFile().find(limited), std::string::npos) << machine->blockerFile();
        EXPECT_NE(machine->blockerFile().find(framed), std::string::npos) << machine->blockerFile();
    }

    // Edited on the other machine in an editor that shows neither condition.
    std::string package;
    for (const auto& [id, entry] : b().catalog()) {
        package = entry.first == "limited" ? id : package;
    }
    JsonDocument rules = parsed(b().run({"rules", package, "--json"}).out);
    std::string framedRule;
    for (const auto& rule : rules.GetArray()) {
        const std::string description = rule["description"].GetString();
        framedRule = description.find("only in frames") != std::string::npos ? rule["id"].GetString() : framedRule;
    }
    b().run({"add", package, "block-url", "--rule-id", framedRule, "--url-filter", "\\.gif", "--name", "Framed GIFs"});
    converge();
    EXPECT_NE(a().blockerFile().find(R"({"url-filter":"\\.gif","if-frame-url":["iframe\\.html"])"),
              std::string::npos)
        << a().blockerFile();
    EXPECT_NE(a().blockerFile().find(limited), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Clouds, TwoMachines, ::testing::Values("SQLite", "PostgreSQL"));
