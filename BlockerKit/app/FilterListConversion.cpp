#include "app/FilterListConversion.h"

#include "filterlists/FilterListConverter.h"
#include "filterlists/StableIds.h"
#include "model/JsonEncoding.h"
#include "platform/BoundedRead.h"

#include <glib.h>

namespace orvane {
namespace {

// EasyList is about 2 MB; a file far beyond any list is refused before it is read.
constexpr std::uintmax_t kMaxListBytes = std::uintmax_t{64} << 20;

} // namespace

ServiceResult<ConvertedListFile> convertFilterListFile(const std::filesystem::path& path,
                                                       std::optional<std::string> name,
                                                       std::optional<std::string> id) {
    std::string why;
    const auto text = readRegularFile(path, kMaxListBytes, &why);
    if (!text) {
        return ServiceError{ServiceErrorCode::Unreadable, "The list " + path.string() + " could not be read: " + why};
    }
    if (!g_utf8_validate(text->data(), static_cast<gssize>(text->size()), nullptr) ||
        (name && !g_utf8_validate(name->data(), static_cast<gssize>(name->size()), nullptr)) ||
        (id && !g_utf8_validate(id->data(), static_cast<gssize>(id->size()), nullptr))) {
        return ServiceError{ServiceErrorCode::InvalidText, "The list or its name is not UTF-8 text."};
    }
    std::string packageName = name ? *name : filterlists::listTitle(*text);
    if (packageName.empty()) {
        packageName = path.stem().string();
    }
    std::string packageId = id ? *id : filterlists::stablePackageId(packageName);
    auto converted = filterlists::convertFilterList(*text, std::move(packageId), packageName);
    auto encoded = toJSONString(std::vector<Package>{std::move(converted.package)});
    if (!encoded) {
        return ServiceError{ServiceErrorCode::InvalidText, "The file name is not UTF-8 text."};
    }
    return ConvertedListFile{std::move(*encoded), std::move(packageName), std::move(converted.report)};
}

} // namespace orvane
