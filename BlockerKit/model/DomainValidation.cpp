#include "model/DomainValidation.h"

#include "platform/NotificationCenter.h"

#include <string_view>

namespace orvane {
namespace {

// Every forbidden character but the horizontal ellipsis, which is not ASCII.
constexpr std::string_view kForbiddenAscii = "!@#$%^&()+=`[]{}\\|;:\"',~<>?/";
// U+2026 HORIZONTAL ELLIPSIS in UTF-8; searched as a whole so that its bytes never match alone.
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

bool holdsForbiddenCharacter(std::string_view domain) {
    return domain.find_first_of(kForbiddenAscii) != std::string_view::npos ||
           domain.find(kEllipsis) != std::string_view::npos;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool isInvalid(std::string_view domain) {
    return !contains(domain, ".") || domain.starts_with('.') || domain.ends_with('.') || domain.starts_with('-') ||
           domain.ends_with('-') || (contains(domain, "*") && !domain.starts_with('*')) || contains(domain, ".*") ||
           contains(domain, "*.") || holdsForbiddenCharacter(domain);
}

} // namespace

bool validateDomainList(const std::vector<std::string>& domains) {
    if (domains.empty()) {
        showMessage("Domain list is empty", true);
        return false;
    }
    for (const auto& domain : domains) {
        if (domain == "localhost") {
            continue;
        }
        if (domain.empty()) {
            showMessage("Domain field is empty", true);
            return false;
        }
        if (isInvalid(domain)) {
            showMessage("Invalid domain: '" + domain + "'", true);
            return false;
        }
    }
    return true;
}

} // namespace orvane
