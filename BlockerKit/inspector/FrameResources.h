#pragma once

#include "inspector/ResourceFilter.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// What one frame of an inspected page loaded once it finished: its own address and its
// subresources with their sizes.
struct FrameReport {
    std::string frameURL;
    std::vector<ResourceFilter::Resource> resources;

    bool operator==(const FrameReport&) const = default;
};

// The frame's resources that came from other hosts: every resource whose host is neither the
// frame's host (with every "www." taken out) nor a subdomain of it. A frame without a host, and
// resources without one, give nothing.
std::vector<ResourceFilter::Resource> resourcesFromOtherHosts(const FrameReport& frame);

// Whether a frame at `frameURL` is the page being inspected: its host contains the inspected host.
bool isInspectedFrame(std::string_view frameURL, std::string_view inspectedHost);

} // namespace orvane
