#include "output/RefusedListSearch.h"

#include "browser/FilterCompiler.h"
#include "model/JsonEncoding.h"
#include "model/RuleRejection.h"
#include "model/ShortText.h"
#include "output/ContentBlockerFile.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"

#include <glib.h>

#include <chrono>
#include <future>
#include <memory>
#include <system_error>
#include <vector>

namespace orvane {
namespace {

// As long as the reload gives WebKit for the whole list.
constexpr std::chrono::minutes kCompileTimeout{5};

// A folder of its own for the parts and their compiled filters, gone with the search.
class ScratchFolder {
public:
    ScratchFolder() {
        if (gchar* made = g_dir_make_tmp("orvane-refused-list-XXXXXX", nullptr)) {
            path_ = made;
            g_free(made);
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

ListVerdict compileRange(const EnabledBlockers& blockers, std::size_t begin, std::size_t end,
                         const std::filesystem::path& folder) {
    const Blocker placeholder = placeholderBlocker();
    std::vector<const Blocker*> part;
    part.reserve(end - begin + 1);
    part.push_back(&placeholder);
    const auto all = blockers.list();
    part.insert(part.end(), all.begin() + static_cast<std::ptrdiff_t>(begin),
                all.begin() + static_cast<std::ptrdiff_t>(end));
    const auto file = folder / "part.json";
    std::string error;
    const bool written = writeFileAtomically(
        file, [&](const PieceWriter& write) { return writeJSON(part, write); }, &error, Flush::ToKernel);
    if (!written) {
        return ListVerdict{ListVerdict::Kind::Failed, error};
    }
    auto answered = std::make_shared<std::promise<std::optional<browser::BrowserError>>>();
    auto answer = answered->get_future();
    browser::compileContentFilter(
        file, folder / "store", "refused-list-search", kCompileTimeout,
        [answered](std::optional<browser::BrowserError> refusal) { answered->set_value(std::move(refusal)); });
    // The browsers' thread ends only with the process; a compile it never answers is not waited for.
    if (answer.wait_for(kCompileTimeout + std::chrono::minutes(1)) != std::future_status::ready) {
        return ListVerdict{ListVerdict::Kind::Failed, "the compiler did not answer"};
    }
    const auto refusal = answer.get();
    if (!refusal) {
        return ListVerdict{ListVerdict::Kind::Accepted, {}};
    }
    // A part WebKit crashes on holds a rule it crashes on, as surely as one it refuses.
    const bool refused = refusal->code == browser::BrowserErrorCode::Refused ||
                         refusal->code == browser::BrowserErrorCode::CompilerCrashed;
    const auto kind = refused ? ListVerdict::Kind::Refused : ListVerdict::Kind::Failed;
    return ListVerdict{kind, refusal->message};
}

std::string reasonFor(const Rule& rule, const std::string& webkitReason) {
    std::string reason = webkitReason;
    if (auto ours = ruleRejection(rule.blocker)) {
        reason += (reason.empty() || reason.ends_with('.') ? " " : ". ") + ours->message + ".";
    }
    return reason;
}

} // namespace

std::optional<RefusedRuleIndex> searchRefusedList(std::size_t count, std::string refusal, const RangeCompile& compile) {
    if (count == 0) {
        return std::nullopt;
    }
    // [low, high) is a part WebKit refuses, with `refusal` its reason.
    std::size_t low = 0;
    std::size_t high = count;
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        ListVerdict first = compile(low, middle);
        if (first.kind == ListVerdict::Kind::Failed) {
            return std::nullopt;
        }
        if (first.kind == ListVerdict::Kind::Refused) {
            high = middle;
            refusal = std::move(first.message);
            continue;
        }
        ListVerdict second = compile(middle, high);
        if (second.kind == ListVerdict::Kind::Failed) {
            return std::nullopt;
        }
        if (second.kind == ListVerdict::Kind::Refused) {
            low = middle;
            refusal = std::move(second.message);
            continue;
        }
        // Neither half alone: the rule whose addition to the part's start WebKit refuses.
        std::size_t taken = middle;
        std::size_t refused = high;
        while (refused - taken > 1) {
            const std::size_t end = taken + (refused - taken) / 2;
            ListVerdict start = compile(low, end);
            if (start.kind == ListVerdict::Kind::Failed) {
                return std::nullopt;
            }
            if (start.kind == ListVerdict::Kind::Refused) {
                refused = end;
                refusal = std::move(start.message);
            } else {
                taken = end;
            }
        }
        return RefusedRuleIndex{refused - 1, std::move(refusal)};
    }
    return RefusedRuleIndex{low, std::move(refusal)};
}

std::optional<RejectedRule> findRejectedRule(const EnabledBlockers& blockers, const std::string& refusal,
                                             const std::function<bool()>& cancelled) {
    ScratchFolder folder;
    if (folder.path().empty()) {
        log("No folder for the search of the refused rule");
        return std::nullopt;
    }
    std::size_t compiles = 0;
    auto found = searchRefusedList(blockers.list().size(), refusal, [&](std::size_t begin, std::size_t end) {
        if (cancelled()) {
            return ListVerdict{ListVerdict::Kind::Failed, "called off"};
        }
        ++compiles;
        return compileRange(blockers, begin, end, folder.path());
    });
    if (!found) {
        log("The rule WebKit refuses was not found after " + std::to_string(compiles) + " compiles");
        return std::nullopt;
    }
    const ListedRule& listed = blockers.rules()[found->index];
    log("WebKit refuses rule " + listed.rule->id + " of package " + listed.package->id + " (found in " +
        std::to_string(compiles) + " compiles): " + found->reason);
    return RejectedRule{listed.package->id, listed.package->name, listed.rule->id, listed.rule->name,
                        reasonFor(*listed.rule, found->reason)};
}

std::string rejectedRuleMessage(const RejectedRule& rule) {
    const std::string name =
        rule.ruleName.empty() ? "with id " + orvane::quoted(rule.ruleId) : orvane::quoted(rule.ruleName);
    const std::string package =
        rule.packageName.empty() ? orvane::quoted(rule.packageId) : orvane::quoted(rule.packageName);
    std::string reason = rule.reason;
    if (!reason.empty() && !reason.ends_with('.')) {
        reason += '.';
    }
    return "WebKit refuses the rule " + name + " of the package " + package + ": " + reason +
           " Disable the rule to have the other rules applied again.";
}

} // namespace orvane
