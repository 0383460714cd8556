#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::filterlists {

// Adblock Plus URL patterns as WebKit url-filters. In a pattern "*" is any text, "^" a separator
// (any character but a letter, a digit or one of "_-.%", or the end of the URL), "|" at the start
// or end anchors there, and "||" at the start anchors at the start of the host or of one of its
// labels; everything else stands for itself. WebKit has no alternatives, so a separator that may
// also be the end becomes "(separator.*)?$", except right after the host of a "||" pattern: a
// URL WebKit hands to its content blocker always goes on after the host.
//
// A pattern that is nothing but a host name ("ads.example.com") is read as "||ads.example.com^",
// as uBlock Origin and hosts files read it: that host and its subdomains, which every reading of
// the text as a part of a URL also matches.
//
// The pattern without "@@" and without options; not a "/regular expression/". Absent for text
// outside printable ASCII, which no URL WebKit compares holds.
std::optional<std::string> urlFilterForPattern(std::string_view pattern);

// The start of every "||" pattern's url-filter: any scheme, then the host or a subdomain of it.
inline constexpr std::string_view kHostAnchor = "^[^:]+:(//)?([^/]+\\.)?";
// One separator character.
inline constexpr std::string_view kSeparator = "[^a-zA-Z0-9_.%-]";

// The host a pattern names when it is "||host", "||host^" or a bare host name; empty otherwise.
std::string hostOfPattern(std::string_view pattern);

} // namespace orvane::filterlists
