#pragma once

#include "platform/Expected.h"

#include <string>

namespace orvane {

// Why an application service did not do what it was asked. The message is for the user.
enum class ServiceErrorCode {
    UnknownPackage,   // no package has the id
    UnknownRule,      // the package holds no rule with the id
    NotEditable,      // preinstalled packages and their rules cannot be changed
    NotExportable,    // preinstalled packages cannot be exported
    InvalidText,      // a name or field is not valid UTF-8 text
    NeedsRuleKind,    // a custom package needs to be told which kind of rule to make
    WrongRuleKind,    // a configurable package takes only its own kind of rule
    RuleNotBuilt,     // the editor's input does not make a rule; the message says why
    NotSaved,         // a file could not be written; nothing changed
    Unreadable,       // a file given to read could not be read
    InvalidAddress,   // not the web address of a page
};

struct ServiceError {
    ServiceErrorCode code;
    std::string message;
};

template <typename T>
using ServiceResult = Expected<T, ServiceError>;

} // namespace orvane
