#include "inspector/PatternSet.h"
#include "inspector/ResourceFilter.h"
#include "inspector/SequentialPatternList.h"

#include "RuleFixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace orvane;

namespace {

// Random patterns over a small alphabet, so that they often match and often overlap: anchors,
// classes, quantifiers, groups, alternation, letters whose case folding leaves ASCII (the long s
// and the Kelvin sign), and fragments RE2 refuses.
class PatternGrammar {
public:
    explicit PatternGrammar(unsigned seed) : random_(seed) {}

    std::string pattern() {
        if (below(3) == 0) {
            return anchoredHost();
        }
        std::string result;
        if (below(4) == 0) {
            result += '^';
        }
        const std::size_t pieces = 1 + below(4);
        for (std::size_t i = 0; i < pieces; ++i) {
            result += piece();
        }
        if (below(6) == 0) {
            result += '$';
        }
        if (below(25) == 0) {
            result += kBroken[below(std::size(kBroken))];
        }
        return result;
    }

    std::string text() {
        std::string result = below(2) == 0 ? kSchemes[below(std::size(kSchemes))] : "";
        const std::size_t length = below(14);
        for (std::size_t i = 0; i < length; ++i) {
            result += kTextPieces[below(std::size(kTextPieces))];
        }
        return result;
    }

private:
    static constexpr const char* kAtoms[] = {"a", "b", "A", "/", "\\.", ".", "[a-c]", "[^/]", "s", "k", "\\?", "="};
    static constexpr const char* kTextPieces[] = {"a", "b", "A", "B", "/", ".", "c", "s", "S", "k", "?", "=",
                                                  "\xC5\xBF" /* long s */, "\xE2\x84\xAA" /* Kelvin */, "x"};
    static constexpr const char* kQuantifiers[] = {"", "", "", "*", "+", "?"};
    static constexpr const char* kBroken[] = {"(", "[", "\\", "*", "\\1", "a{2,1}", "(?<=a)"};
    static constexpr const char* kSchemes[] = {"https://", "http://", "HTTPS://", "ftp:", "http:"};
    // The anchors that matching by host alternation recognises, and near misses of them.
    static constexpr const char* kAnchors[] = {"^https?://([^/]+\\.)?", "^[^:]+:(//)?([^/]+\\.)?", "^https?://",
                                               "^https?://([^/]+\\.)", "https?://([^/]+\\.)?"};
    static constexpr const char* kAnchorEnds[] = {"[/:]", "/", "", ":", "$"};
    static constexpr const char* kHostPieces[] = {"a", "b", "s", "k", "-", "_", "\\.", "A"};

    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(random_() % bound); }

    // Mostly a literal host; sometimes something that only looks like one.
    std::string anchoredHost() {
        std::string result = kAnchors[below(std::size(kAnchors))];
        const std::size_t length = 1 + below(4);
        for (std::size_t i = 0; i < length; ++i) {
            result += below(8) == 0 ? piece() : kHostPieces[below(std::size(kHostPieces))];
        }
        return result + kAnchorEnds[below(std::size(kAnchorEnds))];
    }

    std::string piece() {
        std::string atom = below(5) == 0 ? "(" + std::string(kAtoms[below(std::size(kAtoms))]) + "|" +
                                               kAtoms[below(std::size(kAtoms))] + ")"
                                         : kAtoms[below(std::size(kAtoms))];
        return atom + kQuantifiers[below(std::size(kQuantifiers))];
    }

    std::mt19937 random_;
};

void expectSameAnswers(const std::vector<std::string>& patterns, const std::vector<std::string>& texts,
                       PatternSet::Tuning tuning) {
    const SequentialPatternList reference(patterns);
    const PatternSet set(patterns, tuning);
    ASSERT_EQ(set.size(), reference.size()) << "chunk size " << tuning.chunkSize;
    for (const std::string& text : texts) {
        ASSERT_EQ(set.matches(text), reference.matches(text))
            << "text '" << text << "' with chunk size " << tuning.chunkSize;
    }
}

} // namespace

TEST(PatternSet, AgreesWithTheSequentialListOnRandomPatterns) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        PatternGrammar grammar(seed);
        std::vector<std::string> patterns;
        for (int i = 0; i < 12; ++i) {
            patterns.push_back(grammar.pattern());
        }
        std::vector<std::string> texts;
        for (int i = 0; i < 80; ++i) {
            texts.push_back(grammar.text());
        }
        for (std::size_t chunkSize : {std::size_t{1}, std::size_t{5}, std::size_t{1000}}) {
            SCOPED_TRACE(seed);
            expectSameAnswers(patterns, texts, PatternSet::Tuning{chunkSize, PatternSet::Tuning{}.memoryPerChunk});
        }
    }
}

TEST(PatternSet, MatchesHostAnchoredPatternsExactlyAsWritten) {
    const std::vector<std::string> patterns{
        "^https?://([^/]+\\.)?tracker\\.example[/:]",
        "^https?://([^/]+\\.)?ads\\.example|evil[/:]", // the alternation splits the whole pattern
        "^https?://([^/]+\\.)?k\\.example/",
        "^[^:]+:(//)?([^/]+\\.)?widget-co\\.example[/:]",
        "^https?://cdn_1\\.example",
        "^https?://([^/]+\\.)?" + std::string(2000, 'h') + "\\.example[/:]",  // no host name, but compiles
        "^https?://([^/]+\\.)?" + std::string(1000000, 'g') + "\\.example[/:]", // too large to compile alone
        "^https?://([^/]+\\.)?broken\\.example\\",
    };
    const std::vector<std::string> texts{
        "https://tracker.example/p.gif",  "https://a.b.TRACKER.example:8080/", "https://tracker.example.org/",
        "https://xtracker.example/",      "http://ads.example/",               "http://x.example/evil/",
        "https://evil:1/",                "https://\xE2\x84\xAA.example/",     "ws://widget-co.example/",
        "ws:widget-co.example:1",         "https://cdn_1.example.org",         "https://x.cdn_1.example",
        "https://broken.example/",        "https://" + std::string(2000, 'h') + ".example/",
        "https://" + std::string(1000000, 'g') + ".example/"};
    for (std::size_t hostsPerExpression : {std::size_t{1}, std::size_t{2}, std::size_t{1000}}) {
        expectSameAnswers(patterns, texts, PatternSet::Tuning{1000, std::int64_t{16} << 20, hostsPerExpression});
    }
    const PatternSet set(patterns);
    EXPECT_EQ(set.size(), 6u);
    EXPECT_TRUE(set.matches("https://" + std::string(2000, 'h') + ".example/"));
    EXPECT_FALSE(set.matches("https://" + std::string(1000000, 'g') + ".example/"));
    EXPECT_TRUE(set.matches("https://a.b.TRACKER.example:8080/"));
    EXPECT_TRUE(set.matches("https://x.example/evil/"));
    EXPECT_TRUE(set.matches("https://\xE2\x84\xAA.example/"));
    EXPECT_FALSE(set.matches("https://xtracker.example/"));
    EXPECT_FALSE(set.matches("https://x.cdn_1.example"));
}

TEST(PatternSet, KeepsEveryPatternWhenSetsDoNotFitTheirBudget) {
    // Each of these compiles alone; a few together, or the largest even alone, exceed the small
    // budget of a set, so the chunks must be split down to single patterns.
    std::vector<std::string> patterns{"/ads/"};
    for (char first = 'a'; first <= 't'; ++first) {
        patterns.push_back(std::string(1, first) + "[a-z]{300}q");
    }
    patterns.push_back("z[a-z]{900}q");
    patterns.push_back("(broken");
    patterns.push_back("tracker$");

    std::vector<std::string> texts{"https://e.com/ads/", "https://e.com/tracker", "https://e.com/tracker?"};
    for (char first : {'a', 'k', 't', 'u', 'z'}) {
        texts.push_back("https://e.com/" + std::string(1, first) + std::string(300, 'm') + "q");
        texts.push_back("https://e.com/" + std::string(1, first) + std::string(900, 'M') + "q");
        texts.push_back("https://e.com/" + std::string(1, first) + std::string(299, 'm') + "q");
    }
    for (std::size_t chunkSize : {std::size_t{4}, std::size_t{16}, std::size_t{1000}}) {
        expectSameAnswers(patterns, texts, PatternSet::Tuning{chunkSize, std::int64_t{256} << 10});
    }
    const PatternSet tight(patterns, PatternSet::Tuning{16, std::int64_t{256} << 10});
    EXPECT_TRUE(tight.matches("https://e.com/k" + std::string(300, 'x') + "q"));
    EXPECT_TRUE(tight.matches("https://e.com/z" + std::string(900, 'x') + "q"));
    EXPECT_FALSE(tight.matches("https://e.com/z" + std::string(300, '1') + "q"));
}

TEST(PatternSet, HostilePatternsCannotStallClassification) {
    // Each of these takes a backtracking engine time exponential in the run of x's; RE2 answers
    // in one pass. Were matching to backtrack, this test would not finish.
    const std::vector<Package> packages{
        Package{"block-ads", "Ads",
                {fixtures::urlRule("(x+x+)+y"), fixtures::urlRule("^https?://(x|xx)*$z"),
                 fixtures::urlRule("([^/]*[^/]*)*/ads\\?")}}};
    const ResourceFilter filter(packages);
    const std::string hostile = "https://e.com/" + std::string(200000, 'x');
    EXPECT_EQ(filter.classify(hostile), ResourceFilter::Result::None);
    EXPECT_EQ(filter.classify(hostile + "Y"), ResourceFilter::Result::Ad);
    EXPECT_EQ(filter.classify(hostile + "/ADS?"), ResourceFilter::Result::Ad);
}
