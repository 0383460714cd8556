#pragma once

#include "model/RejectedRule.h"
#include "output/EnabledBlockers.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace orvane {

// How WebKit took a part of a list.
struct ListVerdict {
    enum class Kind {
        Accepted,
        Refused, // `message` is WebKit's
        Failed,  // the compile did not come to an answer (or the search was called off)
    };
    Kind kind = Kind::Accepted;
    std::string message;
};

// Compiles the rules [begin, end) of the list, in their order.
using RangeCompile = std::function<ListVerdict(std::size_t begin, std::size_t end)>;

struct RefusedRuleIndex {
    std::size_t index;
    std::string reason; // WebKit's message for the smallest part that showed the rule
};

// Which of the `count` rules of a list that WebKit refused with `refusal` it refuses. Halves are
// compiled alone and the search goes on in the one WebKit refuses; when WebKit takes both halves
// alone (a refusal that needs rules of both, or the list's length), it searches for the shortest
// refused start of the part instead. About 2·log₂(count) compiles of at most half the part, plus
// log₂(count) of starts in the second case. Absent when a compile fails to answer, or when
// nothing WebKit refuses turns up.
std::optional<RefusedRuleIndex> searchRefusedList(std::size_t count, std::string refusal, const RangeCompile& compile);

// The search over the enabled blockers of a refused reload, each part compiled by WebKit in the
// filter compiler into a store of its own, after an entry WebKit always takes (so that no part is
// refused for holding only rules WebKit leaves out). `cancelled` is asked before each compile.
// Runs on the calling thread and waits for each compile; never on the browsers' thread.
std::optional<RejectedRule> findRejectedRule(const EnabledBlockers& blockers, const std::string& refusal,
                                             const std::function<bool()>& cancelled);

// What the user is told of a list WebKit refused for that rule: the rule and its package by name,
// WebKit's reason, and what to do.
std::string rejectedRuleMessage(const RejectedRule& rule);

} // namespace orvane
