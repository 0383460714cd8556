// Commands that move packages between homes as package files: import and export.

#include "TransferCommands.h"

#include "CoreSession.h"

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
    if (arguments.size() != 2) {
        return usageError(kExportCommand, "expected PACKAGE and FILE");
    }
    CoreSession session;
    auto written = session.services().packages().exportPackage(arguments[0], arguments[1]);
    if (!written) {
        return session.fail(written.error());
    }
    std::cout << written->string() << "\n";
    return session.finish();
}

} // namespace orvane::cli
