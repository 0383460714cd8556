#include "inspector/ResourceFilter.h"

#include "../../bench/ClassificationCorpus.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

using namespace orvane;

TEST(ResourceFilterAtScale, AgreesWithTheSequentialSearchOnAGeneratedCorpus) {
    const auto corpus = corpus::makeClassificationCorpus(2500, 1000);
    const ResourceFilter filter(corpus.preinstalled, PatternSet::Tuning{250, std::int64_t{16} << 20, 300});
    const corpus::SequentialClassifier reference(corpus.preinstalled);
    std::array<int, 4> seen{};
    for (const std::string& url : corpus.urls) {
        const auto expected = reference.classify(url);
        ASSERT_EQ(filter.classify(url), expected) << url;
        ++seen[static_cast<std::size_t>(expected)];
    }
    // Agreement proves little unless every category occurs.
    EXPECT_THAT(seen, testing::Each(testing::Gt(0)));
}

TEST(ResourceFilterAtScale, ConcurrentClassificationsGiveTheSameAnswers) {
    const auto corpus = corpus::makeClassificationCorpus(2000, 800, 7);
    const corpus::SequentialClassifier reference(corpus.preinstalled);
    std::vector<ResourceFilter::Result> expected;
    for (const std::string& url : corpus.urls) {
        expected.push_back(reference.classify(url));
    }
    // Small caches, so that the threads build and evict DFA states together.
    const ResourceFilter shared(corpus.preinstalled, PatternSet::Tuning{250, std::int64_t{1} << 20, 500});
    std::vector<std::vector<ResourceFilter::Result>> answers(4, std::vector<ResourceFilter::Result>(expected.size()));
    {
        std::vector<std::jthread> threads;
        for (std::size_t t = 0; t < answers.size(); ++t) {
            threads.emplace_back([&, t] {
                // Each thread starts elsewhere in the corpus.
                for (std::size_t i = 0; i < expected.size(); ++i) {
                    const std::size_t index = (i + t * expected.size() / answers.size()) % expected.size();
                    answers[t][index] = shared.classify(corpus.urls[index]);
                }
            });
        }
    }
    for (const auto& answer : answers) {
        EXPECT_EQ(answer, expected);
    }
}
