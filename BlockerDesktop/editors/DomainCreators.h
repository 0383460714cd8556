#pragma once

#include "editors/AbstractBlockerCreator.h"

namespace orvane::desktop {

// The editors with no fields of their own: what they make is decided by the shared controls.

// Blocks cookies, for one load type or both, on every site or on the domains of its filter.
class CookiesCreator : public AbstractBlockerCreator {
public:
    CookiesCreator(SplitViewController& splitView, EditorRequest request, bool embedded)
        : AbstractBlockerCreator(splitView, std::move(request), Controls{.loadType = true, .domainFilter = true},
                                 embedded) {}
};

// Exempts its domains from every blocking rule; the domain table always shows.
class WhitelistCreator : public AbstractBlockerCreator {
public:
    WhitelistCreator(SplitViewController& splitView, EditorRequest request, bool embedded)
        : AbstractBlockerCreator(splitView, std::move(request), Controls{}, embedded) {}
};

// Loads its domains over HTTPS only; the domain table always shows.
class MakeHttpsCreator : public AbstractBlockerCreator {
public:
    MakeHttpsCreator(SplitViewController& splitView, EditorRequest request, bool embedded)
        : AbstractBlockerCreator(splitView, std::move(request), Controls{}, embedded) {}
};

} // namespace orvane::desktop
