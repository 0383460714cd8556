#include "inspector/FrameResources.h"

#include "inspector/InspectedAddress.h"

namespace orvane {
namespace {

std::string withoutWww(std::string host) {
    constexpr std::string_view www = "www.";
    for (auto at = host.find(www); at != std::string::npos; at = host.find(www, at)) {
        host.erase(at, www.size());
    }
    return host;
}

// A plain suffix test would take "notexample.com" for a part of "example.com"; only whole labels
// make a subdomain.
bool isSameSite(std::string_view host, std::string_view site) {
    if (!host.ends_with(site)) {
        return false;
    }
    return host.size() == site.size() || site.empty() || host[host.size() - site.size() - 1] == '.';
}

} // namespace

std::vector<ResourceFilter::Resource> resourcesFromOtherHosts(const FrameReport& frame) {
    std::vector<ResourceFilter::Resource> foreign;
    const auto frameHost = hostOfURL(frame.frameURL);
    if (!frameHost) {
        return foreign;
    }
    const std::string site = withoutWww(*frameHost);
    for (const auto& resource : frame.resources) {
        const auto host = hostOfURL(resource.url);
        if (host && !isSameSite(*host, site)) {
            foreign.push_back(resource);
        }
    }
    return foreign;
}

bool isInspectedFrame(std::string_view frameURL, std::string_view inspectedHost) {
    const auto host = hostOfURL(frameURL);
    return host && !inspectedHost.empty() && host->find(inspectedHost) != std::string::npos;
}

} // namespace orvane
