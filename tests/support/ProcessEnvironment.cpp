// One user's home for the whole test process. GLib reads HOME and XDG_DATA_HOME once per process
// (the Trash is found through them), so they are set before any case runs and stay for all of
// them, whether the cases run in one process or each in its own.

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace orvane::test {
namespace {

class UserHome final : public testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<TemporaryDirectory>();
        ::setenv("HOME", folder_->path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (folder_->path() / "data").c_str(), 1);
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<TemporaryDirectory> folder_;
};

const testing::Environment* const kUserHome = testing::AddGlobalTestEnvironment(new UserHome);

} // namespace
} // namespace orvane::test
