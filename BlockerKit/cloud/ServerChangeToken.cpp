#include "cloud/ServerChangeToken.h"

#include "platform/JsonText.h"

#include <string>

namespace orvane {
namespace {

constexpr const char* kTokenFormat = "orvane.server-change-token.1";

} // namespace

Bytes ServerChangeToken::archive() const {
    JsonDocument document(rapidjson::kObjectType);
    auto& allocator = document.GetAllocator();
    document.AddMember("format", JsonValue(rapidjson::StringRef(kTokenFormat)), allocator);
    document.AddMember("position", JsonValue(position_), allocator);
    const std::string json = serializeJson(document).value_or(std::string());
    return Bytes(json.begin(), json.end());
}

std::optional<ServerChangeToken> ServerChangeToken::unarchive(const Bytes& bytes) {
    auto document = parseJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!document || !document->IsObject()) {
        return std::nullopt;
    }
    const JsonValue& token = *document;
    const auto format = token.FindMember("format");
    const auto position = token.FindMember("position");
    if (format == token.MemberEnd() || !format->value.IsString() ||
        std::string(format->value.GetString()) != kTokenFormat || position == token.MemberEnd() ||
        !position->value.IsInt64() || position->value.GetInt64() < 0) {
        return std::nullopt;
    }
    return ServerChangeToken(position->value.GetInt64());
}

} // namespace orvane
