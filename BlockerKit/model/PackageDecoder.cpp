#include "model/PackageDecoder.h"

#include "platform/Log.h"
#include "platform/Uuid.h"

#include <iterator>
#include <utility>

namespace orvane {
namespace {

// Known text forms in order, unknown ones dropped; present even when it ends up empty.
template <typename Enum>
std::optional<std::vector<Enum>> knownValues(bool usable, const std::vector<std::string>& texts) {
    if (!usable) {
        return std::nullopt;
    }
    std::vector<Enum> values;
    values.reserve(texts.size());
    for (const auto& text : texts) {
        if (auto converted = fromRawValue<Enum>(text)) {
            values.push_back(*converted);
        }
    }
    return values;
}

} // namespace

void PackageDecoder::RuleDraft::clear() {
    id.reset();
    name.reset();
    trigger.urlFilter.reset();
    trigger.caseSensitive = false;
    trigger.resourceTypes.clear();
    trigger.loadTypes.clear();
    trigger.ifDomain.clear();
    trigger.unlessDomain.clear();
    action.type.reset();
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
        case 10: return is("url-filter", Field::UrlFilter);
        case 28: return is("url-filter-is-case-sensitive", Field::CaseSensitive);
        case 13: return name == "resource-type" ? Field::ResourceType : is("unless-domain", Field::UnlessDomain);
        case 9: return name == "load-type" ? Field::LoadType : is("if-domain", Field::IfDomain);
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
    const Field field = fieldNamed(object.frame, std::string_view(text, length));
    const std::uint32_t bit = 1u << static_cast<unsigned>(field);
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
    case Frame::Trigger:
        if (field == Field::UrlFilter && isString) {
            rule_.trigger.urlFilter = text;
        } else if (field == Field::CaseSensitive && kind == Kind::Other) {
            rule_.trigger.caseSensitive = truthy;
        } else if (StringList* strings = list(field); strings != nullptr && kind == Kind::Array) {
            strings->present = true;
            return Frame::StringList;
        }
        break;
    case Frame::Action:
        if (field == Field::ActionType && isString) {
            rule_.action.type = fromRawValue<ActionType>(text);
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
    case Field::IfDomain: return &rule_.trigger.ifDomain;
    case Field::UnlessDomain: return &rule_.trigger.unlessDomain;
    default: return nullptr;
    }
}

void PackageDecoder::finishLoneValue() {
    if (top_ == Top::Trigger) {
        trigger_ = finishTrigger(rule_.trigger);
    } else {
        action_ = finishAction(rule_.action);
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

void PackageDecoder::finishRule() {
    auto trigger = finishTrigger(rule_.trigger);
    if (!trigger) {
        log("trigger init failed");
        log("blocker init failed");
        return;
    }
    auto action = finishAction(rule_.action);
    if (!action) {
        log("action init failed");
        log("blocker init failed");
        return;
    }
    rules_.push_back(Rule{rule_.id ? std::move(*rule_.id) : makeUUID(), std::move(rule_.name).value_or(""),
                          Blocker{std::move(*trigger), std::move(*action)}});
}

std::optional<Trigger> PackageDecoder::finishTrigger(TriggerDraft& draft) {
    if (!draft.urlFilter) {
        log("url-filter is empty");
        return std::nullopt;
    }
    Trigger trigger;
    trigger.urlFilter = std::move(*draft.urlFilter);
    trigger.caseSensitive = draft.caseSensitive;
    trigger.resourceTypes = knownValues<ResourceType>(draft.resourceTypes.usable(), draft.resourceTypes.values);
    trigger.loadType = knownValues<LoadType>(draft.loadTypes.usable(), draft.loadTypes.values);
    if (draft.ifDomain.usable()) {
        trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, std::move(draft.ifDomain.values)};
    } else if (draft.unlessDomain.usable()) {
        trigger.domainFilter = DomainFilter{DomainFilterType::UnlessDomain, std::move(draft.unlessDomain.values)};
    }
    return trigger;
}

std::optional<Action> PackageDecoder::finishAction(ActionDraft& draft) {
    if (!draft.type) {
        log("action type is empty");
        return std::nullopt;
    }
    return Action{*draft.type, std::move(draft.selector)};
}

} // namespace orvane
