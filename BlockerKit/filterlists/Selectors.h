#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::filterlists {

// WebKit drops a "css-display-none" rule whose selector it cannot parse, silently, and a rule
// whose selector list holds one such selector drops them all. Selectors are therefore checked
// here, against a part of CSS that WebKit reads: type, universal, id, class and attribute
// selectors (with the "i" flag), the combinators, and the pseudo-classes WebKit knows that lists
// use, among them ":not", ":is", ":where", ":has" and the ":nth-" family, and "::before" and
// "::after" at the end of a selector. Anything else, such as the pseudo-classes of list engines
// (":has-text", ":-abp-has", ":xpath", ":upward", ":style"), namespaces and other pseudo-elements,
// is refused.
//
// Empty when the selector list passes; else why it does not.
std::optional<std::string> selectorFault(std::string_view selector);

// Whether the selector uses a pseudo-class of a list engine's own (what Adblock Plus and uBlock
// Origin call extended or procedural selectors), which no browser reads.
bool isExtendedSelector(std::string_view selector);

} // namespace orvane::filterlists
