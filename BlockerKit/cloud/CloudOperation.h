#pragma once

#include "cloud/CloudDatabaseBackend.h"
#include "platform/OperationQueue.h"

#include <memory>
#include <optional>

namespace orvane {

class CloudDatabase;

// A request to one database. Add it to the database (CloudDatabase::addOperation), or give it
// its database with setDatabase() and add it to a queue of your own: it then runs the request
// on a thread of the store and finishes after its completion handlers ran. Completion handlers
// always run on a thread of the store. A cancelled operation completes with code 20.
class CloudOperation : public Operation {
public:
    void setDatabase(std::shared_ptr<CloudDatabase> database) { database_ = std::move(database); }
    const std::shared_ptr<CloudDatabase>& database() const { return database_; }

    void main() override;

protected:
    friend class CloudDatabase;
    // Runs the request and its completion handlers; answers the request's error.
    virtual std::optional<CloudError> perform(CloudDatabaseBackend& backend) = 0;
    // Runs the completion handlers for a request that never ran.
    virtual void finish(const CloudError& error) = 0;

private:
    std::shared_ptr<CloudDatabase> database_;
};

} // namespace orvane
