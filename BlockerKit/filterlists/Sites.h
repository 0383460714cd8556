#pragma once

#include "platform/Expected.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvane::filterlists {

// The sites a filter names: "a.com|~b.a.com" in a network filter's domain option, "a.com,~b.a.com"
// before a hiding filter's "##". A name stands for the site and all its subdomains.
struct Sites {
    std::vector<std::string> included; // lower-case ASCII host names (IDNA for others)
    std::vector<std::string> excluded;

    bool empty() const { return included.empty() && excluded.empty(); }
};

// The names in `text`, split at `separator`; or why they cannot be written as WebKit domains
// (a wildcard such as "example.*", a name that is no host name).
Expected<Sites, std::string> parseSites(std::string_view text, char separator);

// Whether `host` is `site` or one of its subdomains.
bool covers(std::string_view site, std::string_view host);

// Where a filter applies once the excluded sites are taken out of the included ones. WebKit
// holds one domain condition per trigger, either "if-domain" or "unless-domain": a filter that
// applies on a site but not on one of its subdomains has no such form.
struct SiteCondition {
    enum class Kind { Everywhere, Only, Except, Nowhere, Mixed };
    Kind kind = Kind::Everywhere;
    std::vector<std::string> sites; // Only: the included sites; Except: the excluded ones
};
SiteCondition resolve(const Sites& sites);

// The site with its subdomains, as "if-domain" and "unless-domain" write it.
std::string webkitDomain(std::string_view site);
std::vector<std::string> webkitDomains(const std::vector<std::string>& sites);

} // namespace orvane::filterlists
