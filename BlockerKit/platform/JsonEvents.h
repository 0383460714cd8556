#pragma once

// Parsing untrusted JSON into any RapidJSON event handler (a document, or a reader that decodes
// records as the events arrive) under one set of rules: UTF-8 validated and nesting bounded.

#include "platform/JsonText.h"

#include <rapidjson/reader.h>

#include <cstddef>
#include <cstdint>
#include <optional>
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

// The same rules, kept by leaving out what breaks them instead of refusing the whole text: a
// string or key that is not UTF-8, or a container nested deeper than kMaxJsonDepth, reaches
// `Handler` as a null (a key as one no reader knows), and the parse goes on. A reader that takes
// a null where it expected something else drops the record holding it, so one broken record
// costs that record only. Only a text that is not JSON at all (cut short, a syntax error) fails.
template <typename Handler>
class TolerantJsonHandler {
public:
    explicit TolerantJsonHandler(Handler& handler) : handler_(handler) {}

    bool Null() { return skipping() || handler_.Null(); }
    bool Bool(bool b) { return skipping() || handler_.Bool(b); }
    bool Int(int i) { return skipping() || handler_.Int(i); }
    bool Uint(unsigned u) { return skipping() || handler_.Uint(u); }
    bool Int64(std::int64_t i) { return skipping() || handler_.Int64(i); }
    bool Uint64(std::uint64_t u) { return skipping() || handler_.Uint64(u); }
    bool Double(double d) { return skipping() || handler_.Double(d); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    bool String(const char* str, rapidjson::SizeType length, bool copy) {
        if (skipping()) {
            return true;
        }
        if (isValidUtf8(std::string_view(str, length))) {
            return handler_.String(str, length, copy);
        }
        ++repaired_;
        return handler_.Null();
    }
    bool Key(const char* str, rapidjson::SizeType length, bool copy) {
        if (skipping()) {
            return true;
        }
        if (isValidUtf8(std::string_view(str, length))) {
            return handler_.Key(str, length, copy);
        }
        ++repaired_;
        return handler_.Key(kUnreadableKey, sizeof kUnreadableKey - 1, true);
    }
    bool StartObject() { return enter() ? handler_.StartObject() : true; }
    bool EndObject(rapidjson::SizeType count) { return leave() ? handler_.EndObject(count) : true; }
    bool StartArray() { return enter() ? handler_.StartArray() : true; }
    bool EndArray(rapidjson::SizeType count) { return leave() ? handler_.EndArray(count) : true; }

    // How many values had to be left out.
    std::size_t repaired() const { return repaired_; }

private:
    static constexpr char kUnreadableKey[] = "\x01unreadable";

    bool skipping() const { return skippedDepth_ > 0; }
    // Answers whether the container is passed on; a container too deep stands as one null.
    bool enter() {
        if (skipping()) {
            ++skippedDepth_;
            return false;
        }
        if (depth_ + 1 > kMaxJsonDepth) {
            skippedDepth_ = 1;
            ++repaired_;
            handler_.Null();
            return false;
        }
        ++depth_;
        return true;
    }
    bool leave() {
        if (skipping()) {
            --skippedDepth_;
            return false;
        }
        --depth_;
        return true;
    }

    Handler& handler_;
    unsigned depth_ = 0;
    std::size_t skippedDepth_ = 0;
    std::size_t repaired_ = 0;
};

// Feeds one JSON value to `handler` through TolerantJsonHandler. The iterative parser keeps the
// stack flat however deep the left-out containers go. Answers how many values were left out, or
// absent when the text is not JSON.
template <typename Stream, typename Handler>
std::optional<std::size_t> parseJsonEventsTolerantly(Stream& stream, Handler& handler) {
    TolerantJsonHandler<Handler> tolerant(handler);
    rapidjson::Reader reader;
    if (reader.Parse<rapidjson::kParseIterativeFlag>(stream, tolerant).IsError()) {
        return std::nullopt;
    }
    return tolerant.repaired();
}

} // namespace orvane
