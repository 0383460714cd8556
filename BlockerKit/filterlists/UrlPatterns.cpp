#include "filterlists/UrlPatterns.h"

#include <algorithm>

namespace orvane::filterlists {
namespace {

bool isHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

bool needsEscape(char c) {
    switch (c) {
    case '.': case '\\': case '+': case '?': case '(': case ')': case '[': case ']':
    case '{': case '}': case '$': case '|': case '^': case '*':
        return true;
    default:
        return false;
    }
}

bool isLowerAlphanumeric(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// "ads.example.com": lower-case letters, digits, dots and hyphens, with a dot, and a letter or
// digit at each end.
bool isBareHostName(std::string_view pattern) {
    return pattern.find('.') != std::string_view::npos && isLowerAlphanumeric(pattern.front()) &&
           isLowerAlphanumeric(pattern.back()) &&
           std::all_of(pattern.begin(), pattern.end(), [](char c) { return isLowerAlphanumeric(c) || c == '.' || c == '-'; });
}

} // namespace

std::optional<std::string> urlFilterForPattern(std::string_view pattern) {
    if (!std::all_of(pattern.begin(), pattern.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        return std::nullopt;
    }
    if (isBareHostName(pattern)) {
        return urlFilterForPattern("||" + std::string(pattern) + "^");
    }
    std::string_view body = pattern;
    const bool hostAnchored = body.starts_with("||");
    const bool startAnchored = !hostAnchored && body.starts_with('|');
    body.remove_prefix(hostAnchored ? 2 : startAnchored ? 1 : 0);
    bool endAnchored = body.ends_with('|');
    if (endAnchored) {
        body.remove_suffix(1);
    }
    // Stars at an open end say nothing; before an end anchor they undo it.
    if (!hostAnchored && !startAnchored) {
        while (body.starts_with('*')) {
            body.remove_prefix(1);
        }
    }
    if (body.ends_with('*')) {
        endAnchored = false;
        while (body.ends_with('*')) {
            body.remove_suffix(1);
        }
    }

    std::string filter;
    if (hostAnchored) {
        filter = kHostAnchor;
    } else if (startAnchored) {
        filter = "^";
    }
    bool onlyHostSoFar = hostAnchored;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '*') {
            if (!filter.ends_with(".*")) {
                filter += ".*";
            }
        } else if (c == '^') {
            const bool last = i + 1 == body.size();
            if (!last || (onlyHostSoFar && !endAnchored)) {
                filter += kSeparator;
            } else if (endAnchored) {
                filter += std::string(kSeparator) + "?";
            } else {
                // A separator or the end; nothing after it is constrained.
                filter += "(" + std::string(kSeparator) + ".*)?$";
                return filter;
            }
        } else if (needsEscape(c)) {
            filter += '\\';
            filter += c;
        } else {
            filter += c;
        }
        onlyHostSoFar = onlyHostSoFar && isHostCharacter(c);
    }
    if (endAnchored) {
        filter += '$';
    }
    if (filter.empty() || filter == "^") {
        return ".*";
    }
    return filter;
}

std::string hostOfPattern(std::string_view pattern) {
    if (isBareHostName(pattern)) {
        return std::string(pattern);
    }
    if (!pattern.starts_with("||")) {
        return {};
    }
    std::string_view host = pattern.substr(2);
    if (host.ends_with('^')) {
        host.remove_suffix(1);
    }
    if (host.empty() || !std::all_of(host.begin(), host.end(), isHostCharacter)) {
        return {};
    }
    return std::string(host);
}

} // namespace orvane::filterlists
