#include "inspector/PatternSet.h"
#include "inspector/ResourceFilter.h"
#include "testing/SequentialPatternList.h"

#include "RuleFixtures.h"

#include "support/Deadline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace orvane;

namespace {

// Random patterns and texts over a small alphabet, so that they often match and overlap:
// anchors (the host anchors among them, and near misses), classes, quantifiers, alternation,
// letters whose case folding leaves ASCII (long s, Kelvin sign), and fragments RE2 refuses.
class PatternGrammar {
public:
    explicit PatternGrammar(unsigned seed) : random_(seed) {}

    std::string pattern() {
        std::string result = below(3) == 0 ? any(kAnchors) : below(4) == 0 ? "^" : "";
        for (std::size_t i = 0, n = 1 + below(4); i < n; ++i) {
            result += below(2) == 0 ? any(kHostPieces) : piece();
        }
        return result + any(kEnds) + (below(25) == 0 ? any(kBroken) : "");
    }

    std::string text() {
        std::string result = below(2) == 0 ? any(kSchemes) : "";
        for (std::size_t i = 0, n = below(14); i < n; ++i) {
            result += any(kTextPieces);
        }
        return result;
    }

private:
    static constexpr const char* kAnchors[] = {"^https?://([^/]+\\.)?", "^[^:]+:(//)?([^/]+\\.)?", "^https?://",
                                               "^https?://([^/]+\\.)", "https?://([^/]+\\.)?"};
    static constexpr const char* kHostPieces[] = {"a", "b", "s", "k", "-", "_", "\\.", "A"};
    static constexpr const char* kAtoms[] = {"a", "/", "\\.", ".", "[a-c]", "[^/]", "s", "k", "\\?", "="};
    static constexpr const char* kQuantifiers[] = {"", "", "*", "+", "?"};
    static constexpr const char* kEnds[] = {"", "", "[/:]", "/", ":", "$", "[^a-zA-Z0-9_.%-]"};
    static constexpr const char* kBroken[] = {"(", "[", "\\", "*", "\\1", "a{2,1}", "(?<=a)"};
    static constexpr const char* kSchemes[] = {"https://", "http://", "HTTPS://", "ftp:", "http:"};
    static constexpr const char* kTextPieces[] = {"a", "b", "A", "/", ".", "c", "s", "S", "k", "?", "=", "-", "_",
                                                  "\xC5\xBF", "\xE2\x84\xAA", "x"};

    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(random_() % bound); }
    template <std::size_t N>
    std::string any(const char* const (&choices)[N]) {
        return choices[below(N)];
    }
    std::string piece() {
        const std::string atom = below(5) == 0 ? "(" + any(kAtoms) + "|" + any(kAtoms) + ")" : any(kAtoms);
        return atom + any(kQuantifiers);
    }

    std::mt19937 random_;
};

void expectSameAnswers(const std::vector<std::string>& patterns, const std::vector<std::string>& texts,
                       PatternSet::Tuning tuning) {
    const SequentialPatternList reference(patterns);
    const PatternSet set(patterns, tuning);
    ASSERT_EQ(set.size(), reference.size()) << "chunk size " << tuning.chunkSize;
    for (const std::string& text : texts) {
        ASSERT_EQ(set.matches(text), reference.matches(text)) << "'" << text << "', chunk size " << tuning.chunkSize;
    }
}

} // namespace

TEST(PatternSet, AgreesWithTheSequentialListOnRandomPatterns) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        PatternGrammar grammar(seed);
        std::vector<std::string> patterns(12);
        std::vector<std::string> texts(80);
        std::generate(patterns.begin(), patterns.end(), [&] { return grammar.pattern(); });
        std::generate(texts.begin(), texts.end(), [&] { return grammar.text(); });
        for (std::size_t size : {1, 5, 1000}) {
            expectSameAnswers(patterns, texts, PatternSet::Tuning{size, std::int64_t{16} << 20, size});
        }
    }
}

TEST(PatternSet, FoldsCaseAndReadsUtf8AsTheSequentialListDoes) {
    const std::vector<std::string> patterns{"/s/", "a.b", "^[^/]x$", "^https?://([^/]+\\.)?k\\.example/",
                                            "^https?://([^/]+\\.)?s\\.example/"};
    const std::vector<std::string> texts{"/\xC5\xBF/", "a\xE2\x84\xAA" "b", "\xE2\x82\xAC" "x",
                                         "https://\xE2\x84\xAA.example/", "https://\xC5\xBF.example/"};
    const PatternSet set(patterns);
    for (const std::string& text : texts) {
        EXPECT_TRUE(set.matches(text)) << text;
    }
    expectSameAnswers(patterns, texts, PatternSet::Tuning{});
}

TEST(PatternSet, MatchesHostAnchoredPatternsExactlyAsWritten) {
    const std::vector<std::string> patterns{
        "^https?://([^/]+\\.)?tracker\\.example[/:]",
        "^https?://([^/]+\\.)?ads\\.example|evil[/:]", // the alternation splits the whole pattern
        "^https?://([^/]+\\.)?k\\.example/",
        "^[^:]+:(//)?([^/]+\\.)?widget-co\\.example[/:]",
        "^https?://cdn_1\\.example",
        "^https?://([^/]+\\.)?" + std::string(2000, 'h') + "\\.example[/:]",    // no host name, but compiles
        "^https?://([^/]+\\.)?" + std::string(1000000, 'g') + "\\.example[/:]", // too large to compile alone
    };
    const std::vector<std::string> texts{
        "https://tracker.example/p.gif", "https://a.b.TRACKER.example:8080/", "https://xtracker.example/",
        "http://ads.example/",           "http://x.example/evil/",            "https://\xE2\x84\xAA.example/",
        "ws:widget-co.example:1",        "https://cdn_1.example.org",         "https://x.cdn_1.example",
        "https://" + std::string(2000, 'h') + ".example/", "https://" + std::string(1000000, 'g') + ".example/"};
    for (std::size_t hostsPerExpression : {1, 2, 1000}) {
        expectSameAnswers(patterns, texts, PatternSet::Tuning{1000, std::int64_t{16} << 20, hostsPerExpression});
    }
    const PatternSet set(patterns);
    EXPECT_EQ(set.size(), 6u);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(set.matches(texts[i]), i != 2 && i != 8 && i != 10) << texts[i].substr(0, 40);
    }
}

TEST(PatternSet, KeepsEveryPatternWhenSetsDoNotFitTheirBudget) {
    // Each compiles alone; a few together, or the largest even alone, exceed a set's small budget.
    std::vector<std::string> patterns{"/ads/", "z[a-z]{900}q", "(broken", "tracker$"};
    std::vector<std::string> texts{"https://e.com/ads/", "https://e.com/tracker", "https://e.com/tracker?"};
    for (char first = 'a'; first <= 't'; ++first) {
        patterns.push_back(std::string(1, first) + "[a-z]{300}q");
    }
    for (char first : {'a', 'k', 't', 'u', 'z'}) {
        for (std::size_t length : {299, 300, 900}) {
            texts.push_back("https://e.com/" + std::string(1, first) + std::string(length, 'm') + "q");
        }
    }
    for (std::size_t chunkSize : {4, 16, 1000}) {
        expectSameAnswers(patterns, texts, PatternSet::Tuning{chunkSize, std::int64_t{256} << 10, 2000});
    }
    const PatternSet tight(patterns, PatternSet::Tuning{16, std::int64_t{256} << 10, 2000});
    EXPECT_TRUE(tight.matches("https://e.com/k" + std::string(300, 'x') + "q"));
    EXPECT_TRUE(tight.matches("https://e.com/z" + std::string(900, 'X') + "q"));
}

TEST(PatternSet, HostilePatternsCannotStallClassification) {
    // A backtracking engine takes time exponential in the run of x's on each of these; RE2 answers
    // in one pass (well under a second here).
    test::finishWithin(std::chrono::seconds(20), "Classifying hostile URLs", [] {
        const ResourceFilter filter({Package{"block-ads", "Ads",
                                             {fixtures::urlRule("(x+x+)+y"), fixtures::urlRule("^https?://(x|xx)*$z"),
                                              fixtures::urlRule("([^/]*[^/]*)*/ads\\?")}}});
        const std::string hostile = "https://e.com/" + std::string(200000, 'x');
        EXPECT_EQ(filter.classify(hostile), ResourceFilter::Result::None);
        EXPECT_EQ(filter.classify(hostile + "Y"), ResourceFilter::Result::Ad);
        EXPECT_EQ(filter.classify(hostile + "/ADS?"), ResourceFilter::Result::Ad);
    });
}
