// The browser that applies the rules: GNOME Web when connected, else the stand-in.

#include "BrowserCommand.h"

#include "CoreSession.h"
#include "JsonOutput.h"

#include "app/BrowserConnection.h"
#include "browser/BrowserOverview.h"
#include "browser/GnomeWebConnection.h"

#include <iostream>

namespace orvane::cli {
namespace {

int failure(const browser::BrowserError& error) {
    std::cerr << error.message << "\n";
    return kExitFailure;
}

JsonValue optionalText(const std::optional<std::string>& text, JsonAllocator& allocator) {
    return text ? jsonText(*text, allocator) : JsonValue(rapidjson::kNullType);
}

void printJson(const browser::BrowserOverview& overview) {
    JsonDocument document(rapidjson::kObjectType);
    auto& allocator = document.GetAllocator();
    JsonValue gnomeWeb(rapidjson::kObjectType);
    gnomeWeb.AddMember("installed", overview.gnomeWebInstalled, allocator);
    gnomeWeb.AddMember("version", optionalText(overview.gnomeWebVersion, allocator), allocator);
    gnomeWeb.AddMember("appliesEveryList", overview.gnomeWebAppliesEveryList, allocator);
    gnomeWeb.AddMember("flatpak", overview.gnomeWebFlatpak, allocator);
    gnomeWeb.AddMember("flatpakVersion", optionalText(overview.flatpakVersion, allocator), allocator);
    gnomeWeb.AddMember("flatpakSupported", false, allocator);
    gnomeWeb.AddMember("summary", jsonText(overview.gnomeWebSummary, allocator), allocator);
    document.AddMember("gnomeWeb", gnomeWeb, allocator);
    document.AddMember("browser", jsonText(std::string(browser::browserName(overview.browser)), allocator), allocator);
    document.AddMember("chosenByEnvironment", overview.chosenByEnvironment, allocator);
    document.AddMember("usesOrvaneRules", overview.usesOrvaneRules, allocator);
    document.AddMember("contentBlocking", overview.contentBlocking, allocator);
    document.AddMember("publishedList", optionalText(overview.publishedList, allocator), allocator);
    JsonValue switches(rapidjson::kArrayType);
    for (const auto& entry : overview.switches) {
        JsonValue object(rapidjson::kObjectType);
        object.AddMember("identifier", jsonText(entry.identifier, allocator), allocator);
        object.AddMember("title", jsonText(entry.title, allocator), allocator);
        object.AddMember("on", entry.on, allocator);
        object.AddMember("explanation", jsonText(entry.explanation, allocator), allocator);
        switches.PushBack(object, allocator);
    }
    document.AddMember("switches", switches, allocator);
    document.AddMember("problem", optionalText(overview.problem, allocator), allocator);
    cli::printJson(document);
}

void printText(const browser::BrowserOverview& overview) {
    std::cout << overview.gnomeWebSummary << "\n";
    std::cout << "Browser: " << (overview.browser == browser::BrowserKind::gnomeWeb ? "GNOME Web" : "the stand-in")
              << (overview.chosenByEnvironment ? " (chosen by ORVANE_BROWSER)" : "") << "\n";
    for (const auto& entry : overview.switches) {
        std::cout << entry.title << ": " << (entry.on ? "on" : "off") << "\n";
    }
    if (overview.publishedList) {
        std::cout << "Published list: " << *overview.publishedList << "\n";
    }
    if (overview.problem) {
        std::cout << *overview.problem << "\n";
    }
}

int status(Arguments arguments) {
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0] != "--json")) {
        return usageError(kBrowserCommand, "browser status takes only --json");
    }
    const auto overview = browser::browserOverview();
    if (arguments.empty()) {
        printText(overview);
    } else {
        printJson(overview);
    }
    return kExitOk;
}

// Connecting publishes the rules at once: the user asked for GNOME Web, so its state is not
// asked first (it could not list Orvane's rules before this publication anyway).
int connectBrowser() {
    CoreSession session;
    std::optional<ReloadOutcome> outcome;
    if (auto connected = useGnomeWeb([&outcome](const ReloadOutcome& told) { outcome = told; }); !connected) {
        return failure(connected.error());
    }
    const int code = session.finish();
    if (!outcome || !outcome->isReloaded()) {
        std::cerr << "The rules were not published"
                  << (outcome && !outcome->message.empty() ? ": " + outcome->message : std::string()) << "\n";
        return kExitFailure;
    }
    const auto overview = browser::browserOverview();
    std::cout << "GNOME Web uses Orvane's rules\n";
    if (overview.problem) {
        std::cout << *overview.problem << "\n";
    }
    return code;
}

int disconnectBrowser() {
    browser::BrowserError error;
    if (!browser::disconnectGnomeWeb(&error)) {
        return failure(error);
    }
    std::cout << "GNOME Web no longer uses Orvane's rules\n";
    return kExitOk;
}

int contentBlocking(Arguments arguments) {
    if (arguments.size() != 1 || (arguments[0] != "on" && arguments[0] != "off")) {
        return usageError(kBrowserCommand, "expected content-blocking on|off");
    }
    browser::BrowserError error;
    if (!browser::setGnomeWebContentBlocking(arguments[0] == "on", &error)) {
        return failure(error);
    }
    return kExitOk;
}

} // namespace

int runBrowser(Arguments arguments) {
    if (arguments.empty()) {
        return usageError(kBrowserCommand, "expected status, connect, disconnect or content-blocking");
    }
    const std::string& action = arguments.front();
    const Arguments rest = arguments.subspan(1);
    if (action == "status") {
        return status(rest);
    }
    if (action == "content-blocking") {
        return contentBlocking(rest);
    }
    if ((action != "connect" && action != "disconnect") || !rest.empty()) {
        return usageError(kBrowserCommand, "expected status, connect, disconnect or content-blocking");
    }
    return action == "connect" ? connectBrowser() : disconnectBrowser();
}

} // namespace orvane::cli
