#include "app/PageInspector.h"

#include "app/Classification.h"

namespace orvane {

std::unique_ptr<PageInspection> newPageInspection(PageInspection::Now now) {
    auto filter = preinstalledResourceFilter();
    auto shared = filter ? std::make_shared<const ResourceFilter>(std::move(*filter))
                         : std::make_shared<const ResourceFilter>(std::vector<Package>{});
    return std::make_unique<PageInspection>(std::move(shared), std::move(now));
}

} // namespace orvane
