#include "editors/RuleEditors.h"

#include "editors/CSSBlockerCreator.h"
#include "editors/CustomBlockerCreator.h"
#include "editors/DomainCreators.h"
#include "editors/URLBlockerCreator.h"

namespace orvane::desktop {

std::unique_ptr<AbstractBlockerCreator> makeKindEditor(const EditorRequest& request, SplitViewController& splitView,
                                                       bool embedded) {
    switch (*request.kind) {
    case ConfigurablePackageType::BlockURL: return std::make_unique<URLBlockerCreator>(splitView, request, embedded);
    case ConfigurablePackageType::BlockCookies: return std::make_unique<CookiesCreator>(splitView, request, embedded);
    case ConfigurablePackageType::HideElements:
        return std::make_unique<CSSBlockerCreator>(splitView, request, embedded);
    case ConfigurablePackageType::Whitelist: return std::make_unique<WhitelistCreator>(splitView, request, embedded);
    case ConfigurablePackageType::makeHttps: return std::make_unique<MakeHttpsCreator>(splitView, request, embedded);
    }
    return nullptr;
}

std::unique_ptr<EditorPage> makeRuleEditor(const EditorRequest& request, SplitViewController& splitView) {
    if (!request.kind) {
        return std::make_unique<CustomBlockerCreator>(splitView, request);
    }
    return makeKindEditor(request, splitView, false);
}

} // namespace orvane::desktop
