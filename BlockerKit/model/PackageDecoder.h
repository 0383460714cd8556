#pragma once

#include "model/Records.h"
#include "model/SkippedRules.h"

#include <rapidjson/rapidjson.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Reads records straight from JSON events, as a parser or `JsonValue::Accept` produces them, so
// a package file of tens of thousands of rules is decoded without building a document first.
//
// Lenient about everything around a rule, as every reader of stored packages: the first member
// of a name counts and later ones are ignored; a missing or non-string id becomes a fresh UUID
// and a missing name an empty string.
//
// Strict about what a rule does, so that no rule is ever kept applying more widely than written:
// a trigger key it does not know, a list that is not a list of strings, a resource type, load
// type or load context it does not know, an unknown request method, more than one domain or URL
// condition, or an unknown action type skips the rule with a log line naming what it met (then
// the fixed "trigger init failed" / "action init failed" and "blocker init failed"). Skipped
// rules are counted by that reason.
class PackageDecoder {
public:
    // What the top-level value is read as. A blocker list is a plain content-blocker list: an
    // array of entries, each an object with "trigger" and "action".
    enum class Top : std::uint8_t { PackageList, Package, RuleList, Rule, Trigger, Action, BlockerList };

    explicit PackageDecoder(Top top) : top_(top) {}

    // The handler interface of RapidJSON's reader and of `JsonValue::Accept`.
    bool Null() { return value(Kind::Other); }
    bool Bool(bool b) { return value(Kind::Other, {}, b); }
    bool Int(int i) { return value(Kind::Other, {}, i != 0); }
    bool Uint(unsigned u) { return value(Kind::Other, {}, u != 0); }
    bool Int64(std::int64_t i) { return value(Kind::Other, {}, i != 0); }
    bool Uint64(std::uint64_t u) { return value(Kind::Other, {}, u != 0); }
    bool Double(double d) { return value(Kind::Other, {}, d != 0.0); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return value(Kind::String, std::string_view(text, length));
    }
    bool Key(const char* text, rapidjson::SizeType length, bool);
    bool StartObject() { return value(Kind::Object); }
    bool EndObject(rapidjson::SizeType) { return end(); }
    bool StartArray() { return value(Kind::Array); }
    bool EndArray(rapidjson::SizeType) { return end(); }

    // The results once the top-level value has ended. A list top gives every readable element;
    // a single package or rule gives at most one.
    std::vector<Package> takePackages() { return std::move(packages_); }
    std::vector<Rule> takeRules() { return std::move(rules_); }
    std::optional<Trigger> takeTrigger() { return std::move(trigger_); }
    std::optional<Action> takeAction() { return std::move(action_); }
    std::vector<Blocker> takeBlockers() { return std::move(blockers_); }
    // The rules (or entries) left out, by reason.
    SkippedRules takeSkipped() { return std::move(skipped_); }

private:
    enum class Kind : std::uint8_t { String, Object, Array, Other };

    // The object or array being read; Ignored for values nobody reads.
    enum class Frame : std::uint8_t {
        PackageList,
        Package,
        RuleList,
        Rule,
        BlockerList,
        Content,
        Trigger,
        Action,
        StringList,
        Ignored,
    };

    // The member a value belongs to. Each is read from its first occurrence only.
    enum class Field : std::uint8_t {
        None,
        PackageId,
        PackageName,
        PackageRules,
        RuleId,
        RuleName,
        RuleContent,
        ContentTrigger,
        ContentAction,
        UrlFilter,
        CaseSensitive,
        ResourceType,
        LoadType,
        IfDomain,
        UnlessDomain,
        TopURLCaseSensitive,
        FrameURLCaseSensitive,
        IfTopURL,
        UnlessTopURL,
        IfFrameURL,
        UnlessFrameURL,
        LoadContext,
        RequestMethod,
        ActionType,
        Selector,
    };

    struct Open {
        Frame frame;
        Field field;            // the member this container is the value of
        std::uint32_t seen = 0; // fields already met in this object
    };

    // A member read as a list of strings; usable only when it is an array of strings alone.
    struct StringList {
        bool present = false;
        bool allStrings = true;
        std::vector<std::string> values;

        bool usable() const { return present && allStrings; }
        bool broken() const { return present && !allStrings; }
        void clear() {
            present = false;
            allStrings = true;
            values.clear();
        }
    };

    struct TriggerDraft {
        std::optional<std::string> urlFilter;
        bool caseSensitive = false;
        bool topURLCaseSensitive = false;
        bool frameURLCaseSensitive = false;
        StringList resourceTypes;
        StringList loadTypes;
        StringList loadContexts;
        StringList ifDomain;
        StringList unlessDomain;
        StringList ifTopURL;
        StringList unlessTopURL;
        StringList ifFrameURL;
        StringList unlessFrameURL;
        std::optional<std::string> requestMethod;
        // The first thing met that the model cannot carry; the trigger then reads as nothing.
        std::optional<std::string> problem;
    };

    struct ActionDraft {
        std::optional<ActionType> type; // absent when missing, not a string or unknown
        std::optional<std::string> unknownType;
        std::optional<std::string> selector;
    };

    struct RuleDraft {
        std::optional<std::string> id;
        std::optional<std::string> name;
        TriggerDraft trigger;
        ActionDraft action;

        // Emptied in place: the lists keep their room for the next rule.
        void clear();
    };

    static Field fieldNamed(Frame frame, std::string_view name);

    bool value(Kind kind, std::string_view text = {}, bool truthy = false);
    bool end();
    Frame topLevel(Kind kind);
    Frame member(Field field, Kind kind, std::string_view text, bool truthy);
    Frame ruleElement(Kind kind);
    StringList* list(Field field);

    void startPackage();
    void finishPackage();
    void finishRule();
    void finishEntry();
    // The blocker of the rule or entry just read, or absent after its log lines and with the
    // reason it was skipped.
    std::optional<Blocker> finishBlocker(std::string& reason);
    // A trigger or action read on its own, as the top-level value.
    void finishLoneValue();
    static std::optional<Trigger> finishTrigger(TriggerDraft& draft, std::string& reason);
    static std::optional<Action> finishAction(ActionDraft& draft, std::string& reason);

    Top top_;
    std::vector<Open> open_;
    Field pending_ = Field::None; // the member whose value comes next

    Package package_;
    bool packageHasId_ = false;
    RuleDraft rule_;

    std::vector<Package> packages_;
    std::vector<Rule> rules_; // the current package's rules, or the result of a rule top
    std::optional<Trigger> trigger_;
    std::optional<Action> action_;
    std::vector<Blocker> blockers_;
    SkippedRules skipped_;
};

} // namespace orvane
