#include "filterlists/Selectors.h"

#include <algorithm>
#include <array>
#include <string>

namespace orvane::filterlists {
namespace {

constexpr std::array<std::string_view, 26> kExtendedPseudoClasses{
    "-abp-has",  "-abp-contains", "-abp-properties", "has-text",   "contains",      "xpath",
    "upward",    "style",         "remove",          "matches-css", "matches-css-before",
    "matches-css-after", "matches-attr", "matches-path", "matches-prop", "min-text-length",
    "watch-attr", "others",       "if",              "if-not",     "nth-ancestor",  "remove-attr",
    "remove-class", "matches-media", "shadow", "properties"};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isNonAscii(char c) { return static_cast<unsigned char>(c) >= 0x80; }
bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || isNonAscii(c); }
bool isNameCharacter(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-'; }

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

} // namespace

bool isExtendedSelector(std::string_view selector) {
    for (std::size_t colon = selector.find(':'); colon != std::string_view::npos;
         colon = selector.find(':', colon + 1)) {
        std::size_t end = colon + 1;
        while (end < selector.size() && isNameCharacter(selector[end])) {
            ++end;
        }
        if (contains(kExtendedPseudoClasses, lowered(selector.substr(colon + 1, end - colon - 1)))) {
            return true;
        }
    }
    return false;
}

} // namespace orvane::filterlists
