#pragma once

// Requests for checking converted filter lists: URLs drawn mostly from what EasyList and
// EasyPrivacy name (their hosts, their paths, hosts with paths), the rest the ordinary loads of a
// page, each with the page it is made on and a resource type. Pages are ordinary sites, some of
// them sites the lists single out. Deterministic for a given seed.

#include "model/Enums.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace orvane::corpus {

struct Request {
    std::string url;
    std::string page;
    std::string type; // uBlock Origin's name: "script", "sub_frame", "xmlhttprequest", ...
};

// WebKit's type for each of the corpus's names.
inline ResourceType webkitType(std::string_view type) {
    if (type == "script") return ResourceType::Script;
    if (type == "image") return ResourceType::Image;
    if (type == "stylesheet") return ResourceType::StyleSheet;
    if (type == "xmlhttprequest") return ResourceType::Fetch;
    if (type == "sub_frame") return ResourceType::ChildDocument;
    if (type == "media") return ResourceType::Media;
    if (type == "font") return ResourceType::Font;
    if (type == "ping") return ResourceType::Ping;
    if (type == "websocket") return ResourceType::WebSocket;
    if (type == "popup") return ResourceType::Popup;
    return ResourceType::Other;
}

// What the corpus takes from the lists' text.
struct ListMaterial {
    struct Filter {
        std::string pattern;            // without "@@" and options
        std::string types;              // the corpus's type names the filter's options name, comma-separated
        std::vector<std::string> sites; // the sites its "domain=" names (not the excluded ones)
    };
    std::vector<Filter> hosts;     // "||host^"
    std::vector<Filter> hostPaths; // "||host/path..."
    std::vector<Filter> paths;     // "/path/", "-ad-banner.", ...
    std::vector<std::string> sites; // sites singled out: in "domain=", before "##", in page exceptions

    // Whether the lists single out the page's host or a parent domain of it.
    bool targets(std::string_view host) const {
        std::string_view rest = host;
        while (true) {
            if (siteSet_.contains(std::string(rest))) {
                return true;
            }
            const std::size_t dot = rest.find('.');
            if (dot == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(dot + 1);
        }
        // "example.*" names a site under every public suffix.
        for (const std::string& site : entitySites_) {
            if (host.starts_with(site + ".") || host.find("." + site + ".") != std::string_view::npos) {
                return true;
            }
        }
        return false;
    }

    void addSite(std::string site) {
        if (site.starts_with('~')) {
            site.erase(0, 1);
        }
        if (site.ends_with(".*")) {
            entitySites_.push_back(site.substr(0, site.size() - 2));
        } else if (!site.empty() && site.find('*') == std::string::npos && site.find('/') == std::string::npos) {
            if (siteSet_.insert(site).second) {
                sites.push_back(site);
            }
        }
    }

private:
    std::unordered_set<std::string> siteSet_;
    std::vector<std::string> entitySites_;
};

namespace detail {

inline std::vector<std::string> split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

inline std::string typeName(std::string_view option) {
    if (option == "script" || option == "image" || option == "stylesheet" || option == "media" || option == "font" ||
        option == "ping" || option == "websocket" || option == "other" || option == "popup" ||
        option == "xmlhttprequest") {
        return std::string(option);
    }
    if (option == "subdocument") return "sub_frame";
    if (option == "xhr") return "xmlhttprequest";
    if (option == "css") return "stylesheet";
    return {};
}

inline bool isHostText(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
    });
}

} // namespace detail

inline ListMaterial listMaterial(const std::vector<std::string>& lists) {
    ListMaterial material;
    for (const std::string& text : lists) {
        for (std::string line : detail::split(text, '\n')) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
                line.pop_back();
            }
            if (line.empty() || line.front() == '!' || line.front() == '[') {
                continue;
            }
            if (const std::size_t hash = line.find('#'); hash != std::string::npos && line.find('/') > hash &&
                                                         line.find('|') > hash && hash + 1 < line.size() &&
                                                         (line[hash + 1] == '#' || line[hash + 1] == '@' ||
                                                          line[hash + 1] == '?' || line[hash + 1] == '$')) {
                for (const std::string& site : detail::split(line.substr(0, hash), ',')) {
                    material.addSite(site);
                }
                continue;
            }
            const bool exception = line.starts_with("@@");
            std::string body = exception ? line.substr(2) : line;
            std::string options;
            if (const std::size_t dollar = body.rfind('$');
                dollar != std::string::npos && !(body.front() == '/' && body.back() == '/')) {
                options = body.substr(dollar + 1);
                body.erase(dollar);
            }
            ListMaterial::Filter filter{body, {}, {}};
            bool page = false;
            for (const std::string& option : detail::split(options, ',')) {
                if (option.starts_with("domain=")) {
                    for (const std::string& site : detail::split(option.substr(7), '|')) {
                        material.addSite(site);
                        if (!site.starts_with('~') && detail::isHostText(site)) {
                            filter.sites.push_back(site);
                        }
                    }
                } else if (option == "document" || option == "generichide" || option == "elemhide") {
                    page = true;
                } else if (const std::string type = detail::typeName(option); !type.empty()) {
                    filter.types += filter.types.empty() ? type : "," + type;
                }
            }
            // Regular expressions give no URL to draw; nor do patterns that are no part of one.
            if (body.size() < 4 || (body.front() == '/' && body.back() == '/') ||
                std::any_of(body.begin(), body.end(), [](char c) { return c <= ' ' || c >= 0x7F; }) ||
                (body.find("://") != std::string::npos && !body.starts_with("|http") && !body.starts_with("||"))) {
                continue;
            }
            std::string host;
            if (body.starts_with("||")) {
                const std::size_t end = body.find_first_of("^/*", 2);
                host = body.substr(2, end == std::string::npos ? std::string::npos : end - 2);
            }
            if (page && exception && detail::isHostText(host)) {
                material.addSite(host);
                continue;
            }
            if (!detail::isHostText(host) && body.starts_with("||")) {
                continue;
            }
            if (!body.starts_with("||")) {
                material.paths.push_back(std::move(filter));
            } else if (body.size() == host.size() + 2 || body == "||" + host + "^") {
                material.hosts.push_back(std::move(filter));
            } else {
                material.hostPaths.push_back(std::move(filter));
            }
        }
    }
    return material;
}

class RequestGenerator {
public:
    RequestGenerator(const ListMaterial& material, std::uint64_t seed) : material_(material), random_(seed) {}

    std::vector<Request> requests(std::size_t count) {
        std::vector<Request> requests;
        requests.reserve(count);
        while (requests.size() < count) {
            requests.push_back(next());
        }
        return requests;
    }

private:
    static constexpr std::array<std::string_view, 40> kOrdinarySites{
        "www.wikipedia.org",   "en.wikipedia.org",      "www.bbc.co.uk",        "www.theguardian.com",
        "github.com",          "stackoverflow.com",     "www.nytimes.com",      "www.lemonde.fr",
        "www.spiegel.de",      "www.reddit.com",        "news.ycombinator.com", "www.debian.org",
        "www.gnome.org",       "www.mozilla.org",       "www.python.org",       "docs.rs",
        "www.weather.gov",     "www.nasa.gov",          "www.bbc.com",          "www.reuters.com",
        "www.npr.org",         "www.economist.com",     "www.lefigaro.fr",      "www.corriere.it",
        "www.elpais.com",      "www.abc.net.au",        "www.cbc.ca",           "www.nature.com",
        "arxiv.org",           "www.imdb.com",          "www.ikea.com",         "www.booking.com",
        "www.tripadvisor.com", "www.allrecipes.com",    "www.bandcamp.com",     "www.flickr.com",
        "www.archive.org",     "www.openstreetmap.org", "www.kernel.org",       "www.gutenberg.org"};
    static constexpr std::array<std::string_view, 12> kCdnHosts{
        "cdnjs.cloudflare.com", "fonts.gstatic.com",    "ajax.googleapis.com",  "cdn.jsdelivr.net",
        "upload.wikimedia.org", "i.imgur.com",          "unpkg.com",            "code.jquery.com",
        "static.cloudflareinsights.example", "images.unsplash.com", "use.typekit.net", "s3.amazonaws.com"};
    static constexpr std::array<std::string_view, 16> kWords{
        "main", "app", "vendor", "bundle", "photo", "hero", "logo", "article", "player", "embed", "lib",
        "static", "assets", "media", "img", "video"};
    static constexpr std::array<std::string_view, 4> kSubdomains{"www.", "cdn.", "static.", "img."};

    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(random_() % bound); }
    bool chance(unsigned percent) { return below(100) < percent; }
    template <typename List>
    const auto& pick(const List& list) {
        return list[below(list.size())];
    }
    std::string word() { return std::string(pick(kWords)); }

    std::string plainType() {
        const std::size_t roll = below(100);
        if (roll < 25) return "script";
        if (roll < 55) return "image";
        if (roll < 63) return "stylesheet";
        if (roll < 78) return "xmlhttprequest";
        if (roll < 85) return "sub_frame";
        if (roll < 88) return "media";
        if (roll < 92) return "font";
        if (roll < 95) return "ping";
        if (roll < 97) return "websocket";
        return "other";
    }

    std::string typeFor(const ListMaterial::Filter& filter) {
        if (!filter.types.empty() && chance(70)) {
            return pick(detail::split(filter.types, ','));
        }
        return chance(4) ? "popup" : plainType();
    }

    std::string pathFor(const std::string& type) {
        const std::string name = word() + "-" + std::to_string(below(500));
        if (type == "script") return "/js/" + name + ".js";
        if (type == "image") return "/images/" + name + (chance(50) ? ".jpg" : ".png");
        if (type == "stylesheet") return "/css/" + name + ".css";
        if (type == "font") return "/fonts/" + name + ".woff2";
        if (type == "media") return "/media/" + name + ".mp4";
        if (type == "xmlhttprequest") return "/api/" + name + "?id=" + std::to_string(below(100000));
        return "/" + word() + "/" + name + ".html";
    }

    // A URL the pattern matches, its wildcards and separators filled in.
    std::string instantiate(std::string pattern) {
        std::string text;
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            const char c = pattern[i];
            if (c == '|') {
                continue;
            }
            if (c == '*') {
                text += word();
            } else if (c == '^') {
                text += i + 1 == pattern.size() ? (chance(50) ? "/" : "?") : "/";
            } else {
                text += c;
            }
        }
        return text;
    }

    std::string page() {
        if (!material_.sites.empty() && chance(25)) {
            return "https://" + pick(material_.sites) + "/" + word() + "/" + std::to_string(below(10000)) + ".html";
        }
        return "https://" + std::string(pick(kOrdinarySites)) + "/" + word() + "/" + std::to_string(below(10000)) +
               ".html";
    }

    static std::string hostOf(const std::string& url) {
        const std::size_t start = url.find("://") + 3;
        return url.substr(start, url.find('/', start) - start);
    }

    static std::string scheme(const std::string& type) { return type == "websocket" ? "wss://" : "https://"; }

    // Most loads a filter for some sites names happen on one of those sites.
    void onSiteOf(const ListMaterial::Filter& filter, Request& request) {
        if (!filter.sites.empty() && chance(60)) {
            request.page = "https://" + std::string(chance(30) ? "www." : "") + pick(filter.sites) + "/" + word() + "/" +
                           std::to_string(below(10000)) + ".html";
        }
    }

    Request next() {
        Request request;
        request.page = page();
        const std::size_t roll = below(100);
        if (roll < 40 && !material_.hosts.empty()) {
            const auto& filter = pick(material_.hosts);
            onSiteOf(filter, request);
            request.type = typeFor(filter);
            std::string host = filter.pattern.substr(2);
            if (host.ends_with('^')) {
                host.pop_back();
            }
            request.url = scheme(request.type) + (chance(50) ? std::string(pick(kSubdomains)) : "") + host +
                          pathFor(request.type);
        } else if (roll < 55 && !material_.hostPaths.empty()) {
            const auto& filter = pick(material_.hostPaths);
            onSiteOf(filter, request);
            request.type = typeFor(filter);
            request.url = scheme(request.type) + instantiate(filter.pattern.substr(2));
        } else if (roll < 70 && !material_.paths.empty()) {
            const auto& filter = pick(material_.paths);
            onSiteOf(filter, request);
            request.type = typeFor(filter);
            const std::string host = chance(50) ? hostOf(request.page) : std::string(pick(kCdnHosts));
            std::string path = instantiate(filter.pattern);
            if (path.starts_with("http")) {
                request.url = path;
            } else {
                request.url = scheme(request.type) + host + (path.starts_with('/') ? "" : "/" + word()) + path;
            }
        } else {
            request.type = plainType();
            const std::string host = chance(50) ? hostOf(request.page) : std::string(pick(kCdnHosts));
            request.url = scheme(request.type) + host + pathFor(request.type);
        }
        // Some loads come from the page's own site, where "third-party" filters do not apply.
        if (chance(8)) {
            request.page = "https://" + hostOf(request.url) + "/";
        }
        return request;
    }

    const ListMaterial& material_;
    std::mt19937_64 random_;
};

} // namespace orvane::corpus
