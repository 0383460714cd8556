#include "filterlists/HidingFilters.h"

#include "filterlists/Selectors.h"
#include "model/SelectorSyntax.h"

#include <algorithm>
#include <array>

namespace orvane::filterlists {
namespace {

struct Marker {
    std::string_view text;
    bool exception;
    std::string_view inexpressible; // empty for plain element hiding
};

// Longest first, so "#@?#" is not read as "#@" followed by something else.
constexpr std::array<Marker, 10> kMarkers{{
    {"#@$?#", true, "CSS injection"},
    {"#@?#", true, "extended selector"},
    {"#@$#", true, "CSS injection"},
    {"#@%#", true, "script injection"},
    {"#$?#", false, "CSS injection"},
    {"#@#", true, ""},
    {"#?#", false, "extended selector"},
    {"#$#", false, "CSS injection"},
    {"#%#", false, "script injection"},
    {"##", false, ""},
}};

bool isSiteListCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_' || c == ',' || c == '~' || c == '*' || c == ':' || c == '[' || c == ']' ||
           static_cast<unsigned char>(c) >= 0x80;
}

struct Found {
    std::size_t position;
    const Marker* marker;
};

std::optional<Found> findMarker(std::string_view filter) {
    for (std::size_t hash = filter.find('#'); hash != std::string_view::npos; hash = filter.find('#', hash + 1)) {
        const std::string_view sites = filter.substr(0, hash);
        if (!std::all_of(sites.begin(), sites.end(), isSiteListCharacter)) {
            return std::nullopt;
        }
        for (const Marker& marker : kMarkers) {
            if (filter.substr(hash).starts_with(marker.text)) {
                return Found{hash, &marker};
            }
        }
    }
    return std::nullopt;
}

} // namespace

bool isContentFilter(std::string_view filter) { return findMarker(filter).has_value(); }

Expected<HidingFilter, std::string> parseHidingFilter(std::string_view filter) {
    const auto found = findMarker(filter);
    if (!found) {
        return std::string("not an element-hiding filter");
    }
    if (!found->marker->inexpressible.empty()) {
        return std::string(found->marker->inexpressible);
    }
    HidingFilter hiding;
    hiding.exception = found->marker->exception;
    hiding.selector = std::string(filter.substr(found->position + found->marker->text.size()));
    if (hiding.selector.starts_with("+js(")) {
        return std::string("scriptlet");
    }
    if (hiding.selector.starts_with('^')) {
        return std::string("HTML filter");
    }
    if (isExtendedSelector(hiding.selector)) {
        return std::string("extended selector");
    }
    // "selector {declarations}": a style to apply, not an element to hide.
    if (hiding.selector.ends_with('}') && hiding.selector.find(" {") != std::string::npos) {
        return std::string("CSS injection");
    }
    if (hiding.selector.empty() || selectorProblem(hiding.selector)) {
        return std::string("selector WebKit would drop");
    }
    const std::string_view siteText = filter.substr(0, found->position);
    if (!siteText.empty()) {
        auto sites = parseSites(siteText, ',');
        if (!sites) {
            return sites.error();
        }
        hiding.sites = std::move(sites).value();
    }
    return hiding;
}

} // namespace orvane::filterlists
