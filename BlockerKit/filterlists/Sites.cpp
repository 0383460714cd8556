#include "filterlists/Sites.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace orvane::filterlists {
namespace {

bool isHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
}

// Lower-case ASCII, converting international names to their IDNA form; empty when the text is no
// host name WebKit could compare.
std::string hostName(std::string_view text) {
    const std::string name(text);
    std::unique_ptr<gchar, decltype(&g_free)> ascii(g_hostname_to_ascii(name.c_str()), g_free);
    if (!ascii) {
        return {};
    }
    std::unique_ptr<gchar, decltype(&g_free)> lower(g_ascii_strdown(ascii.get(), -1), g_free);
    std::string host(lower.get());
    if (host.empty() || host.front() == '.' || host.back() == '.' || host.find("..") != std::string::npos ||
        !std::all_of(host.begin(), host.end(), isHostCharacter)) {
        return {};
    }
    return host;
}

void addOnce(std::vector<std::string>& list, std::string value) {
    if (std::find(list.begin(), list.end(), value) == list.end()) {
        list.push_back(std::move(value));
    }
}

} // namespace

Expected<Sites, std::string> parseSites(std::string_view text, char separator) {
    Sites sites;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view entry = text.substr(start, end - start);
        start = end + 1;
        const bool excluded = entry.starts_with('~');
        if (excluded) {
            entry.remove_prefix(1);
        }
        if (entry.empty()) {
            return std::string("empty site name");
        }
        if (entry.find('*') != std::string_view::npos) {
            return std::string("site name with a wildcard");
        }
        if (entry.starts_with('/')) {
            return std::string("site given as a regular expression");
        }
        std::string host = hostName(entry);
        if (host.empty()) {
            return std::string("site name that is no host name");
        }
        addOnce(excluded ? sites.excluded : sites.included, std::move(host));
    }
    return sites;
}

bool covers(std::string_view site, std::string_view host) {
    return host == site ||
           (host.size() > site.size() && host.ends_with(site) && host[host.size() - site.size() - 1] == '.');
}

SiteCondition resolve(const Sites& sites) {
    if (sites.included.empty()) {
        if (sites.excluded.empty()) {
            return {SiteCondition::Kind::Everywhere, {}};
        }
        return {SiteCondition::Kind::Except, sites.excluded};
    }
    std::vector<std::string> included;
    for (const std::string& site : sites.included) {
        const bool exempted = std::any_of(sites.excluded.begin(), sites.excluded.end(),
                                          [&](const std::string& excluded) { return covers(excluded, site); });
        if (!exempted) {
            included.push_back(site);
        }
    }
    if (included.empty()) {
        return {SiteCondition::Kind::Nowhere, {}};
    }
    // An excluded site outside every included one changes nothing.
    const bool carved = std::any_of(sites.excluded.begin(), sites.excluded.end(), [&](const std::string& excluded) {
        return std::any_of(included.begin(), included.end(),
                           [&](const std::string& site) { return covers(site, excluded); });
    });
    if (carved) {
        return {SiteCondition::Kind::Mixed, {}};
    }
    return {SiteCondition::Kind::Only, std::move(included)};
}

std::string webkitDomain(std::string_view site) { return "*" + std::string(site); }

std::vector<std::string> webkitDomains(const std::vector<std::string>& sites) {
    std::vector<std::string> domains;
    domains.reserve(sites.size());
    for (const std::string& site : sites) {
        domains.push_back(webkitDomain(site));
    }
    return domains;
}

} // namespace orvane::filterlists
