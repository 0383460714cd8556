#pragma once

#include "model/Records.h"
#include "platform/Expected.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::filterlists {

// What a network filter ("||ads.example^$script", "@@||cdn.example^$image") becomes. Where its
// rules go in the package depends on what they undo: WebKit's "ignore-previous-rules" undoes
// every earlier rule that matches the same load, so an exception has to come after what it
// exempts, and before what it must not touch.
struct NetworkRules {
    enum class Place {
        Block,                   // an ordinary blocking filter
        Exception,               // "@@": undoes the blocks before it
        PageException,           // "@@...$document": nothing is blocked or hidden on the page
        GenericHidingException,  // "@@...$generichide": no hiding by generic selectors there
        HidingException,         // "@@...$elemhide": no hiding at all there
        Important,               // "$important": blocks despite exceptions
    };
    struct Placed {
        Place place = Place::Block;
        Blocker blocker;
    };
    // Usually one; a regular expression with alternatives becomes one per way through, and an
    // exception for a page and its frame loads becomes both kinds of exception.
    std::vector<Placed> blockers;
    std::string name;
};

// The filter's rules, or the reason it cannot be expressed exactly (an option such as "$csp" or
// "$redirect", a domain list that both includes a site and excludes one of its subdomains, a
// regular expression outside WebKit's subset, ...). Nothing is ever widened to fit.
Expected<NetworkRules, std::string> convertNetworkFilter(std::string_view filter);

// When the filter is "X$...,badfilter", the text of the filter X it disables.
std::optional<std::string> badfilterTarget(std::string_view filter);

} // namespace orvane::filterlists
