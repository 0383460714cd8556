#include "model/PackageDecoder.h"

#include "model/ShortText.h"
#include "platform/Log.h"
#include "platform/Uuid.h"

#include <iterator>
#include <utility>

namespace orvane {
namespace {

void note(std::optional<std::string>& problem, std::string text) {
    if (!problem) {
        problem = std::move(text);
    }
}

std::string notAList(std::string_view key) { return std::string(key) + " is not a list of strings"; }

// The text forms in order; absent when the member is. A text that matches no case is a problem:
// dropping it would widen the rule, and an empty list means every kind.
template <typename Enum>
std::optional<std::vector<Enum>> knownValues(bool present, const std::vector<std::string>& texts, std::string_view key,
                                             std::optional<std::string>& problem) {
    if (!present) {
        return std::nullopt;
    }
    std::vector<Enum> values;
    values.reserve(texts.size());
    for (const auto& text : texts) {
        if (auto converted = fromRawValue<Enum>(text)) {
            values.push_back(*converted);
        } else {
            note(problem, "unknown " + std::string(key) + " " + quoted(text));
        }
    }
    return values;
}

// The list as one of two opposite conditions, when exactly one of the two is given.
template <typename Filter>
std::optional<Filter> conditionOf(std::vector<std::string>& first, bool hasFirst, std::vector<std::string>& second,
                                  bool hasSecond, decltype(Filter::type) firstType, decltype(Filter::type) secondType) {
    if (hasFirst) {
        return Filter{firstType, std::move(first)};
    }
    if (hasSecond) {
        return Filter{secondType, std::move(second)};
    }
    return std::nullopt;
}

constexpr const char* kConditionProblem =
    "more than one of if-domain, unless-domain, if-top-url, unless-top-url, if-frame-url and unless-frame-url";

} // namespace

void PackageDecoder::RuleDraft::clear() {
    id.reset();
    name.reset();
    trigger.urlFilter.reset();
    trigger.caseSensitive = false;
    trigger.topURLCaseSensitive = false;
    trigger.frameURLCaseSensitive = false;
    for (StringList* list : {&trigger.resourceTypes, &trigger.loadTypes, &trigger.loadContexts, &trigger.ifDomain,
                             &trigger.unlessDomain, &trigger.ifTopURL, &trigger.unlessTopURL, &trigger.ifFrameURL,
                             &trigger.unlessFrameURL}) {
        list->clear();
    }
    trigger.requestMethod.reset();
    trigger.problem.reset();
    action.type.reset();
    action.unknownType.reset();
    action.selector.reset();
}

// Every key of a package file passes through here, so names are told apart by length first.
PackageDecoder::Field PackageDecoder::fieldNamed(Frame frame, std::string_view name) {
    const auto is = [&](std::string_view known, Field field) { return name == known ? field : Field::None; };
    switch (frame) {
    case Frame::Package:
        switch (name.size()) {
        case 2: return is("id", Field::PackageId);
        case 4: return is("name", Field::PackageName);
        case 5: return is("rules", Field::PackageRules);
        default: return Field::None;
        }
    case Frame::Rule:
        switch (name.size()) {
        case 2: return is("id", Field::RuleId);
        case 4: return is("name", Field::RuleName);
        case 7: return is("content", Field::RuleContent);
        default: return Field::None;
        }
    case Frame::Content:
        switch (name.size()) {
        case 7: return is("trigger", Field::ContentTrigger);
        case 6: return is("action", Field::ContentAction);
        default: return Field::None;
        }
    case Frame::Trigger:
        switch (name.size()) {
        case 10: return name == "url-filter" ? Field::UrlFilter : is("if-top-url", Field::IfTopURL);
        case 28: return is("url-filter-is-case-sensitive", Field::CaseSensitive);
        case 13: return name == "resource-type" ? Field::ResourceType : is("unless-domain", Field::UnlessDomain);
        case 9: return name == "load-type" ? Field::LoadType : is("if-domain", Field::IfDomain);
        case 12: return name == "load-context" ? Field::LoadContext : is("if-frame-url", Field::IfFrameURL);
        case 14: return name == "request-method" ? Field::RequestMethod : is("unless-top-url", Field::UnlessTopURL);
        case 16: return is("unless-frame-url", Field::UnlessFrameURL);
        case 32: return is("top-url-filter-is-case-sensitive", Field::TopURLCaseSensitive);
        case 34: return is("frame-url-filter-is-case-sensitive", Field::FrameURLCaseSensitive);
        default: return Field::None;
        }
    case Frame::Action:
        switch (name.size()) {
        case 4: return is("type", Field::ActionType);
        case 8: return is("selector", Field::Selector);
        default: return Field::None;
        }
    default: return Field::None;
    }
}

bool PackageDecoder::Key(const char* text, rapidjson::SizeType length, bool) {
    Open& object = open_.back();
    const std::string_view name(text, length);
    const Field field = fieldNamed(object.frame, name);
    const std::uint32_t bit = 1u << static_cast<unsigned>(field);
    if (field == Field::None && object.frame == Frame::Trigger) {
        note(rule_.trigger.problem, "unknown trigger key " + quoted(name));
    }
    if (field == Field::None || (object.seen & bit) != 0) {
        pending_ = Field::None;
        return true;
    }
    object.seen |= bit;
    pending_ = field;
    return true;
}

bool PackageDecoder::value(Kind kind, std::string_view text, bool truthy) {
    const Field field = pending_;
    pending_ = Field::None;
    const Frame opened = open_.empty() ? topLevel(kind) : member(field, kind, text, truthy);
    if (kind == Kind::Object || kind == Kind::Array) {
        open_.push_back(Open{opened, field});
    }
    return true;
}

bool PackageDecoder::end() {
    const Frame closed = open_.back().frame;
    open_.pop_back();
    switch (closed) {
    case Frame::Package: finishPackage(); break;
    case Frame::Rule: finishRule(); break;
    case Frame::Content:
        if (!open_.empty() && open_.back().frame == Frame::BlockerList) {
            finishEntry();
        }
        break;
    // Inside a rule these are read when the rule ends; on their own, now.
    case Frame::Trigger:
    case Frame::Action:
        if (open_.empty()) {
            finishLoneValue();
        }
        break;
    default: break;
    }
    return true;
}

PackageDecoder::Frame PackageDecoder::topLevel(Kind kind) {
    switch (top_) {
    case Top::PackageList: return kind == Kind::Array ? Frame::PackageList : Frame::Ignored;
    case Top::Package:
        if (kind == Kind::Object) {
            startPackage();
            return Frame::Package;
        }
        return Frame::Ignored;
    case Top::RuleList: return kind == Kind::Array ? Frame::RuleList : Frame::Ignored;
    case Top::BlockerList: return kind == Kind::Array ? Frame::BlockerList : Frame::Ignored;
    case Top::Rule: return ruleElement(kind);
    case Top::Trigger:
    case Top::Action:
        rule_.clear();
        if (kind == Kind::Object) {
            return top_ == Top::Trigger ? Frame::Trigger : Frame::Action;
        }
        finishLoneValue(); // not an object: read as one without members
        return Frame::Ignored;
    }
    return Frame::Ignored;
}

PackageDecoder::Frame PackageDecoder::ruleElement(Kind kind) {
    rule_.clear();
    if (kind == Kind::Object) {
        return Frame::Rule;
    }
    finishRule(); // not an object: skipped with the log lines of a rule without trigger
    return Frame::Ignored;
}

PackageDecoder::Frame PackageDecoder::member(Field field, Kind kind, std::string_view text, bool truthy) {
    const bool isString = kind == Kind::String;
    const bool isObject = kind == Kind::Object;
    switch (open_.back().frame) {
    case Frame::PackageList:
        if (isObject) {
            startPackage();
            return Frame::Package;
        }
        break;
    case Frame::RuleList: return ruleElement(kind);
    case Frame::BlockerList:
        rule_.clear();
        if (isObject) {
            return Frame::Content;
        }
        log("entry is not an object");
        log("blocker init failed");
        skipped_.add("entry is not an object");
        break;
    case Frame::Package:
        if (field == Field::PackageId && isString) {
            package_.id = text;
            packageHasId_ = true;
        } else if (field == Field::PackageName && isString) {
            package_.name = text;
        } else if (field == Field::PackageRules && kind == Kind::Array) {
            return Frame::RuleList;
        }
        break;
    case Frame::Rule:
        if (field == Field::RuleId && isString) {
            rule_.id = text;
        } else if (field == Field::RuleName && isString) {
            rule_.name = text;
        } else if (field == Field::RuleContent && isObject) {
            return Frame::Content;
        }
        break;
    case Frame::Content:
        if (field == Field::ContentTrigger && isObject) {
            return Frame::Trigger;
        }
        if (field == Field::ContentAction && isObject) {
            return Frame::Action;
        }
        break;
    case Frame::Trigger: {
        TriggerDraft& trigger = rule_.trigger;
        if (field == Field::UrlFilter && isString) {
            trigger.urlFilter = text;
        } else if (field == Field::CaseSensitive && kind == Kind::Other) {
            trigger.caseSensitive = truthy;
        } else if (field == Field::TopURLCaseSensitive && kind == Kind::Other) {
            trigger.topURLCaseSensitive = truthy;
        } else if (field == Field::FrameURLCaseSensitive && kind == Kind::Other) {
            trigger.frameURLCaseSensitive = truthy;
        } else if (field == Field::RequestMethod) {
            if (isString) {
                trigger.requestMethod = text;
            } else {
                note(trigger.problem, "request-method is not a string");
            }
        } else if (StringList* strings = list(field)) {
            strings->present = true;
            if (kind == Kind::Array) {
                return Frame::StringList;
            }
            strings->allStrings = false;
        }
        break;
    }
    case Frame::Action:
        if (field == Field::ActionType && isString) {
            rule_.action.type = fromRawValue<ActionType>(text);
            if (!rule_.action.type) {
                rule_.action.unknownType = text;
            }
        } else if (field == Field::Selector && isString) {
            rule_.action.selector = text;
        }
        break;
    case Frame::StringList: {
        StringList& strings = *list(open_.back().field);
        if (isString) {
            strings.values.emplace_back(text);
        } else {
            strings.allStrings = false;
        }
        break;
    }
    case Frame::Ignored: break;
    }
    return Frame::Ignored;
}

PackageDecoder::StringList* PackageDecoder::list(Field field) {
    switch (field) {
    case Field::ResourceType: return &rule_.trigger.resourceTypes;
    case Field::LoadType: return &rule_.trigger.loadTypes;
    case Field::LoadContext: return &rule_.trigger.loadContexts;
    case Field::IfDomain: return &rule_.trigger.ifDomain;
    case Field::UnlessDomain: return &rule_.trigger.unlessDomain;
    case Field::IfTopURL: return &rule_.trigger.ifTopURL;
    case Field::UnlessTopURL: return &rule_.trigger.unlessTopURL;
    case Field::IfFrameURL: return &rule_.trigger.ifFrameURL;
    case Field::UnlessFrameURL: return &rule_.trigger.unlessFrameURL;
    default: return nullptr;
    }
}

void PackageDecoder::finishLoneValue() {
    std::string reason;
    if (top_ == Top::Trigger) {
        trigger_ = finishTrigger(rule_.trigger, reason);
    } else {
        action_ = finishAction(rule_.action, reason);
    }
}

void PackageDecoder::startPackage() {
    package_ = Package{};
    packageHasId_ = false;
    rules_.clear();
}

void PackageDecoder::finishPackage() {
    if (!packageHasId_) {
        package_.id = makeUUID();
    }
    // Moved into a vector of the exact size; the scratch list keeps its room for the next package.
    package_.rules.assign(std::make_move_iterator(rules_.begin()), std::make_move_iterator(rules_.end()));
    rules_.clear();
    packages_.push_back(std::move(package_));
}

std::optional<Blocker> PackageDecoder::finishBlocker(std::string& reason) {
    auto trigger = finishTrigger(rule_.trigger, reason);
    if (!trigger) {
        log("trigger init failed");
        log("blocker init failed");
        return std::nullopt;
    }
    auto action = finishAction(rule_.action, reason);
    if (!action) {
        log("action init failed");
        log("blocker init failed");
        return std::nullopt;
    }
    return Blocker{std::move(*trigger), std::move(*action)};
}

void PackageDecoder::finishRule() {
    std::string reason;
    auto blocker = finishBlocker(reason);
    if (!blocker) {
        skipped_.add(reason);
        return;
    }
    rules_.push_back(
        Rule{rule_.id ? std::move(*rule_.id) : makeUUID(), std::move(rule_.name).value_or(""), std::move(*blocker)});
}

void PackageDecoder::finishEntry() {
    std::string reason;
    if (auto blocker = finishBlocker(reason)) {
        blockers_.push_back(std::move(*blocker));
    } else {
        skipped_.add(reason);
    }
}

std::optional<Trigger> PackageDecoder::finishTrigger(TriggerDraft& draft, std::string& reason) {
    if (!draft.urlFilter) {
        log("url-filter is empty");
        reason = "no url-filter";
        return std::nullopt;
    }
    std::optional<std::string> problem = std::move(draft.problem);
    const std::pair<const StringList*, std::string_view> lists[] = {
        {&draft.resourceTypes, "resource-type"}, {&draft.loadTypes, "load-type"},
        {&draft.loadContexts, "load-context"},   {&draft.ifDomain, "if-domain"},
        {&draft.unlessDomain, "unless-domain"},  {&draft.ifTopURL, "if-top-url"},
        {&draft.unlessTopURL, "unless-top-url"}, {&draft.ifFrameURL, "if-frame-url"},
        {&draft.unlessFrameURL, "unless-frame-url"}};
    for (const auto& [list, key] : lists) {
        if (list->broken()) {
            note(problem, notAList(key));
        }
    }
    Trigger trigger;
    trigger.urlFilter = std::move(*draft.urlFilter);
    trigger.caseSensitive = draft.caseSensitive;
    trigger.topURLFilterCaseSensitive = draft.topURLCaseSensitive;
    trigger.frameURLFilterCaseSensitive = draft.frameURLCaseSensitive;
    trigger.resourceTypes = knownValues<ResourceType>(draft.resourceTypes.usable(), draft.resourceTypes.values,
                                                      "resource-type", problem);
    trigger.loadType = knownValues<LoadType>(draft.loadTypes.usable(), draft.loadTypes.values, "load-type", problem);
    trigger.loadContext =
        knownValues<LoadContext>(draft.loadContexts.usable(), draft.loadContexts.values, "load-context", problem);
    trigger.domainFilter = conditionOf<DomainFilter>(draft.ifDomain.values, draft.ifDomain.usable(),
                                                     draft.unlessDomain.values, draft.unlessDomain.usable(),
                                                     DomainFilterType::IfDomain, DomainFilterType::UnlessDomain);
    trigger.topURLFilter = conditionOf<TopURLFilter>(draft.ifTopURL.values, draft.ifTopURL.usable(),
                                                     draft.unlessTopURL.values, draft.unlessTopURL.usable(),
                                                     TopURLFilterType::IfTopURL, TopURLFilterType::UnlessTopURL);
    trigger.frameURLFilter = conditionOf<FrameURLFilter>(
        draft.ifFrameURL.values, draft.ifFrameURL.usable(), draft.unlessFrameURL.values, draft.unlessFrameURL.usable(),
        FrameURLFilterType::IfFrameURL, FrameURLFilterType::UnlessFrameURL);
    const int conditions = draft.ifDomain.present + draft.unlessDomain.present + draft.ifTopURL.present +
                           draft.unlessTopURL.present + draft.ifFrameURL.present + draft.unlessFrameURL.present;
    if (conditions > 1) {
        note(problem, kConditionProblem);
    }
    if (draft.requestMethod) {
        if (!isRequestMethod(*draft.requestMethod)) {
            note(problem, "unknown request-method " + quoted(*draft.requestMethod));
        }
        trigger.requestMethod = std::move(draft.requestMethod);
    }
    if (problem) {
        log(*problem);
        reason = std::move(*problem);
        return std::nullopt;
    }
    return trigger;
}

std::optional<Action> PackageDecoder::finishAction(ActionDraft& draft, std::string& reason) {
    if (!draft.type) {
        if (draft.unknownType) {
            reason = "unknown action type " + quoted(*draft.unknownType);
            log(reason);
        } else {
            reason = "no action type";
        }
        log("action type is empty");
        return std::nullopt;
    }
    return Action{*draft.type, std::move(draft.selector)};
}

} // namespace orvane
