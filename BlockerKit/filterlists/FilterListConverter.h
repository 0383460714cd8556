#pragma once

#include "filterlists/ConversionReport.h"
#include "model/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvane::filterlists {

struct ConvertedList {
    Package package;
    ConversionReport report;
};

// Converts a filter list in Adblock Plus syntax (EasyList, EasyPrivacy, ...) into one package of
// content-blocker rules with the given id and name.
//
// The rules keep the list's meaning under WebKit's reading of a content-blocker list, where an
// "ignore-previous-rules" undoes every earlier rule matching the same load. So the package holds,
// in this order: hiding on every site (selectors in a few groups, and one rule per selector that
// some sites exempt), exceptions from generic hiding, hiding on named sites, exceptions from all
// hiding, blocking filters, their exceptions, exceptions for whole pages, and last the
// "$important" filters that exceptions do not touch. An exception for one site ("a.com#@#.ad")
// becomes "unless-domain" on that selector's rules, never a rule that would act elsewhere.
//
// Rule names are the host or the selector; ids come from the filter text (StableIds.h).
// Deterministic: the same text converts to the same package, byte for byte once encoded.
ConvertedList convertFilterList(std::string_view text, std::string packageId, std::string packageName);

// Lists used together, such as EasyList and EasyPrivacy: a filter engine applies the exceptions
// of every list to the filters of all. In a content-blocker list an exception undoes only the
// rules before it, so the exceptions for loads of each list are repeated at the end of the
// exceptions of every package after it; with an earlier package switched off, they only ever
// allow more. Converted in the order given; the texts must outlive the call.
struct ListSource {
    std::string_view text;
    std::string packageId;
    std::string packageName;
};
std::vector<ConvertedList> convertFilterLists(const std::vector<ListSource>& lists);

// The list's title from its "! Title:" header; empty when it has none.
std::string listTitle(std::string_view text);

} // namespace orvane::filterlists
