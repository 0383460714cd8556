// Url filters, page and frame URL patterns and selectors come from files and other machines, and
// every rule that comes in is checked: whatever the text, the checks answer without reading outside
// it, name a place inside it, and give the same text the same answer.

#include "model/SelectorSyntax.h"
#include "model/UrlFilterSyntax.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto problem = orvane::urlPatternProblem(text);
    if (problem && problem->offset > text.size()) {
        std::abort();
    }
    if (problem != orvane::urlPatternProblem(text)) {
        std::abort();
    }
    if (orvane::selectorProblem(text) != orvane::selectorProblem(text)) {
        std::abort();
    }
    return 0;
}
