#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// WebKit leaves a hiding rule out of the compiled list when it cannot read the rule's CSS
// selector: the rule is kept but hides nothing. This reads a selector as WebKit's CSS parser does
// (CSS syntax, selector lists, compound and complex selectors, attribute selectors, the pseudo-
// classes and pseudo-elements WebKit knows, with their arguments), so the editor can say so when
// the rule is written.
//
// Absent when the selector reads; else what is wrong, as a phrase ("unknown pseudo-class
// ":foo"", "a combinator ends it").
std::optional<std::string> selectorProblem(std::string_view selector);

} // namespace orvane
