#include "model/JsonEncoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>


namespace orvane {
namespace {

// Every record is emitted as events to a handler: a writer (text) or a document (tree).

// Text that is not UTF-8 cannot be written as JSON; the whole encoding fails instead.
template <typename Handler>
bool emitText(Handler& handler, std::string_view text) {
    return isValidUtf8(text) &&
           handler.String(text.data(), static_cast<rapidjson::SizeType>(text.size()), true);
}

template <typename Handler>
bool emitKey(Handler& handler, std::string_view key) {
    return handler.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()), true);
}

template <typename Handler, typename Enum>
bool emitRawValues(Handler& handler, const std::vector<Enum>& values) {
    bool ok = handler.StartArray();
    for (Enum value : values) {
        ok = ok && emitText(handler, rawValue(value));
    }
    return ok && handler.EndArray(static_cast<rapidjson::SizeType>(values.size()));
}

template <typename Handler>
bool emitTexts(Handler& handler, const std::vector<std::string>& values) {
    bool ok = handler.StartArray();
    for (const auto& value : values) {
        ok = ok && emitText(handler, value);
    }
    return ok && handler.EndArray(static_cast<rapidjson::SizeType>(values.size()));
}

// A condition's key is the text form of its type.
template <typename Handler, typename Filter>
bool emitCondition(Handler& handler, const std::optional<Filter>& filter, rapidjson::SizeType& members) {
    if (!filter) {
        return true;
    }
    ++members;
    return emitKey(handler, rawValue(filter->type)) && emitTexts(handler, filter->values);
}

template <typename Handler>
bool emitFlag(Handler& handler, std::string_view key, bool value, rapidjson::SizeType& members) {
    if (!value) {
        return true;
    }
    ++members;
    return emitKey(handler, key) && handler.Bool(true);
}

// The keys of the first model come first and in their old order, so a trigger that uses only
// them is written byte for byte as before.
template <typename Handler>
bool emit(Handler& handler, const Trigger& trigger) {
    rapidjson::SizeType members = 1;
    bool ok = handler.StartObject() && emitKey(handler, "url-filter") && emitText(handler, trigger.urlFilter);
    ok = ok && emitFlag(handler, "url-filter-is-case-sensitive", trigger.caseSensitive, members);
    if (trigger.resourceTypes) {
        ok = ok && emitKey(handler, "resource-type") && emitRawValues(handler, *trigger.resourceTypes);
        ++members;
    }
    if (trigger.loadType) {
        ok = ok && emitKey(handler, "load-type") && emitRawValues(handler, *trigger.loadType);
        ++members;
    }
    ok = ok && emitCondition(handler, trigger.domainFilter, members);
    ok = ok && emitFlag(handler, "top-url-filter-is-case-sensitive", trigger.topURLFilterCaseSensitive, members);
    ok = ok && emitCondition(handler, trigger.topURLFilter, members);
    ok = ok && emitFlag(handler, "frame-url-filter-is-case-sensitive", trigger.frameURLFilterCaseSensitive, members);
    ok = ok && emitCondition(handler, trigger.frameURLFilter, members);
    if (trigger.loadContext) {
        ok = ok && emitKey(handler, "load-context") && emitRawValues(handler, *trigger.loadContext);
        ++members;
    }
    if (trigger.requestMethod) {
        ok = ok && emitKey(handler, "request-method") && emitText(handler, *trigger.requestMethod);
        ++members;
    }
    return ok && handler.EndObject(members);
}

template <typename Handler>
bool emit(Handler& handler, const Action& action) {
    bool ok = handler.StartObject() && emitKey(handler, "type") && emitText(handler, rawValue(action.type));
    if (action.selector) {
        ok = ok && emitKey(handler, "selector") && emitText(handler, *action.selector);
    }
    return ok && handler.EndObject(action.selector ? 2 : 1);
}

template <typename Handler>
bool emit(Handler& handler, const Blocker& blocker) {
    return handler.StartObject() && emitKey(handler, "trigger") && emit(handler, blocker.trigger) &&
           emitKey(handler, "action") && emit(handler, blocker.action) && handler.EndObject(2);
}

template <typename Handler>
bool emit(Handler& handler, const Rule& rule) {
    return handler.StartObject() && emitKey(handler, "id") && emitText(handler, rule.id) && emitKey(handler, "name") &&
           emitText(handler, rule.name) && emitKey(handler, "content") && emit(handler, rule.blocker) &&
           handler.EndObject(3);
}

template <typename Handler>
bool emit(Handler& handler, const Package& package);

template <typename Handler, typename Record>
bool emit(Handler& handler, const std::vector<Record>& records) {
    bool ok = handler.StartArray();
    for (const auto& record : records) {
        ok = ok && emit(handler, record);
    }
    return ok && handler.EndArray(static_cast<rapidjson::SizeType>(records.size()));
}

template <typename Handler>
bool emit(Handler& handler, const Package& package) {
    return handler.StartObject() && emitKey(handler, "id") && emitText(handler, package.id) &&
           emitKey(handler, "name") && emitText(handler, package.name) && emitKey(handler, "rules") &&
           emit(handler, package.rules) && handler.EndObject(3);
}

template <typename Record>
JsonValue tree(const Record& record, JsonAllocator& allocator) {
    JsonDocument document;
    auto generator = [&record](JsonDocument& handler) { return emit(handler, record); };
    document.Populate(generator);
    return JsonValue(document, allocator);
}

// A growable byte buffer whose single-byte appends stay a store and an increment.
class TextBuffer {
public:
    void operator+=(char c) {
        reserve(1);
        data_[size_++] = c;
    }
    void operator+=(std::string_view text) { append(text.data(), text.size()); }
    void append(const char* text, std::size_t length) {
        reserve(length);
        std::memcpy(data_.get() + size_, text, length);
        size_ += length;
    }
    std::size_t size() const { return size_; }
    std::string_view view() const { return std::string_view(data_.get(), size_); }
    void clear() { size_ = 0; }
    std::string take() const { return std::string(data_.get(), size_); }

private:
    void reserve(std::size_t more) {
        if (size_ + more <= capacity_) {
            return;
        }
        const std::size_t capacity = std::max(capacity_ * 2, size_ + more + 4096);
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_ > 0) {
            std::memcpy(grown.get(), data_.get(), size_);
        }
        data_ = std::move(grown);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Compact JSON text for the emitters above: the content-blocker file of every rule is written
// on each change, so this appends straight to one buffer and copies plain strings whole.
class CompactWriter {
public:
    bool StartObject() { return open('{'); }
    bool EndObject(rapidjson::SizeType) { return close('}'); }
    bool StartArray() { return open('['); }
    bool EndArray(rapidjson::SizeType) { return close(']'); }
    // Keys are the encoder's own fixed names and need no escaping.
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        separate();
        out_ += '"';
        out_.append(text, length);
        out_.append("\":", 2);
        afterKey_ = true;
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        separate();
        appendString(std::string_view(text, length));
        return true;
    }
    bool Bool(bool value) {
        separate();
        out_ += std::string_view(value ? "true" : "false");
        return true;
    }

    std::string take() const { return out_.take(); }
    // The text made so far, which may be handed on and dropped between two values.
    std::size_t size() const { return out_.size(); }
    std::string_view text() const { return out_.view(); }
    void dropText() { out_.clear(); }

private:
    bool open(char bracket) {
        separate();
        out_ += bracket;
        firstInContainer_ = true;
        return true;
    }
    bool close(char bracket) {
        out_ += bracket;
        firstInContainer_ = false;
        return true;
    }
    // A comma before every element but the first of its container; none after a key.
    void separate() {
        if (afterKey_) {
            afterKey_ = false;
        } else if (!firstInContainer_) {
            out_ += ',';
        }
        firstInContainer_ = false;
    }
    // True when one of the eight bytes is a control character, a quotation mark or a backslash.
    static bool needsEscape(std::uint64_t word) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
        constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
        const auto hasZero = [&](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
        const std::uint64_t below = (word - kOnes * 0x20) & ~word & kHighs;
        return (below | hasZero(word ^ (kOnes * '"')) | hasZero(word ^ (kOnes * '\\'))) != 0;
    }

    void appendString(std::string_view text) {
        out_ += '"';
        std::size_t plain = 0;
        std::size_t i = 0;
        while (i < text.size()) {
            if (i + 8 <= text.size()) {
                std::uint64_t word;
                std::memcpy(&word, text.data() + i, 8);
                if (!needsEscape(word)) {
                    i += 8;
                    continue;
                }
            }
            const auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x20 || c == '"' || c == '\\') {
                out_.append(text.data() + plain, i - plain);
                appendEscape(c);
                plain = i + 1;
            }
            ++i;
        }
        out_.append(text.data() + plain, text.size() - plain);
        out_ += '"';
    }
    void appendEscape(unsigned char c) {
        switch (c) {
        case '"': out_ += std::string_view("\\\""); return;
        case '\\': out_ += std::string_view("\\\\"); return;
        case '\n': out_ += std::string_view("\\n"); return;
        case '\r': out_ += std::string_view("\\r"); return;
        case '\t': out_ += std::string_view("\\t"); return;
        default: {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out_ += std::string_view("\\u00");
            out_ += kHex[c >> 4];
            out_ += kHex[c & 0xF];
        }
        }
    }

    TextBuffer out_;
    bool firstInContainer_ = true;
    bool afterKey_ = false;
};

template <typename Record>
std::optional<std::string> text(const Record& record) {
    CompactWriter writer;
    if (!emit(writer, record)) {
        return std::nullopt;
    }
    return writer.take();
}

constexpr std::size_t kPieceSize = 64 * 1024;

} // namespace

JsonValue toJSON(const Trigger& trigger, JsonAllocator& allocator) { return tree(trigger, allocator); }
JsonValue toJSON(const Action& action, JsonAllocator& allocator) { return tree(action, allocator); }
JsonValue toJSON(const Blocker& blocker, JsonAllocator& allocator) { return tree(blocker, allocator); }
JsonValue toJSON(const std::vector<Blocker>& blockers, JsonAllocator& allocator) { return tree(blockers, allocator); }
JsonValue toJSON(const Rule& rule, JsonAllocator& allocator) { return tree(rule, allocator); }
JsonValue toJSON(const Package& package, JsonAllocator& allocator) { return tree(package, allocator); }
JsonValue toJSON(const std::vector<Rule>& rules, JsonAllocator& allocator) { return tree(rules, allocator); }
JsonValue toJSON(const std::vector<Package>& packages, JsonAllocator& allocator) { return tree(packages, allocator); }

std::optional<std::string> toJSONString(const Trigger& trigger) { return text(trigger); }
std::optional<std::string> toJSONString(const Action& action) { return text(action); }
std::optional<std::string> toJSONString(const Blocker& blocker) { return text(blocker); }
std::optional<std::string> toJSONString(const std::vector<Blocker>& blockers) { return text(blockers); }
std::optional<std::string> toJSONString(const Rule& rule) { return text(rule); }
std::optional<std::string> toJSONString(const Package& package) { return text(package); }
std::optional<std::string> toJSONString(const std::vector<Rule>& rules) { return text(rules); }
std::optional<std::string> toJSONString(const std::vector<Package>& packages) { return text(packages); }

bool writeJSON(std::span<const Blocker* const> blockers, const std::function<bool(std::string_view)>& write) {
    CompactWriter writer;
    bool ok = writer.StartArray();
    for (const Blocker* blocker : blockers) {
        ok = ok && emit(writer, *blocker);
        if (ok && writer.size() >= kPieceSize) {
            ok = write(writer.text());
            writer.dropText();
        }
    }
    return ok && writer.EndArray(static_cast<rapidjson::SizeType>(blockers.size())) && write(writer.text());
}

} // namespace orvane
