#include "filterlists/StableIds.h"

#include <uuid/uuid.h>

namespace orvane::filterlists {
namespace {

// The namespace of Orvane's rule ids made from filters; changing it would change every such id.
constexpr char kNamespace[] = "6F0C3E8A-52D4-4B7E-9A1F-C3D85E27B640";

std::string nameBasedId(const std::string& name) {
    uuid_t space;
    uuid_parse(kNamespace, space);
    uuid_t id;
    uuid_generate_sha1(id, space, name.data(), name.size());
    char text[37];
    uuid_unparse_upper(id, text);
    return std::string(text, 36);
}

} // namespace

std::string stableRuleId(std::string_view packageId, std::string_view filter, std::size_t part) {
    std::string name(packageId);
    name += '\n';
    name += filter;
    if (part > 0) {
        name += '\n';
        name += std::to_string(part);
    }
    return nameBasedId(name);
}

// A filter never begins with a line feed, so no rule hashes the same name as a package.
std::string stablePackageId(std::string_view name) { return nameBasedId("package\n\n" + std::string(name)); }

} // namespace orvane::filterlists
