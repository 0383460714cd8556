// content_blocker_agreement [--url-filters N] [--conditions N] [--selectors N] [--seed S] [--show K]
//
// Puts generated rules to WebKit's content-blocker compiler, one rule per list, and to the checks
// that keep rules WebKit refuses out of the catalog (model/RuleRejection.h, SelectorSyntax.h),
// and counts where the two agree: url filters (100,000 by default), rules with domain, page URL
// and frame URL conditions, and CSS selectors (WebKit leaves a rule with a selector it cannot read
// out of the list, so a list of that rule alone is refused as empty). WebKit runs in a worker
// process, since it aborts on some patterns; such a crash counts as a refusal. Prints each figure
// with the first disagreements and the time of a check against a compile; exits 1 on any
// disagreement.

#include "Corpus.h"
#include "WebKitCompile.h"

#include "model/JsonEncoding.h"
#include "model/RuleRejection.h"
#include "model/SelectorSyntax.h"

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// WebKit's answer for a list refused because its only rule was left out.
constexpr const char* kEmptyList = "Empty extension.";
// How a worker that died on a list answers (WebKitCompile.h).
constexpr const char* kCrashed = "WebKit crashed";

struct Options {
    std::size_t urlFilters = 100'000;
    std::size_t conditions = 10'000;
    std::size_t selectors = 20'000;
    std::uint64_t seed = 1;
    std::size_t show = 20;
};

struct Tally {
    std::string what;
    std::size_t total = 0;
    std::size_t webkitAccepts = 0;
    std::size_t webkitCrashes = 0;
    std::size_t agreements = 0;
    std::size_t shown = 0;
    Clock::duration checking{};
    Clock::duration compiling{};
};

std::optional<Options> parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const auto value = std::stoull(argv[i + 1]);
        if (flag == "--url-filters") {
            options.urlFilters = value;
        } else if (flag == "--conditions") {
            options.conditions = value;
        } else if (flag == "--selectors") {
            options.selectors = value;
        } else if (flag == "--seed") {
            options.seed = value;
        } else if (flag == "--show") {
            options.show = value;
        } else {
            return std::nullopt;
        }
    }
    if (argc % 2 == 0) {
        return std::nullopt;
    }
    return options;
}

std::string listOf(const orvane::Blocker& blocker) { return "[" + orvane::toJSONString(blocker).value_or("") + "]"; }

// One case: our verdict (a reason, or nothing when we take it) against WebKit's. For a selector
// only a list left empty (or a crash) means WebKit could not read it.
void compare(Tally& tally, const Options& options, const std::string& input,
             const std::function<std::optional<std::string>()>& check,
             const std::function<std::optional<std::string>()>& compile, bool selector = false) {
    const auto checkStart = Clock::now();
    const std::optional<std::string> ours = check();
    const auto compileStart = Clock::now();
    std::optional<std::string> webkit = compile();
    const auto end = Clock::now();
    tally.checking += compileStart - checkStart;
    tally.compiling += end - compileStart;
    if (selector && webkit && *webkit != kEmptyList && !webkit->starts_with(kCrashed)) {
        webkit.reset();
    }
    ++tally.total;
    tally.webkitAccepts += webkit ? 0 : 1;
    tally.webkitCrashes += webkit && webkit->starts_with(kCrashed) ? 1 : 0;
    if (ours.has_value() == webkit.has_value()) {
        ++tally.agreements;
        return;
    }
    if (tally.shown++ < options.show) {
        std::cout << "  disagreement on " << input << "\n    ours:   " << ours.value_or("takes it")
                  << "\n    WebKit: " << webkit.value_or("takes it") << "\n";
    }
}

double microseconds(Clock::duration duration, std::size_t count) {
    return count == 0 ? 0.0 : std::chrono::duration<double, std::micro>(duration).count() / static_cast<double>(count);
}

void report(const Tally& tally) {
    const double share =
        tally.total == 0 ? 100.0 : 100.0 * static_cast<double>(tally.agreements) / static_cast<double>(tally.total);
    const double check = microseconds(tally.checking, tally.total);
    const double compile = microseconds(tally.compiling, tally.total);
    std::printf("%s: %zu generated, %zu taken by WebKit, %zu crashed it; agreement on %zu of %zu (%.3f %%)\n",
                tally.what.c_str(), tally.total, tally.webkitAccepts, tally.webkitCrashes, tally.agreements,
                tally.total, share);
    std::printf("  a check takes %.2f us, WebKit's compile of the one-rule list %.0f us (%.0f times as long)\n", check,
                compile, check > 0 ? compile / check : 0.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--worker") {
        return runWebKitWorker(argv[2]);
    }
    const auto options = parse(argc, argv);
    if (!options) {
        std::cerr << "usage: " << argv[0]
                  << " [--url-filters N] [--conditions N] [--selectors N] [--seed S] [--show K]\n";
        return 2;
    }
    g_autofree char* directory = g_dir_make_tmp("orvane-agreement-XXXXXX", nullptr);
    if (directory == nullptr) {
        std::cerr << "no temporary directory\n";
        return 1;
    }
    // WebKit logs every pattern it refuses on standard error, which the workers inherit.
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, STDERR_FILENO);
    ::close(quiet);
    // A worker that dies leaves a closed pipe; its death is read as an answer.
    ::signal(SIGPIPE, SIG_IGN);

    Corpus corpus(options->seed);
    std::size_t disagreements = 0;
    {
        WebKitCompile webkit(std::filesystem::read_symlink("/proc/self/exe"),
                             std::filesystem::path(directory) / "store");

        Tally filters{"url filters"};
        for (const auto& filter : corpus.urlFilters(options->urlFilters)) {
            orvane::Blocker blocker;
            blocker.trigger.urlFilter = filter;
            compare(
                filters, *options, "url-filter " + filter,
                [&]() -> std::optional<std::string> {
                    auto rejection = orvane::ruleRejection(blocker);
                    return rejection ? std::optional(rejection->message) : std::nullopt;
                },
                [&] { return webkit.refusal(listOf(blocker)); });
        }
        report(filters);

        Tally conditions{"rules with conditions"};
        for (const auto& blocker : corpus.conditions(options->conditions)) {
            compare(
                conditions, *options, listOf(blocker),
                [&]() -> std::optional<std::string> {
                    auto rejection = orvane::ruleRejection(blocker);
                    return rejection ? std::optional(rejection->message) : std::nullopt;
                },
                [&] { return webkit.refusal(listOf(blocker)); });
        }
        report(conditions);

        Tally selectors{"CSS selectors"};
        for (const auto& selector : corpus.selectors(options->selectors)) {
            orvane::Blocker blocker;
            blocker.trigger.urlFilter = ".*";
            blocker.action = orvane::Action{orvane::ActionType::Hide, selector};
            compare(
                selectors, *options, "selector " + selector,
                [&]() -> std::optional<std::string> {
                    auto problem = orvane::selectorProblem(selector);
                    return problem ? std::optional(*problem) : std::nullopt;
                },
                [&] { return webkit.refusal(listOf(blocker)); }, true);
        }
        report(selectors);

        disagreements = (filters.total - filters.agreements) + (conditions.total - conditions.agreements) +
                        (selectors.total - selectors.agreements);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return disagreements == 0 ? 0 : 1;
}
