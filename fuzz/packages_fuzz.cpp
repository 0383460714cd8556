// Package files are untrusted: whatever they hold, reading and re-encoding them must not crash,
// what was read must encode and read back to the same packages, and decoding the text directly
// must accept the same texts and read the same packages as decoding a parsed document.

#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "model/PackageDecoder.h"
#include "platform/JsonEvents.h"
#include "platform/Log.h"

#include <rapidjson/memorystream.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Ids and names that a reader made up are fresh UUIDs, so only a second reading is comparable.
void expectStableReading(const std::vector<orvane::Package>& packages) {
    auto text = orvane::toJSONString(packages);
    if (!text) {
        std::abort(); // everything read came from validated UTF-8, so it must encode
    }
    auto document = orvane::parseJson(*text);
    if (!document || orvane::packagesFromJSON(*document) != packages) {
        std::abort();
    }
}

// Ids a reader made up are fresh UUIDs on each reading; any two such ids count as the same.
bool sameId(const std::string& a, const std::string& b) {
    const auto madeUp = [](const std::string& id) { return id.size() == 36 && id[8] == '-' && id[23] == '-'; };
    return a == b || (madeUp(a) && madeUp(b));
}

bool samePackages(const std::vector<orvane::Package>& a, const std::vector<orvane::Package>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!sameId(a[i].id, b[i].id) || a[i].name != b[i].name || a[i].rules.size() != b[i].rules.size()) {
            return false;
        }
        for (std::size_t j = 0; j < a[i].rules.size(); ++j) {
            const auto& left = a[i].rules[j];
            const auto& right = b[i].rules[j];
            if (!sameId(left.id, right.id) || left.name != right.name || left.blocker != right.blocker) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvane::logToNowhere(); // the skip lines of unreadable rules would drown the fuzzer's output
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto document = orvane::parseJson(std::string_view(reinterpret_cast<const char*>(data), size));

    rapidjson::MemoryStream stream(reinterpret_cast<const char*>(data), size);
    orvane::PackageDecoder decoder(orvane::PackageDecoder::Top::PackageList);
    const bool decoded = orvane::parseJsonEvents(stream, decoder) && stream.Tell() == size;
    if (decoded != document.has_value()) {
        std::abort();
    }
    if (!document) {
        return 0;
    }
    const auto packages = orvane::packagesFromJSON(*document);
    if (!samePackages(decoder.takePackages(), packages)) {
        std::abort();
    }
    expectStableReading(packages);
    if (auto package = orvane::packageFromJSON(*document)) {
        expectStableReading({*package});
    }
    return 0;
}
