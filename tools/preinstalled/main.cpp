// orvane-preinstalled-packages: makes the preinstalled package file at build time.
//
//   orvane-preinstalled-packages --output FILE --digest-header FILE --hand-written FILE
//                                --list ID NAME LIST.txt [--list ID NAME LIST.txt ...]
//
// Each list is converted into a package, in the order given, as lists used together (the
// exceptions of a list apply to the lists after it as well); the hand-written packages follow,
// and the whole is written as one package list. The header defines ORVANE_PREINSTALLED_DIGEST,
// the start of the file's SHA-256, which the build number carries: a new version of a list means
// a new build, whose first launch installs the file. The header is rewritten only when the digest
// changed, so an unchanged file rebuilds nothing. Prints what became of each list's filters.

#include "filterlists/FilterListConverter.h"
#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/BoundedRead.h"
#include "platform/JsonText.h"

#include <glib.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace orvane;

struct ListSource {
    std::string id;
    std::string name;
    std::filesystem::path path;
};

constexpr std::uintmax_t kMaxInputBytes = std::uintmax_t{64} << 20;
constexpr std::size_t kDigestCharacters = 8;

int fail(const std::string& message) {
    std::cerr << "orvane-preinstalled-packages: " << message << "\n";
    return 1;
}

std::string digestOf(const std::string& text) {
    std::unique_ptr<gchar, decltype(&g_free)> digest(
        g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(text.data()), text.size()),
        g_free);
    return std::string(digest.get()).substr(0, kDigestCharacters);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::filesystem::path output;
    std::filesystem::path header;
    std::filesystem::path handWritten;
    std::vector<ListSource> lists;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const std::size_t values = option == "--list" ? 3 : 1;
        if (i + values >= arguments.size()) {
            return fail(option + " needs " + std::to_string(values) + (values == 1 ? " value" : " values"));
        }
        if (option == "--output") {
            output = arguments[++i];
        } else if (option == "--digest-header") {
            header = arguments[++i];
        } else if (option == "--hand-written") {
            handWritten = arguments[++i];
        } else if (option == "--list") {
            lists.push_back({arguments[i + 1], arguments[i + 2], arguments[i + 3]});
            i += 3;
        } else {
            return fail("unknown argument '" + option + "'");
        }
    }
    if (output.empty() || header.empty() || handWritten.empty() || lists.empty()) {
        return fail("usage: --output FILE --digest-header FILE --hand-written FILE --list ID NAME LIST.txt...");
    }

    std::vector<std::string> texts;
    std::vector<filterlists::ListSource> sources;
    for (const ListSource& source : lists) {
        std::string why;
        auto text = readRegularFile(source.path, kMaxInputBytes, &why);
        if (!text) {
            return fail(source.path.string() + ": " + why);
        }
        texts.push_back(std::move(*text));
    }
    for (std::size_t i = 0; i < lists.size(); ++i) {
        sources.push_back({texts[i], lists[i].id, lists[i].name});
    }
    std::vector<Package> packages;
    std::size_t rules = 0;
    auto converted = filterlists::convertFilterLists(sources);
    for (std::size_t i = 0; i < converted.size(); ++i) {
        std::cout << converted[i].report.summary(lists[i].id + " from " + lists[i].path.filename().string()) << "\n";
        rules += converted[i].package.rules.size();
        packages.push_back(std::move(converted[i].package));
    }

    std::string why;
    const auto handWrittenText = readRegularFile(handWritten, kMaxInputBytes, &why);
    if (!handWrittenText) {
        return fail(handWritten.string() + ": " + why);
    }
    const auto document = parseJson(*handWrittenText);
    if (!document || !document->IsArray()) {
        return fail(handWritten.string() + " is not a JSON array of packages");
    }
    SkippedRules unreadable;
    for (Package& package : packagesFromJSON(*document, &unreadable)) {
        rules += package.rules.size();
        packages.push_back(std::move(package));
    }
    if (!unreadable.empty()) {
        return fail(handWritten.string() + ": " + unreadable.summary());
    }

    const auto text = toJSONString(packages);
    if (!text) {
        return fail("a package holds text that is not UTF-8");
    }
    if (!writeFileAtomically(output, *text, &why, Flush::ToKernel)) {
        return fail(output.string() + ": " + why);
    }
    std::cout << output.filename().string() << ": " << packages.size() << " packages, " << rules << " rules, "
              << text->size() << " bytes\n";

    const std::string definition = "// Made by orvane-preinstalled-packages from " + output.filename().string() +
                                   ".\n#define ORVANE_PREINSTALLED_DIGEST \"" + digestOf(*text) + "\"\n";
    if (readWholeFile(header).value_or("") != definition && !writeFileAtomically(header, definition, &why, Flush::ToKernel)) {
        return fail(header.string() + ": " + why);
    }
    return 0;
}
