#include "support/Json.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane::test {

JsonDocument parsed(std::string_view text) {
    auto document = parseJson(text);
    if (!document) {
        ADD_FAILURE() << "not JSON: " << text;
        return JsonDocument();
    }
    return std::move(*document);
}

bool isUpperCaseUUID(std::string_view text) {
    if (text.size() != 36) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

} // namespace orvane::test
