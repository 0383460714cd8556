#include "model/JsonEncoding.h"

#include <glib.h>

#include <algorithm>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace orvane {
namespace {

// Every record is emitted as events to a handler: a writer (text) or a document (tree).

// GLib's check refuses NUL, which JSON writes escaped; check the text between NULs.
bool isUtf8(std::string_view text) {
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

// Text that is not UTF-8 cannot be written as JSON; the whole encoding fails instead.
template <typename Handler>
bool emitText(Handler& handler, std::string_view text) {
    return isUtf8(text) &&
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
bool emit(Handler& handler, const Trigger& trigger) {
    rapidjson::SizeType members = 1;
    bool ok = handler.StartObject() && emitKey(handler, "url-filter") && emitText(handler, trigger.urlFilter);
    if (trigger.caseSensitive) {
        ok = ok && emitKey(handler, "url-filter-is-case-sensitive") && handler.Bool(true);
        ++members;
    }
    if (trigger.resourceTypes) {
        ok = ok && emitKey(handler, "resource-type") && emitRawValues(handler, *trigger.resourceTypes);
        ++members;
    }
    if (trigger.loadType) {
        ok = ok && emitKey(handler, "load-type") && emitRawValues(handler, *trigger.loadType);
        ++members;
    }
    if (trigger.domainFilter) {
        const auto& values = trigger.domainFilter->values;
        ok = ok && emitKey(handler, rawValue(trigger.domainFilter->type)) && handler.StartArray();
        for (const auto& value : values) {
            ok = ok && emitText(handler, value);
        }
        ok = ok && handler.EndArray(static_cast<rapidjson::SizeType>(values.size()));
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

template <typename Record>
std::optional<std::string> text(const Record& record) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    if (!emit(writer, record)) {
        return std::nullopt;
    }
    return std::string(buffer.GetString(), buffer.GetSize());
}

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

} // namespace orvane
