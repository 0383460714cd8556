// Commands that move packages between homes as package files: import and export.

#include "TransferCommands.h"

#include "CoreSession.h"

#include <algorithm>
#include <iostream>

namespace orvane::cli {

int runImport(Arguments arguments) {
    if (arguments.size() != 1) {
        return usageError(kImportCommand, "expected FILE");
    }
    CoreSession session;
    const ImportReport report = session.services().packages().importPackageFile(arguments[0]);
    if (report.outcome == ImportReport::Outcome::NotSaved) {
        return session.fail(ServiceError{ServiceErrorCode::NotSaved, report.message});
    }
    std::cout << report.message << "\n";
    const int finished = session.finish();
    return report.imported() ? finished : kExitFailure;
}

int runExport(Arguments arguments) {
    std::vector<std::string> rest(arguments.begin(), arguments.end());
    const auto flag = std::find(rest.begin(), rest.end(), "--content-blocker");
    const bool contentBlocker = flag != rest.end();
    if (contentBlocker) {
        rest.erase(flag);
    }
    if (rest.size() != 2) {
        return usageError(kExportCommand, "expected PACKAGE and FILE");
    }
    CoreSession session;
    PackageServices& packages = session.services().packages();
    auto written = contentBlocker ? packages.exportContentBlockerList(rest[0], rest[1])
                                  : packages.exportPackage(rest[0], rest[1]);
    if (!written) {
        return session.fail(written.error());
    }
    std::cout << written->string() << "\n";
    return session.finish();
}

} // namespace orvane::cli
