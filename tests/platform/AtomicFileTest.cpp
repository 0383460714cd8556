#include "ChildProcess.h"
#include "support/TemporaryDirectory.h"

#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace orvane;
using orvane::test::TemporaryDirectory;

namespace {

// Version n: its number, then a body of one letter whose length varies with n, then the number
// again. A part of a version, or two versions mixed, does not read back as any version.
std::string version(int n) {
    const auto number = std::to_string(n);
    const auto length = static_cast<std::size_t>((n * 7919) % 20000 + 1);
    return number + ":" + std::string(length, static_cast<char>('a' + n % 26)) + ":" + number;
}

std::optional<int> versionNumber(const std::string& contents) {
    const auto colon = contents.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    const int n = std::stoi(contents.substr(0, colon));
    return contents == version(n) ? std::optional<int>(n) : std::nullopt;
}

} // namespace

TEST(AtomicFile, ReaderNeverSeesAPartOrAMixOfTwoVersions) {
    TemporaryDirectory folder;
    const auto file = folder / "tmp.json";
    ASSERT_TRUE(writeFileAtomically(file, version(0)));
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        for (int n = 1; n <= 300; ++n) {
            EXPECT_TRUE(writeFileAtomically(file, version(n)));
        }
        writing = false;
    });
    int reads = 0;
    int newestSeen = 0;
    while (writing) {
        const auto contents = readWholeFile(file);
        ASSERT_TRUE(contents) << "the file went missing while being replaced";
        const auto n = versionNumber(*contents);
        ASSERT_TRUE(n) << "read a partial or mixed file of " << contents->size() << " bytes";
        ASSERT_GE(*n, newestSeen);
        newestSeen = *n;
        ++reads;
    }
    writer.join();
    EXPECT_GT(reads, 10);
    EXPECT_EQ(readWholeFile(file), version(300));
}

TEST(AtomicFile, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TemporaryDirectory folder;
    const auto file = folder / "CustomPackages.json";
    ASSERT_TRUE(writeFileAtomically(file, "[\"old\"]"));
    // The disk "fills up" after 64 bytes of the new version.
    const int status = runWithFileSizeLimit(64, [&] {
        std::string error;
        return !writeFileAtomically(file, std::string(4096, 'x'), &error) && !error.empty() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readWholeFile(file), "[\"old\"]");
    std::vector<std::filesystem::path> entries(std::filesystem::directory_iterator(folder.path()), {});
    EXPECT_EQ(entries, std::vector<std::filesystem::path>{file});
}

TEST(AtomicFile, CreatesMissingFoldersAndExplainsWhatFails) {
    TemporaryDirectory folder;
    EXPECT_TRUE(writeFileAtomically(folder / "SharedContainer/Preferences/a.json", "{}"));
    EXPECT_EQ(readWholeFile(folder / "SharedContainer/Preferences/a.json"), "{}");

    std::string error;
    EXPECT_FALSE(writeFileAtomically(folder / "SharedContainer/Preferences/a.json/inside", "{}", &error));
    EXPECT_NE(error.find("a.json"), std::string::npos);
    error.clear();
    EXPECT_FALSE(readWholeFile(folder / "missing.json", &error));
    EXPECT_NE(error.find("missing.json"), std::string::npos);
}
