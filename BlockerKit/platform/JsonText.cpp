#include "platform/JsonText.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
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

// GLib's check refuses NUL, which JSON writes escaped; check the text between NULs.
bool isValidUtf8Text(std::string_view text) {
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


constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;

// Forwards SAX events to the document and refuses input nested deeper than kMaxJsonDepth.
class DepthLimitedHandler {
public:
    explicit DepthLimitedHandler(JsonDocument& document) : document_(document) {}

    bool Null() { return document_.Null(); }
    bool Bool(bool b) { return document_.Bool(b); }
    bool Int(int i) { return document_.Int(i); }
    bool Uint(unsigned u) { return document_.Uint(u); }
    bool Int64(int64_t i) { return document_.Int64(i); }
    bool Uint64(uint64_t u) { return document_.Uint64(u); }
    bool Double(double d) { return document_.Double(d); }
    bool RawNumber(const char* str, rapidjson::SizeType length, bool copy) {
        return document_.RawNumber(str, length, copy);
    }
    // An escape like \uDE0E decodes to a lone surrogate, which is not UTF-8: such text is refused
    // here, so everything read can be written again.
    bool String(const char* str, rapidjson::SizeType length, bool copy) {
        return isValidUtf8Text(std::string_view(str, length)) && document_.String(str, length, copy);
    }
    bool Key(const char* str, rapidjson::SizeType length, bool copy) {
        return isValidUtf8Text(std::string_view(str, length)) && document_.Key(str, length, copy);
    }
    bool StartObject() { return enter() && document_.StartObject(); }
    bool EndObject(rapidjson::SizeType count) {
        --depth_;
        return document_.EndObject(count);
    }
    bool StartArray() { return enter() && document_.StartArray(); }
    bool EndArray(rapidjson::SizeType count) {
        --depth_;
        return document_.EndArray(count);
    }

private:
    bool enter() { return ++depth_ <= kMaxJsonDepth; }

    JsonDocument& document_;
    unsigned depth_ = 0;
};

struct BoundedParse {
    std::string_view text;
    bool ok = false;

    bool operator()(JsonDocument& document) {
        DepthLimitedHandler handler(document);
        rapidjson::MemoryStream stream(text.data(), text.size());
        rapidjson::Reader reader;
        ok = !reader.Parse<kParseFlags>(stream, handler).IsError();
        return ok;
    }
};

struct BoundedParseInPlace {
    std::string& buffer;
    bool ok = false;

    bool operator()(JsonDocument& document) {
        DepthLimitedHandler handler(document);
        rapidjson::InsituStringStream stream(buffer.data());
        rapidjson::Reader reader;
        ok = !reader.Parse<kParseFlags | rapidjson::kParseInsituFlag>(stream, handler).IsError();
        return ok;
    }
};

} // namespace

bool isValidUtf8(std::string_view text) { return isValidUtf8Text(text); }

std::optional<JsonDocument> parseJson(std::string_view text) {
    JsonDocument document;
    BoundedParse parse{text};
    document.Populate(parse);
    if (!parse.ok) {
        return std::nullopt;
    }
    return document;
}

std::optional<JsonDocument> parseJsonInPlace(std::string& buffer) {
    // The in-place stream stops at the first NUL; text holding one is not a JSON document.
    if (buffer.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    JsonDocument document;
    BoundedParseInPlace parse{buffer};
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
