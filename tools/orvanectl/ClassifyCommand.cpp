// orvanectl classify: sorts URLs into ads, trackers, widgets and the rest by the preinstalled
// rules, and totals them the way the page inspector does.

#include "ClassifyCommand.h"
#include "Commands.h"

#include "app/Classification.h"
#include "platform/JsonText.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::cli {
namespace {

using Result = ResourceFilter::Result;

const Command& classifyCommand() {
    auto all = commands();
    return *std::find_if(all.begin(), all.end(), [](const Command& command) { return command.name == "classify"; });
}

std::string_view categoryName(Result result) {
    switch (result) {
    case Result::Ad:
        return "ad";
    case Result::Tracker:
        return "tracker";
    case Result::Widget:
        return "widget";
    case Result::None:
        break;
    }
    return "none";
}

// The preinstalled packages as shipped in the resources; absent when the file cannot be read.
// "URL=BYTES" when the text after the last "=" is a decimal number, else the whole text is the
// URL with no bytes. A URL whose query ends in "=digits" therefore needs its size written out.
std::optional<ResourceFilter::Resource> parseResource(std::string_view argument) {
    const auto equals = argument.rfind('=');
    if (equals != std::string_view::npos && equals + 1 < argument.size() &&
        std::all_of(argument.begin() + static_cast<std::ptrdiff_t>(equals) + 1, argument.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
        std::uint64_t bytes = 0;
        const auto sizeText = argument.substr(equals + 1);
        if (std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), bytes).ec != std::errc{}) {
            return std::nullopt;
        }
        return ResourceFilter::Resource{std::string(argument.substr(0, equals)), bytes};
    }
    return ResourceFilter::Resource{std::string(argument), 0};
}

void printPlain(const std::vector<ResourceFilter::Resource>& resources, const std::vector<Result>& categories,
                const ResourceFilter::Tallies& tallies) {
    for (std::size_t i = 0; i < resources.size(); ++i) {
        std::cout << categoryName(categories[i]) << '\t' << resources[i].url << '\n';
    }
    for (const auto& [category, tally] : tallies) {
        std::cout << "total\t" << categoryName(category) << '\t' << tally.count << '\t' << tally.bytes << '\n';
    }
}

std::optional<std::string> jsonText(const std::vector<ResourceFilter::Resource>& resources,
                                    const std::vector<Result>& categories, const ResourceFilter::Tallies& tallies) {
    JsonDocument document(rapidjson::kObjectType);
    auto& allocator = document.GetAllocator();
    JsonValue list(rapidjson::kArrayType);
    for (std::size_t i = 0; i < resources.size(); ++i) {
        JsonValue entry(rapidjson::kObjectType);
        entry.AddMember("url", JsonValue(resources[i].url, allocator), allocator);
        entry.AddMember("category", JsonValue(std::string(categoryName(categories[i])), allocator), allocator);
        entry.AddMember("bytes", JsonValue(resources[i].bytes), allocator);
        list.PushBack(entry, allocator);
    }
    JsonValue totals(rapidjson::kObjectType);
    for (const auto& [category, tally] : tallies) {
        JsonValue entry(rapidjson::kObjectType);
        entry.AddMember("count", JsonValue(tally.count), allocator);
        entry.AddMember("bytes", JsonValue(tally.bytes), allocator);
        totals.AddMember(JsonValue(std::string(categoryName(category)), allocator), entry, allocator);
    }
    document.AddMember("resources", list, allocator);
    document.AddMember("totals", totals, allocator);
    return serializeJson(document);
}

} // namespace

int runClassify(Arguments arguments) {
    bool json = false;
    std::vector<std::string> inputs;
    for (const std::string& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else if (argument.starts_with("--")) {
            return usageError(classifyCommand(), "unknown option '" + argument + "'");
        } else {
            inputs.push_back(argument);
        }
    }
    if (inputs.empty()) {
        for (std::string line; std::getline(std::cin, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!line.empty()) {
                inputs.push_back(std::move(line));
            }
        }
    }
    std::vector<ResourceFilter::Resource> resources;
    for (const std::string& input : inputs) {
        auto resource = parseResource(input);
        if (!resource) {
            return usageError(classifyCommand(), "size out of range in '" + input + "'");
        }
        resources.push_back(std::move(*resource));
    }

    const auto loaded = preinstalledResourceFilter();
    if (!loaded) {
        std::cerr << "orvanectl: Invalid filepath for PreinstalledPackages.json\n";
        return kExitFailure;
    }
    const ResourceFilter& filter = *loaded;
    std::vector<Result> categories;
    categories.reserve(resources.size());
    for (const auto& resource : resources) {
        categories.push_back(filter.classify(resource.url));
    }
    const auto tallies = filter.classify(resources);

    if (!json) {
        printPlain(resources, categories, tallies);
        return kExitOk;
    }
    auto text = jsonText(resources, categories, tallies);
    if (!text) {
        std::cerr << "orvanectl: a URL is not valid UTF-8; use the plain output for it\n";
        return kExitFailure;
    }
    std::cout << *text << '\n';
    return kExitOk;
}

} // namespace orvane::cli
