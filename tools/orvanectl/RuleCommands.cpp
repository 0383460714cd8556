#include "RuleCommands.h"

#include "RuleOptions.h"

#include "model/Description.h"
#include "model/JsonDecoding.h"
#include "model/JsonEncoding.h"
#include "platform/ShownMessages.h"

#include <glib.h>

#include <iostream>
#include <iterator>
#include <memory>

namespace orvane::cli {
namespace {

constexpr const char* kKinds = "block-url, block-cookies, hide-elements, whitelist or make-https";

int build(Arguments arguments) {
    if (arguments.empty()) {
        return usageError(kRuleCommand, std::string("rule build needs a KIND: ") + kKinds);
    }
    auto kind = fromRawValue<ConfigurablePackageType>(arguments.front());
    if (!kind) {
        return usageError(kRuleCommand, "unknown rule kind '" + arguments.front() + "' (" + kKinds + ")");
    }
    ParsedRuleOptions parsed = parseRuleOptions(arguments.subspan(1));
    if (parsed.problem) {
        return usageError(kRuleCommand, *parsed.problem);
    }
    if (auto option = inapplicableOption(*kind, parsed.options)) {
        return usageError(kRuleCommand, *option + " does not apply to " + arguments.front() + " rules");
    }
    ShownMessages shown;
    auto rule = buildRule(*kind, applyOptions({}, parsed.options), parsed.options.id);
    if (!rule) {
        for (const auto& message : shown.messages()) {
            std::cerr << message.message << "\n";
        }
        return kExitFailure;
    }
    auto text = toJSONString(*rule);
    if (!text) {
        std::cerr << "orvanectl: the rule is not UTF-8 text\n";
        return kExitFailure;
    }
    std::cout << *text << "\n";
    return kExitOk;
}

std::optional<std::string> readAll(const std::string& path) {
    if (path == "-") {
        std::string text(std::istreambuf_iterator<char>(std::cin), {});
        return std::cin.bad() ? std::nullopt : std::optional(std::move(text));
    }
    gchar* contents = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &error)) {
        std::cerr << "orvanectl: " << error->message << "\n";
        g_error_free(error);
        return std::nullopt;
    }
    std::unique_ptr<gchar, decltype(&g_free)> owned(contents, g_free);
    return std::string(contents, length);
}

int describe(Arguments arguments) {
    if (arguments.size() > 1) {
        return usageError(kRuleCommand, "unexpected argument '" + arguments[1] + "'");
    }
    const std::string path = arguments.empty() ? "-" : arguments.front();
    if (path.size() > 1 && path.starts_with('-')) {
        return usageError(kRuleCommand, "unknown option '" + path + "'");
    }
    auto text = readAll(path);
    if (!text) {
        return kExitFailure;
    }
    auto document = parseJson(*text);
    if (!document) {
        std::cerr << "orvanectl: the rule is not JSON text\n";
        return kExitFailure;
    }
    auto rule = ruleFromJSON(*document);
    if (!rule) {
        return kExitFailure;
    }
    std::cout << descriptionText(*rule) << "\n";
    return kExitOk;
}

} // namespace

int runRuleCommand(Arguments arguments) {
    if (arguments.empty()) {
        return usageError(kRuleCommand, "rule needs a subcommand: build or describe");
    }
    if (arguments.front() == "build") {
        return build(arguments.subspan(1));
    }
    if (arguments.front() == "describe") {
        return describe(arguments.subspan(1));
    }
    return usageError(kRuleCommand, "unknown subcommand 'rule " + arguments.front() + "'");
}

} // namespace orvane::cli
