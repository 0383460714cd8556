// Packages moved between two homes as package files, through orvanectl.

#include "model/JsonEncoding.h"
#include "platform/JsonText.h"
#include "support/Fixtures.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {

std::string firstLine(std::string text) { return text.substr(0, text.find('\n')); }

// One machine: its home, its resources and its Trash, for the runs of orvanectl made on it.
class Machine {
public:
    Machine() {
        writeText(home_.resources() / "PreinstalledPackages.json",
                  *toJSONString(std::vector<Package>{
                      makePackage("block-ads", "Ads", {blockRule("ads-1", "^https?://ads\\.example/")})}));
    }

    ProgramResult run(const std::vector<std::string>& arguments) const {
        return orvanectl(arguments, "",
                         {{"ORVANE_HOME", home_.home().string()},
                          {"ORVANE_RESOURCES", home_.resources().string()},
                          {"HOME", home_.home().string()},
                          {"XDG_DATA_HOME", (home_.home() / "data").string()}});
    }
    // Runs a command that must succeed; answers its first output line.
    std::string must(const std::vector<std::string>& arguments) const {
        auto result = run(arguments);
        EXPECT_EQ(result.exitCode, 0) << arguments.front() << ": " << result.err;
        return firstLine(result.out);
    }

    fs::path folder(const std::string& name) const { return home_.home() / name; }
    std::string contentBlocker() const { return readText(home_.shared() / "tmp.json"); }
    fs::path trash() const { return home_.home() / "data" / "Trash" / "files"; }

private:
    TempHome home_;
};

// The ids of the packages a machine can export: configurable and custom.
std::vector<std::string> exportableIds(const Machine& machine) {
    std::vector<std::string> ids;
    auto listed = machine.run({"packages", "--json"});
    auto document = parseJson(listed.out);
    if (!document || !document->IsArray()) {
        ADD_FAILURE() << "packages --json: " << listed.out;
        return ids;
    }
    for (const auto& package : document->GetArray()) {
        if (package["section"].GetString() != std::string("preinstalled")) {
            ids.emplace_back(package["id"].GetString());
        }
    }
    return ids;
}

} // namespace

TEST(ImportExportTest, PackagesExportedFromOneHomeReappearInAFreshOne) {
    const Machine first;
    const Machine second;
    first.must({"launch"});
    first.must({"add", "block-url", "--url-filter", "tracker\\.js", "--name", "Tracker"});
    first.must({"add", "block-cookies", "--if-domain", "--domain", "cookies.example"});
    first.must({"add", "hide-elements", "--selector", ".sponsored"});
    first.must({"add", "whitelist", "--domain", "good.example"});
    first.must({"add", "make-https", "--domain", "secure.example"});
    const std::string mine = first.must({"package", "new", "Mine"});
    first.must({"add", mine, "block-url", "--url-filter", "mine\\.js"});
    first.must({"add", mine, "hide-elements", "--selector", "#mine"});
    first.must({"package", "new", "Empty"});

    const auto ids = exportableIds(first);
    ASSERT_EQ(ids.size(), 7u);
    std::vector<fs::path> files;
    for (const auto& id : ids) {
        const auto exported = fs::path(first.must({"export", id, (first.folder("out") / id).string()}));
        EXPECT_EQ(exported, first.folder("out") / (id + ".orvanepkg"));
        files.push_back(exported);
        fs::create_directories(first.folder("again"));
        fs::copy_file(exported, first.folder("again") / exported.filename());
    }

    second.must({"launch"});
    for (const auto& file : files) {
        // "Empty" is new to the fresh home too, although it holds no rule.
        auto result = second.run({"import", file.string()});
        EXPECT_EQ(result.exitCode, 0) << file << ": " << result.err;
        EXPECT_EQ(result.out, "Blockers were successfuly imported\n");
        EXPECT_FALSE(fs::exists(file));
        EXPECT_TRUE(fs::exists(second.trash() / file.filename()));
    }

    EXPECT_EQ(second.run({"packages"}).out, first.run({"packages"}).out);
    for (const auto& id : ids) {
        SCOPED_TRACE(id);
        EXPECT_EQ(second.run({"rules", id, "--json"}).out, first.run({"rules", id, "--json"}).out);
    }
    EXPECT_EQ(second.contentBlocker(), first.contentBlocker());
    EXPECT_NE(second.contentBlocker().find("mine\\\\.js"), std::string::npos);

    for (const auto& id : ids) {
        const auto file = first.folder("again") / (id + ".orvanepkg");
        auto result = second.run({"import", file.string()});
        EXPECT_EQ(result.exitCode, 1) << id;
        EXPECT_EQ(result.out, "No new blockers were found\n") << id;
        EXPECT_FALSE(fs::exists(file));
    }
    EXPECT_EQ(second.run({"packages"}).out, first.run({"packages"}).out);
}
