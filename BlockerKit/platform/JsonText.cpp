#include "platform/JsonText.h"

#include "platform/JsonEvents.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <rapidjson/memorystream.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace orvane {
namespace {

bool isAscii(std::string_view text) {
    // Eight bytes at a time: rule texts are almost always plain ASCII.
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            return false;
        }
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            return false;
        }
    }
    return true;
}

struct BoundedParse {
    std::string_view text;
    bool ok = false;

    bool operator()(JsonDocument& document) {
        rapidjson::MemoryStream stream(text.data(), text.size());
        const bool parsed = parseJsonEvents(stream, document);
        // The reader stops at a NUL byte as if the text ended there.
        ok = parsed && stream.Tell() == text.size();
        return parsed;
    }
};

} // namespace

// GLib's check refuses NUL, which JSON writes escaped; check the text between NULs.
bool isValidUtf8(std::string_view text) {
    if (isAscii(text)) {
        return true;
    }
    for (;;) {
        const std::size_t nul = text.find('\0');
        if (!g_utf8_validate_len(text.data(), std::min(nul, text.size()), nullptr)) {
            return false;
        }
        if (nul == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(nul + 1);
    }
}

std::optional<JsonDocument> parseJson(std::string_view text) {
    JsonDocument document;
    BoundedParse parse{text};
    document.Populate(parse);
    if (!parse.ok) {
        return std::nullopt;
    }
    return document;
}

std::optional<std::string> serializeJson(const JsonValue& value) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>, rapidjson::CrtAllocator,
                      rapidjson::kWriteValidateEncodingFlag>
        writer(buffer);
    if (!value.Accept(writer)) {
        return std::nullopt;
    }
    return std::string(buffer.GetString(), buffer.GetSize());
}

} // namespace orvane
