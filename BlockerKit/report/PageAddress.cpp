#include "report/PageAddress.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace orvane {
namespace {

struct UriUnref {
    void operator()(GUri* uri) const { g_uri_unref(uri); }
};

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool isHostCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return g_ascii_isalnum(c) || c == '.' || c == '-' || c == '_' || c == ':' || c == '%' || byte >= 0x80;
}

// "mailto:…" names its scheme; "example.com:8080/…" is a host and port.
bool hasScheme(std::string_view text) {
    const std::string copy(text);
    const char* scheme = g_uri_peek_scheme(copy.c_str());
    if (scheme == nullptr) {
        return false;
    }
    const std::size_t rest = std::string_view(scheme).size() + 1;
    return text.substr(rest).starts_with("//") || rest == text.size() || !g_ascii_isdigit(text[rest]);
}

} // namespace

std::optional<std::string> absolutePageAddress(std::string_view typed) {
    const std::string_view text = trimmed(typed);
    if (text.empty() || !g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return std::nullopt;
    }
    const std::string candidate = hasScheme(text) ? std::string(text) : "https://" + std::string(text);
    // Percent escapes stay as typed, so that "%2F" in a query does not turn into a separator.
    std::unique_ptr<GUri, UriUnref> uri(g_uri_parse(candidate.c_str(), G_URI_FLAGS_ENCODED, nullptr));
    if (!uri) {
        return std::nullopt;
    }
    const std::string scheme = g_uri_get_scheme(uri.get());
    const char* host = g_uri_get_host(uri.get());
    if ((scheme != "http" && scheme != "https") || host == nullptr || *host == '\0') {
        return std::nullopt;
    }
    const std::string_view hostText(host);
    if (!std::all_of(hostText.begin(), hostText.end(), isHostCharacter)) {
        return std::nullopt;
    }
    std::unique_ptr<char, decltype(&g_free)> absolute(g_uri_to_string(uri.get()), g_free);
    return std::string(absolute.get());
}

} // namespace orvane
