#include "storage/HomeLock.h"

#include "platform/FileLock.h"
#include "platform/Log.h"
#include "storage/PersistentStore.h"

namespace orvane {
namespace {

// flock locks belong to open files: a thread that opened the lock file again would wait for
// itself.
thread_local int heldByThisThread = 0;

} // namespace

HomeLock::HomeLock() {
    if (heldByThisThread++ > 0) {
        return;
    }
    auto container = PersistentStore::sharedContainerURL();
    if (!container) {
        fatalConfigurationFault("Invalid filepath for nil");
    }
    lock_ = std::make_unique<FileLock>(*container / ".orvane-home.lock", FileLock::Mode::exclusive, true);
    if (lock_->status() != FileLock::Status::held) {
        // The writes that follow fail the same way and say so; reading needs no lock.
        log("Changes go on without the home's lock: " + lock_->error());
    }
}

HomeLock::~HomeLock() { --heldByThisThread; }

} // namespace orvane
