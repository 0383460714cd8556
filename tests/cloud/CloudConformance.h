#pragma once

#include "cloud/TestClouds.h"

#include "cloud/CloudBackend.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane::test {

inline constexpr const char* kZone = "BlockerRulesZone";

// A test that runs on each backend with one account and its first device's private database.
class CloudConformance : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "PostgreSQL") {
            ORVANE_REQUIRE_TEST_POSTGRES();
        }
        cloud_.emplace(GetParam());
        ASSERT_FALSE(cloud_->accountName().empty());
        device_ = cloud_->device();
        database_ = device_->database(kSyncContainer, DatabaseScope::privateScope);
    }

    void saveZone(const std::string& zone = kZone) {
        auto result = database_->saveRecordZones({RecordZone(zone)});
        ASSERT_FALSE(result.error) << result.error->localizedDescription;
    }

    static CloudRecord rule(const std::string& name, const std::string& urlFilter = "ads\\.example") {
        CloudRecord record("rule", RecordID{name, RecordZoneID{kZone}});
        record.set("name", RecordValue(std::string("Rule ") + name));
        record.set("urlFilter", RecordValue(urlFilter));
        return record;
    }

    // Saves the records, which must succeed, and answers the server's versions.
    std::vector<CloudRecord> save(const std::vector<CloudRecord>& records) {
        auto result = database_->modifyRecords(records, {});
        EXPECT_FALSE(result.error) << result.error->localizedDescription;
        return result.savedRecords;
    }

    std::optional<TestCloud> cloud_;
    std::shared_ptr<CloudBackend> device_;
    std::shared_ptr<CloudDatabaseBackend> database_;
};

inline std::string backendName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

} // namespace orvane::test
