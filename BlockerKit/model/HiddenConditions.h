#pragma once

#include "model/Enums.h"
#include "model/Records.h"

#include <optional>

namespace orvane {

// Saving an edited rule must not lose what its editor cannot show. Each editor builds a rule from
// its controls alone; this gives the built rule, from the stored one, everything the editor of
// `editor` kind has no control for:
//   - every editor: the url filter's case sensitivity, the page and frame URL conditions with
//     their case sensitivity, the load context and the request method;
//   - every editor but the URL editor: the url filter and the resource types; the URL editor keeps
//     the resource types it has no segment for (in the stored order, with the ones selected);
//   - the element-hiding, exemption and HTTPS editors: the load types;
//   - the exemption and HTTPS editors: whether the domain filter is if-domain or unless-domain.
// WebKit takes only one domain, page URL or frame URL condition per rule: when the edit adds a
// domain filter to a rule with a URL condition, it shows one warning and answers nothing.
std::optional<Rule> withHiddenConditions(ConfigurablePackageType editor, const Rule& stored, Rule built);

} // namespace orvane
