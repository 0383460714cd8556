// Package files are untrusted: whatever they hold, reading and re-encoding them must not crash,
// and what was read must encode and read back to the same packages.

#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/Log.h"

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

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvane::logToNowhere(); // the skip lines of unreadable rules would drown the fuzzer's output
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto document = orvane::parseJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!document) {
        return 0;
    }
    expectStableReading(orvane::packagesFromJSON(*document));
    if (auto package = orvane::packageFromJSON(*document)) {
        expectStableReading({*package});
    }
    return 0;
}
