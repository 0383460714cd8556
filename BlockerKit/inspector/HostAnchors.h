#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Most blocking rules name a host behind one of a few fixed anchors, like
// "^https?://([^/]+\.)?tracker\.example[/:]". In a set each such pattern keeps its own copy of
// the anchor, so every DFA state carries thousands of them and building states dominates a
// fresh filter. The patterns of one anchor differ only in a literal host, so they can be matched
// as one expression "anchor(?:host1|host2|...)end", whose hosts RE2 folds into a trie: a URL
// matches the alternation exactly when it matches one of the patterns.
struct HostAnchorGroup {
    std::string_view prefix;
    std::string_view suffix;
    std::vector<std::string> hosts; // as written in the patterns, escapes included
};

struct HostAnchorSplit {
    std::vector<HostAnchorGroup> groups; // only groups with hosts
    std::vector<std::string> others;     // every other pattern, in order
};

HostAnchorSplit splitHostAnchors(const std::vector<std::string>& patterns);

// The expression matching exactly what the group's patterns for these hosts match.
std::string hostAlternation(const HostAnchorGroup& group, std::span<const std::string> hosts);

} // namespace orvane
