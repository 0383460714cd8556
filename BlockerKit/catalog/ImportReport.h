#pragma once

#include <string>

namespace orvane {

// How an import of a package file ended, with the message the user was shown.
struct ImportReport {
    enum class Outcome {
        Unreadable,        // "Invalid import data"
        NothingCompatible, // no package in the file decodes
        NothingNew,        // every package was there already
        Imported,          // something was merged and saved
        NotSaved,          // the merge could not be written; nothing changed
    };
    Outcome outcome = Outcome::Unreadable;
    std::string message;

    bool imported() const { return outcome == Outcome::Imported; }
};

} // namespace orvane
