#include "inspector/ResourceFilter.h"

#include "../../bench/ClassificationCorpus.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

using namespace orvane;

TEST(ResourceFilterAtScale, AgreesWithTheSequentialSearchOnAGeneratedCorpus) {
    const auto corpus = corpus::makeClassificationCorpus(3000, 1500);
    const ResourceFilter filter(corpus.preinstalled, PatternSet::Tuning{250, PatternSet::Tuning{}.memoryPerChunk});
    const corpus::SequentialClassifier reference(corpus.preinstalled);
    std::array<int, 4> seen{};
    for (const std::string& url : corpus.urls) {
        const auto expected = reference.classify(url);
        ASSERT_EQ(filter.classify(url), expected) << url;
        ++seen[static_cast<std::size_t>(expected)];
    }
    // The corpus must exercise every category, or agreement would prove little.
    for (int count : seen) {
        EXPECT_GT(count, 0);
    }
}

TEST(ResourceFilterAtScale, ConcurrentClassificationsGiveTheSameAnswers) {
    const auto corpus = corpus::makeClassificationCorpus(2000, 800, 7);
    const corpus::SequentialClassifier reference(corpus.preinstalled);
    std::vector<ResourceFilter::Result> expected;
    for (const std::string& url : corpus.urls) {
        expected.push_back(reference.classify(url));
    }
    // A fresh filter with small caches, so that the threads build and evict DFA states together.
    const ResourceFilter shared(corpus.preinstalled, PatternSet::Tuning{250, std::int64_t{1} << 20});
    std::vector<std::vector<ResourceFilter::Result>> answers(4);
    {
        std::vector<std::jthread> threads;
        for (std::size_t t = 0; t < answers.size(); ++t) {
            threads.emplace_back([&, t] {
                auto& answer = answers[t];
                answer.resize(corpus.urls.size());
                // Each thread starts elsewhere in the corpus, so they disagree about what is hot.
                for (std::size_t i = 0; i < corpus.urls.size(); ++i) {
                    const std::size_t index = (i + t * corpus.urls.size() / answers.size()) % corpus.urls.size();
                    answer[index] = shared.classify(corpus.urls[index]);
                }
            });
        }
    }
    for (const auto& answer : answers) {
        EXPECT_EQ(answer, expected);
    }
}
