#include "report/Reporter.h"

#include "cloud/CloudContainer.h"
#include "cloud/CloudOperations.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <memory>

namespace orvane {

void Reporter::post(const Report& report, ReportCompletion completion) {
    log("Posting report " + description(report));
    auto operation = std::make_shared<ModifyRecordsOperation>(std::vector<CloudRecord>{reportRecord(report)},
                                                              std::vector<RecordID>{});
    operation->modifyRecordsCompletionBlock = [completion = std::move(completion)](
                                                  const std::vector<CloudRecord>&, const std::vector<RecordID>&,
                                                  const OptionalCloudError& error) {
        if (error) {
            log("Error reporting: " + error->localizedDescription + " (" + error->domain + " error " +
                std::to_string(error->code) + ")");
        } else {
            log("Successfuly posted report.");
        }
        runOnMain([completion, error] {
            if (completion) {
                completion(!error, error);
            }
        });
    };
    CloudContainer::containerWithIdentifier(kReportContainerIdentifier)->publicCloudDatabase()->addOperation(operation);
}

} // namespace orvane
