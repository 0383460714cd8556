// orvanectl convert: a filter list in Adblock Plus syntax as one package file on standard output.
// It needs no home: nothing is imported until the file is.

#include "ConvertCommand.h"

#include "app/FilterListConversion.h"

#include <iostream>
#include <optional>
#include <string>

namespace orvane::cli {

int runConvert(Arguments arguments) {
    std::optional<std::string> list;
    std::optional<std::string> name;
    std::optional<std::string> id;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--name" || argument == "--id") {
            if (i + 1 == arguments.size()) {
                return usageError(kConvertCommand, argument + " needs a value");
            }
            (argument == "--name" ? name : id) = arguments[++i];
        } else if (argument.starts_with("--")) {
            return usageError(kConvertCommand, "unknown option '" + argument + "'");
        } else if (list) {
            return usageError(kConvertCommand, "expected one LIST");
        } else {
            list = argument;
        }
    }
    if (!list) {
        return usageError(kConvertCommand, "expected LIST");
    }
    if ((name && name->empty()) || (id && id->empty())) {
        return usageError(kConvertCommand, "the name and the id may not be empty");
    }
    auto converted = convertFilterListFile(*list, name, id);
    if (!converted) {
        std::cerr << "orvanectl: " << converted.error().message << "\n";
        return kExitFailure;
    }
    std::cout << converted->packageFileText << "\n";
    std::cerr << converted->report.summary(converted->packageName) << "\n";
    return std::cout.flush() ? kExitOk : kExitFailure;
}

} // namespace orvane::cli
