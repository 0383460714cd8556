// The converter's checks of url-filters and selectors agree with WebKit itself: whatever they
// pass, WebKit's compiler takes, and on these samples they refuse what WebKit refuses (for a
// url-filter WebKit refuses the whole list; a selector it cannot parse it drops silently, which
// shows as an empty list).

#include "filterlists/RegexFilters.h"
#include "filterlists/Selectors.h"
#include "filterlists/WebKitRegex.h"
#include "model/JsonEncoding.h"
#include "support/RunProgram.h"
#include "support/TemporaryDirectory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::filterlists;

namespace {

bool webkitCompiles(const Blocker& blocker) {
    test::TemporaryDirectory folder;
    const auto file = folder / "list.json";
    test::writeText(file, *toJSONString(std::vector<Blocker>{blocker}));
    const auto compiled = test::runProgram("orvane-filter-compiler", {(folder / "store").string(), "probe", file.string()});
    EXPECT_TRUE(compiled.exitCode == 0 || compiled.exitCode == 1) << compiled.err;
    return compiled.exitCode == 0;
}

Blocker urlRule(const std::string& urlFilter) {
    Trigger trigger;
    trigger.urlFilter = urlFilter;
    return Blocker{trigger, Action{ActionType::Block, std::nullopt}};
}

Blocker hidingRule(const std::string& selector) {
    Trigger trigger;
    trigger.urlFilter = ".*";
    return Blocker{trigger, Action{ActionType::Hide, selector}};
}

} // namespace

TEST(WebKitSubset, UrlFiltersTheCheckPassesAreExactlyTheOnesWebKitCompilesAmongTheSamples) {
    const std::vector<std::string> samples{
        "^[^:]+:(//)?([^/]+\\.)?ads\\.example[^a-zA-Z0-9_.%-]", "/banner/.*/img([^a-zA-Z0-9_.%-].*)?$",
        "(?:ab)?c", "\\|\\{\\}\\^\\$", "[a-f,0-9]+x", "^https?://", "a$",
        "a|b", "(a|b)", "a{2,3}", "\\d", "[\\w]", "\\b", "(?=a)b", "a^b", "a$b", "é", "", "*a", "a**",
        "(a", "[a"};
    for (const std::string& sample : samples) {
        const bool passes = !webkitUrlFilterFault(sample).has_value();
        EXPECT_EQ(passes, webkitCompiles(urlRule(sample))) << "\"" << sample << "\"";
    }
    // Rewritten regular expressions of real lists pass.
    for (const char* source : {"^https?:\\/\\/(35|104)\\.(\\d){1,3}\\.(\\d){1,3}\\.(\\d){1,3}\\/",
                               "\\/[0-9a-f]{32}\\/invoke\\.js", "^https?:\\/\\/.*\\.(club|xyz|top|casa)\\/"}) {
        const auto expressions = webkitExpressions(source);
        ASSERT_TRUE(expressions.ok()) << source << ": " << expressions.error();
        for (const std::string& expression : *expressions) {
            EXPECT_TRUE(webkitCompiles(urlRule(expression))) << expression;
        }
    }
}

TEST(WebKitSubset, SelectorsTheCheckPassesAreExactlyTheOnesWebKitKeepsAmongTheSamples) {
    const std::vector<std::string> samples{
        ".ad", "#ad", "div[id^=\"ad\"]", ".a, .b", "a[href*=\"x\" i]", ".a:has(> .b)", "a:not(.b, .c)",
        "div:is(.a, .b)", "div:nth-child(2n+1)", ".a:nth-child(2 of .b)", "#\\31 23", ".a\\:b", "html > body ~ p + a",
        "a[class|=\"x y\"]", ".a::after, .b", ".a::before",
        ".a,,", "..bad", "#123", ".a:has-text(x)", ".a:-abp-has(.b)", ":xpath(//a)", "a[href*=\"x\" s]", "svg|a",
        ".a >", ".ad:style(display:none)", ":not()", ".a::before .b", ".a:not(.b::before)", ".a::before:hover",
        "article:has(header:has(.x))"};
    for (const std::string& sample : samples) {
        const bool passes = !selectorFault(sample).has_value();
        EXPECT_EQ(passes, webkitCompiles(hidingRule(sample))) << "\"" << sample << "\"";
    }
}
