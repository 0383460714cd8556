#include "editors/EditorTexts.h"

namespace orvane::desktop {

std::string kindTitle(ConfigurablePackageType kind) {
    switch (kind) {
    case ConfigurablePackageType::BlockURL: return "Block URL";
    case ConfigurablePackageType::BlockCookies: return "Block Cookies";
    case ConfigurablePackageType::HideElements: return "Hide Elements";
    case ConfigurablePackageType::Whitelist: return "Whitelist";
    case ConfigurablePackageType::makeHttps: return "Make HTTPS";
    }
    return {};
}

std::string kindHint(ConfigurablePackageType kind) {
    switch (kind) {
    case ConfigurablePackageType::BlockURL:
        return "Stops the browser from loading every address the URL filter matches.";
    case ConfigurablePackageType::BlockCookies:
        return "Keeps cookies out of the requests of every site, or of the sites listed below.";
    case ConfigurablePackageType::HideElements:
        return "Hides the parts of a page that the CSS selector matches.";
    case ConfigurablePackageType::Whitelist:
        return "Turns every blocking rule off on the sites listed below.";
    case ConfigurablePackageType::makeHttps:
        return "Loads the sites listed below over HTTPS only.";
    }
    return {};
}

} // namespace orvane::desktop
