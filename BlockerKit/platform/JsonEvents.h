#pragma once

// Parsing untrusted JSON into any RapidJSON event handler (a document, or a reader that decodes
// records as the events arrive) under one set of rules: UTF-8 validated and nesting bounded.

#include "platform/JsonText.h"

#include <rapidjson/reader.h>

#include <cstdint>
#include <string_view>

namespace orvane {

// Recursive descent is safe here: the handler refuses the container that would pass kMaxJsonDepth
// before the reader descends into it, so the reader never recurses deeper than that. Encoding is
// not validated by the reader either: the handler checks every key and string once decoded, the
// only places where bytes beyond ASCII can appear in valid JSON.
inline constexpr unsigned kJsonParseFlags = rapidjson::kParseDefaultFlags;

// Forwards events to `Handler`, refusing nesting deeper than kMaxJsonDepth and text that is not
// UTF-8 JSON can carry.
template <typename Handler>
class BoundedJsonHandler {
public:
    explicit BoundedJsonHandler(Handler& handler) : handler_(handler) {}

    bool Null() { return handler_.Null(); }
    bool Bool(bool b) { return handler_.Bool(b); }
    bool Int(int i) { return handler_.Int(i); }
    bool Uint(unsigned u) { return handler_.Uint(u); }
    bool Int64(std::int64_t i) { return handler_.Int64(i); }
    bool Uint64(std::uint64_t u) { return handler_.Uint64(u); }
    bool Double(double d) { return handler_.Double(d); }
    // Only produced under kParseNumbersAsStringsFlag, which is never set.
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    // An escape like \uDE0E decodes to a lone surrogate, which is not UTF-8: such text is refused
    // here, so everything read can be written again.
    bool String(const char* str, rapidjson::SizeType length, bool copy) {
        return isValidUtf8(std::string_view(str, length)) && handler_.String(str, length, copy);
    }
    bool Key(const char* str, rapidjson::SizeType length, bool copy) {
        return isValidUtf8(std::string_view(str, length)) && handler_.Key(str, length, copy);
    }
    bool StartObject() { return enter() && handler_.StartObject(); }
    bool EndObject(rapidjson::SizeType count) {
        --depth_;
        return handler_.EndObject(count);
    }
    bool StartArray() { return enter() && handler_.StartArray(); }
    bool EndArray(rapidjson::SizeType count) {
        --depth_;
        return handler_.EndArray(count);
    }

private:
    bool enter() { return ++depth_ <= kMaxJsonDepth; }

    Handler& handler_;
    unsigned depth_ = 0;
};

// Feeds one JSON value read from `stream` to `handler`. False on any error; the caller still
// checks that the stream is at its end, since the reader takes a NUL byte for the end of input.
template <typename Stream, typename Handler>
bool parseJsonEvents(Stream& stream, Handler& handler) {
    BoundedJsonHandler<Handler> bounded(handler);
    rapidjson::Reader reader;
    return !reader.Parse<kJsonParseFlags>(stream, bounded).IsError();
}

} // namespace orvane
