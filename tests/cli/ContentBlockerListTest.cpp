// Plain content-blocker lists from other projects through orvanectl: imported as a package,
// rebuilt into "tmp.json" and compiled by WebKit, edited and exported again.

#include "model/JsonEncoding.h"
#include "platform/JsonText.h"
#include "support/Fixtures.h"
#include "support/Json.h"
#include "support/RunProgram.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {

const fs::path kLists = fs::path(ORVANE_TEST_DATA) / "content-blocker-lists";

// One home with a one-rule preinstalled package, whose entry comes first in "tmp.json".
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
    // A copy of the text in the machine's downloads, as a user would import it.
    fs::path download(const std::string& name, const std::string& text) const {
        const fs::path path = home_.home() / "Downloads" / name;
        writeText(path, text);
        return path;
    }
    // The entries of "tmp.json" after the preinstalled one, that is, those of the imported lists.
    JsonDocument importedEntries() const {
        JsonDocument entries = parsed(readText(home_.shared() / "tmp.json"));
        EXPECT_TRUE(entries.IsArray() && !entries.Empty());
        if (entries.IsArray() && !entries.Empty()) {
            entries.Erase(entries.Begin());
        }
        return entries;
    }
    // The id of the one custom package.
    std::string customPackage() const {
        JsonDocument packages = parsed(run({"packages", "--json"}).out);
        for (const auto& package : packages.GetArray()) {
            if (package["section"] == "custom") {
                return package["id"].GetString();
            }
        }
        ADD_FAILURE() << "no custom package";
        return {};
    }
    fs::path folder(const std::string& name) const { return home_.home() / name; }

private:
    TempHome home_;
};

// WebKit reads a case-sensitivity flag of false as no flag at all, and the encoder never writes one.
JsonDocument asWebKitReadsIt(const std::string& text) {
    JsonDocument list = parsed(text);
    for (auto& entry : list.GetArray()) {
        auto& trigger = entry["trigger"];
        for (const char* flag : {"url-filter-is-case-sensitive", "top-url-filter-is-case-sensitive",
                                 "frame-url-filter-is-case-sensitive"}) {
            if (trigger.HasMember(flag) && trigger[flag].IsFalse()) {
                trigger.RemoveMember(flag);
            }
        }
    }
    return list;
}

void expectSameEntries(const JsonValue& written, const JsonValue& source) {
    ASSERT_TRUE(written.IsArray() && source.IsArray());
    ASSERT_EQ(written.Size(), source.Size());
    for (rapidjson::SizeType i = 0; i < source.Size(); ++i) {
        EXPECT_TRUE(written[i] == source[i]) << "entry " << i << ": " << serializeJson(written[i]).value_or("")
                                             << " instead of " << serializeJson(source[i]).value_or("");
    }
}

std::string ruleIdAt(const Machine& machine, const std::string& package, rapidjson::SizeType index) {
    JsonDocument rules = parsed(machine.run({"rules", package, "--json"}).out);
    return rules[index]["id"].GetString();
}

} // namespace

TEST(ContentBlockerList, RealListsComeThroughTheRebuildEntryByEntryAndWebKitCompilesThem) {
    for (const char* name :
         {"ka-block.json", "brave-ios-block-ads.json", "every-condition.json",
          "probes/brave-core-mixed-content-upgrade.json", "probes/webkit-frame-url.html.json",
          "probes/webkit-block-child-document-resource-type.json",
          "probes/webkit-block-top-document-resource-type.json", "probes/webkit-block-ping-resource-type-ping.json"}) {
        SCOPED_TRACE(name);
        const Machine machine;
        const std::string text = readText(kLists / name);
        // The import ends in a rebuild that WebKit compiles; a refusal would be a warning and exit 1.
        auto imported = machine.run({"import", machine.download(fs::path(name).filename(), text).string()});
        EXPECT_EQ(imported.exitCode, 0) << imported.err;
        EXPECT_EQ(imported.out, "Blockers were successfuly imported\n");
        expectSameEntries(machine.importedEntries(), asWebKitReadsIt(text));
    }
}

TEST(ContentBlockerList, EntriesThatCannotBeCarriedAreLeftOutAndCounted) {
    const Machine machine;
    std::string text = readText(kLists / "every-condition.json");
    const std::string faulty = R"([
        {"trigger":{"url-filter":".*","if-frame-url":["ad"],"if-cookie":["session"]},"action":{"type":"block"}},
        {"trigger":{"url-filter":".*","resource-type":["image","beacon"]},"action":{"type":"block"}},
        {"trigger":{"url-filter":"x"},"action":{"type":"redirect","redirect":{"url":"https://a.example/"}}},
        {"trigger":{"url-filter":"ad|banner"},"action":{"type":"block"}},)";
    auto imported = machine.run({"import", machine.download("faulty.json", faulty + text.substr(1)).string()});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "Blockers were successfuly imported. 4 rules could not be read and were left out: "
                            "unknown trigger key \"if-cookie\" (1), unknown resource-type \"beacon\" (1), "
                            "unknown action type \"redirect\" (1), the URL filter uses \"|\", which content "
                            "blockers do not support (1).\n");
    expectSameEntries(machine.importedEntries(), asWebKitReadsIt(text));
}

TEST(ContentBlockerList, EditingKeepsWhatTheEditorCannotShowAndExportGivesAListWebKitCompiles) {
    const Machine machine;
    const std::string text = readText(kLists / "every-condition.json");
    ASSERT_EQ(machine.run({"import", machine.download("every.json", text).string()}).exitCode, 0);
    const std::string package = machine.customPackage();
    JsonDocument expected = asWebKitReadsIt(text);

    // Entry 18 blocks inside frames whose URL matches iframe\.html: renamed and given another
    // url filter in the URL editor, it keeps its frame condition and its case-insensitive filter.
    const std::string frameRule = ruleIdAt(machine, package, 18);
    auto edited = machine.run({"add", package, "block-url", "--rule-id", frameRule, "--url-filter", "\\.gif",
                               "--name", "Frame GIFs"});
    EXPECT_EQ(edited.exitCode, 0) << edited.err;
    expected[18]["trigger"]["url-filter"] = "\\.gif";
    expectSameEntries(machine.importedEntries(), expected);

    // A domain filter cannot join a frame condition: WebKit would refuse the whole list.
    auto refused = machine.run({"add", package, "hide-elements", "--rule-id", ruleIdAt(machine, package, 19),
                                "--selector", ".overlay", "--if-domain", "--domain", "video.example"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("A domain filter cannot be added"), std::string::npos) << refused.err;

    ASSERT_EQ(machine.run({"disable", package, ruleIdAt(machine, package, 0)}).exitCode, 0);
    expected.Erase(expected.Begin());
    const fs::path exported = machine.folder("out") / "every.json";
    auto exportRun = machine.run({"export", package, exported.string(), "--content-blocker"});
    EXPECT_EQ(exportRun.exitCode, 0) << exportRun.err;
    EXPECT_EQ(exportRun.out, exported.string() + "\n");
    expectSameEntries(parsed(readText(exported)), expected);
    auto compiled = runProgram("orvane-filter-compiler",
                               {machine.folder("store").string(), "exported", exported.string()});
    EXPECT_EQ(compiled.exitCode, 0) << compiled.out;

    const Machine other;
    ASSERT_EQ(other.run({"import", other.download("every.json", readText(exported)).string()}).exitCode, 0);
    expectSameEntries(other.importedEntries(), expected);
}
