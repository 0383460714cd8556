#pragma once

#include "model/Records.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Generated inputs for the agreement runs: each corpus holds distinct values, drawn from a seeded
// generator so that a run can be repeated.
class Corpus {
public:
    explicit Corpus(std::uint64_t seed) : random_(seed) {}

    // Url filters: every construct of JavaScript's regular expressions, inside and outside what
    // content blockers take, in random sequences and nestings; patterns as lists write them;
    // characters beyond ASCII; broken brackets, escapes and quantifiers.
    std::vector<std::string> urlFilters(std::size_t count);

    // Rules whose url filter WebKit takes and whose domain list, page URL or frame URL condition,
    // or action, varies: empty lists and entries, capitals, characters beyond ASCII, wildcards,
    // generated patterns, hiding without a selector.
    std::vector<orvane::Blocker> conditions(std::size_t count);

    // CSS selectors: simple and compound selectors, combinators, attribute selectors, pseudo-classes
    // and pseudo-elements known and unknown, with and without arguments, and broken ones.
    std::vector<std::string> selectors(std::size_t count);

private:
    std::size_t below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_); }
    bool chance(double probability) { return std::bernoulli_distribution(probability)(random_); }
    template <typename List>
    const auto& pick(const List& list) {
        return list[below(std::size(list))];
    }

    std::string urlFilter();
    std::string tokens(int count, int depth);
    std::string token(int depth, bool last);
    std::string escape(bool inClass);
    std::string characterSet();
    std::string group(int depth);
    std::string quantifier();
    std::string listPattern();
    std::string domain();

    std::string selector();
    std::string compound(int depth);
    std::string simpleSelector(int depth);
    std::string identifier();

    std::mt19937_64 random_;
};
