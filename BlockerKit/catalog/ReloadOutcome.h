#pragma once

#include "model/RejectedRule.h"

#include <functional>
#include <optional>
#include <string>

namespace orvane {

// How one request to rebuild and reload the content blocker ended. Every request ends in exactly
// one outcome, told to its handler once, on the main thread.
struct ReloadOutcome {
    enum class Kind {
        Reloaded,   // "tmp.json" was written and the browser took it
        Failed,     // the file could not be written, or the browser refused it; `message` says why
        Superseded, // a newer request took its place before it reached the browser
        Dropped,    // nothing was attempted; `reason` and `message` say why
    };
    enum class DropReason {
        ExtensionDisabled, // the user switched the content blocker off in the browser
        StateUnreadable,   // the browser could not say whether the content blocker is on
        NothingToPublish,  // the preinstalled packages are missing, so the list would be wrong
        NoRebuilder,       // no front end installed the rebuild (a bare catalog)
    };

    Kind kind = Kind::Reloaded;
    std::optional<DropReason> reason;
    std::string message;
    // A refusal of the browser: the rule it refused, when a search of the list found one.
    std::optional<RejectedRule> rejectedRule = std::nullopt;

    static ReloadOutcome reloaded() { return {Kind::Reloaded, std::nullopt, {}}; }
    static ReloadOutcome failed(std::string message) { return {Kind::Failed, std::nullopt, std::move(message)}; }
    static ReloadOutcome failed(std::string message, RejectedRule rule) {
        return {Kind::Failed, std::nullopt, std::move(message), std::move(rule)};
    }
    static ReloadOutcome superseded() { return {Kind::Superseded, std::nullopt, {}}; }
    static ReloadOutcome dropped(DropReason reason, std::string message) {
        return {Kind::Dropped, reason, std::move(message)};
    }

    bool isReloaded() const { return kind == Kind::Reloaded; }
    // What the user must hear of: a refusal, or a content blocker switched off.
    bool needsTelling() const {
        return kind == Kind::Failed || (kind == Kind::Dropped && reason == DropReason::ExtensionDisabled);
    }

    bool operator==(const ReloadOutcome&) const = default;
};

using ReloadHandler = std::function<void(const ReloadOutcome&)>;

} // namespace orvane
