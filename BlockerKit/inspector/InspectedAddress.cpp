#include "inspector/InspectedAddress.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace orvane {
namespace {

struct UriUnref {
    void operator()(GUri* uri) const { g_uri_unref(uri); }
};

std::optional<std::string> parsedHost(const std::string& url, GUriFlags flags) {
    std::unique_ptr<GUri, UriUnref> uri(g_uri_parse(url.c_str(), flags, nullptr));
    if (!uri) {
        return std::nullopt;
    }
    const char* host = g_uri_get_host(uri.get());
    if (host == nullptr || *host == '\0') {
        return std::nullopt;
    }
    std::string lowered(host);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(g_ascii_tolower(static_cast<gchar>(c))); });
    return lowered;
}

// GLib takes a host with spaces in it; a web address has none, nor any other character that an
// address must escape. Bytes beyond ASCII are left to WebKit, which encodes them.
bool hasOnlyAddressCharacters(std::string_view text) {
    constexpr std::string_view allowed = "-._~:/?#[]@!$&'()*+,;=%";
    return std::all_of(text.begin(), text.end(), [&](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x80 || g_ascii_isalnum(c) || allowed.find(c) != std::string_view::npos;
    });
}

} // namespace

std::optional<std::string> addressToInspect(std::string_view typed) {
    // Only the scheme itself counts: a host such as "httpbin.org" typed without one still gets
    // "https://", and "HTTPS://…" in capitals is left to the parser after it.
    std::string url(typed);
    if (!typed.starts_with("http://") && !typed.starts_with("https://")) {
        url = "https://" + url;
    }
    if (!hasOnlyAddressCharacters(url) || !parsedHost(url, G_URI_FLAGS_NONE)) {
        return std::nullopt;
    }
    return url;
}

std::optional<std::string> hostOfURL(std::string_view url) {
    const std::string text(url);
    if (text.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    // What the engine reports is already encoded; it is read as it stands.
    return parsedHost(text, static_cast<GUriFlags>(G_URI_FLAGS_ENCODED | G_URI_FLAGS_PARSE_RELAXED));
}

std::string overHttp(std::string_view url) {
    std::string result;
    constexpr std::string_view secure = "https://";
    std::size_t from = 0;
    for (std::size_t at = url.find(secure); at != std::string_view::npos; at = url.find(secure, from)) {
        result.append(url.substr(from, at - from));
        result.append("http://");
        from = at + secure.size();
    }
    result.append(url.substr(from));
    return result;
}

} // namespace orvane
