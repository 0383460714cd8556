#include "inspector/HostAnchors.h"

#include <algorithm>
#include <array>
#include <optional>

namespace orvane {
namespace {

// The anchors of content-blocker lists: the host or any subdomain of it, or the host alone.
constexpr std::array<std::string_view, 3> kPrefixes{
    "^https?://([^/]+\\.)?",
    "^[^:]+:(//)?([^/]+\\.)?",
    "^https?://",
};
// The last is the separator of converted filter lists ("||host^").
constexpr std::array<std::string_view, 4> kSuffixes{"[/:]", "/", "", "[^a-zA-Z0-9_.%-]"};

// Far beyond any host name. Patterns this short always compile, so an alternation never takes
// in a host whose own pattern RE2 would refuse as too large.
constexpr std::size_t kMaxHostText = 1024;

// Letters, digits, "_", "-" and escaped dots: text that means itself in any regular expression,
// so that splitting the pattern around it cannot change how the rest parses.
bool isLiteralHost(std::string_view text) {
    if (text.empty() || text.size() > kMaxHostText) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && text[i + 1] == '.') {
            ++i;
        } else if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                     c == '-')) {
            return false;
        }
    }
    return true;
}

struct Anchor {
    std::size_t prefix;
    std::size_t suffix;
    std::string_view host;
};

std::optional<Anchor> hostAnchor(std::string_view pattern) {
    for (std::size_t p = 0; p < kPrefixes.size(); ++p) {
        if (!pattern.starts_with(kPrefixes[p])) {
            continue;
        }
        const std::string_view rest = pattern.substr(kPrefixes[p].size());
        for (std::size_t s = 0; s < kSuffixes.size(); ++s) {
            if (rest.ends_with(kSuffixes[s]) && isLiteralHost(rest.substr(0, rest.size() - kSuffixes[s].size()))) {
                return Anchor{p, s, rest.substr(0, rest.size() - kSuffixes[s].size())};
            }
        }
    }
    return std::nullopt;
}

} // namespace

HostAnchorSplit splitHostAnchors(const std::vector<std::string>& patterns) {
    std::array<std::array<std::vector<std::string>, kSuffixes.size()>, kPrefixes.size()> hosts;
    HostAnchorSplit split;
    for (const std::string& pattern : patterns) {
        if (auto anchor = hostAnchor(pattern)) {
            hosts[anchor->prefix][anchor->suffix].emplace_back(anchor->host);
        } else {
            split.others.push_back(pattern);
        }
    }
    for (std::size_t p = 0; p < kPrefixes.size(); ++p) {
        for (std::size_t s = 0; s < kSuffixes.size(); ++s) {
            if (!hosts[p][s].empty()) {
                split.groups.push_back({kPrefixes[p], kSuffixes[s], std::move(hosts[p][s])});
            }
        }
    }
    return split;
}

std::string hostAlternation(const HostAnchorGroup& group, std::span<const std::string> hosts) {
    std::string expression(group.prefix);
    expression += "(?:";
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (i > 0) {
            expression += '|';
        }
        expression += hosts[i];
    }
    expression += ')';
    expression += group.suffix;
    return expression;
}

} // namespace orvane
