#include "cloud/CloudConformance.h"
#include "support/Present.h"

#include <thread>

using namespace orvane;
using namespace orvane::test;

namespace {

using CloudRecords = CloudConformance;

const CloudError& itemError(const CloudError& error, const RecordID& id) {
    static const CloudError none;
    const CloudError* item = error.partialError(id);
    EXPECT_NE(item, nullptr) << "no error for " << id.recordName;
    return item != nullptr ? *item : none;
}

TEST_P(CloudRecords, SavedRecordsGetChangeTagsAndKeepEveryKindOfValue) {
    saveZone();
    CloudRecord record = rule("R1");
    record.set("caseSensitive", RecordValue(true));
    record.set("priority", RecordValue(std::int64_t{-7}));
    record.set("ratio", RecordValue(0.25));
    record.set("resourceTypes", RecordValue(std::vector<std::string>{"script", "image"}));
    record.set("package", RecordValue(RecordReference{RecordID{"P1", RecordZoneID{kZone}}}));
    EXPECT_FALSE(record.recordChangeTag());

    auto saved = save({record});
    ASSERT_EQ(saved.size(), 1u);
    ASSERT_TRUE(saved[0].recordChangeTag());
    EXPECT_EQ(saved[0].fields(), record.fields());

    // The record re-created from its system fields updates the server's version.
    auto again = CloudRecord::decodeSystemFields(saved[0].encodeSystemFields());
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->allKeys().empty());
    again->set("urlFilter", RecordValue(std::string("tracker")));
    again->set("ratio", std::nullopt);
    auto updated = save({*again});
    ASSERT_EQ(updated.size(), 1u);
    EXPECT_NE(updated[0].recordChangeTag(), saved[0].recordChangeTag());
    // Keys the save did not touch keep their server values; a key set to nothing is gone.
    EXPECT_EQ(*std::get_if<std::string>(updated[0].object("urlFilter")), "tracker");
    EXPECT_EQ(*std::get_if<bool>(updated[0].object("caseSensitive")), true);
    EXPECT_EQ(updated[0].object("ratio"), nullptr);
    EXPECT_EQ(std::get<RecordReference>(*updated[0].object("package")).recordID.recordName, "P1");
}

TEST_P(CloudRecords, StaleOrMissingChangeTagsConflictWithServerClientAndAncestor) {
    saveZone();
    CloudRecord first = save({rule("R1")}).at(0);
    CloudRecord stale = *CloudRecord::decodeSystemFields(first.encodeSystemFields());
    CloudRecord newer = first;
    newer.set("urlFilter", RecordValue(std::string("newer")));
    CloudRecord current = save({newer}).at(0);

    stale.set("name", RecordValue(std::string("Edited elsewhere")));
    auto result = database_->modifyRecords({stale}, {});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->domain, "CKErrorDomain");
    EXPECT_EQ(result.error->code, CloudErrorCode::partialFailure);
    const CloudError& conflict = itemError(*result.error, stale.recordID());
    EXPECT_EQ(conflict.code, CloudErrorCode::serverRecordChanged);
    ASSERT_TRUE(conflict.serverRecord && conflict.clientRecord && conflict.ancestorRecord);
    EXPECT_EQ(*conflict.serverRecord, current);
    EXPECT_EQ(conflict.clientRecord->fields(), stale.fields());
    EXPECT_EQ(conflict.ancestorRecord->recordChangeTag(), first.recordChangeTag());
    EXPECT_TRUE(conflict.ancestorRecord->allKeys().empty());

    // A record never saved, under a name the server has, conflicts too: no tag in the ancestor.
    auto duplicate = database_->modifyRecords({rule("R1")}, {});
    ASSERT_TRUE(duplicate.error);
    const CloudError& insert = itemError(*duplicate.error, RecordID{"R1", RecordZoneID{kZone}});
    EXPECT_EQ(insert.code, CloudErrorCode::serverRecordChanged);
    ASSERT_TRUE(insert.serverRecord && insert.ancestorRecord);
    EXPECT_EQ(*insert.serverRecord, current);
    EXPECT_FALSE(insert.ancestorRecord->recordChangeTag());
    EXPECT_TRUE(insert.ancestorRecord->allKeys().empty());
}

TEST_P(CloudRecords, OneFailedItemWritesNothingAndMarksTheOthersAsBatchFailures) {
    saveZone();
    auto kept = save({rule("R0"), rule("R1")});
    CloudRecord conflicting = rule("R1");
    auto result = database_->modifyRecords({rule("R2"), conflicting}, {kept.at(0).recordID()});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->code, CloudErrorCode::partialFailure);
    EXPECT_TRUE(result.savedRecords.empty());
    EXPECT_TRUE(result.deletedRecordIDs.empty());
    EXPECT_EQ(result.error->partialErrors.size(), 3u);
    EXPECT_EQ(itemError(*result.error, conflicting.recordID()).code, CloudErrorCode::serverRecordChanged);
    EXPECT_EQ(itemError(*result.error, RecordID{"R2", RecordZoneID{kZone}}).code, CloudErrorCode::batchRequestFailed);
    EXPECT_EQ(itemError(*result.error, kept.at(0).recordID()).code, CloudErrorCode::batchRequestFailed);

    auto changes = database_->fetchZoneChanges(RecordZoneID{kZone}, std::nullopt, 0);
    ASSERT_FALSE(changes.error);
    EXPECT_EQ(changes.changedRecords, kept);
    EXPECT_TRUE(changes.deletedRecords.empty());
}

TEST_P(CloudRecords, RefusesOversizedRequestsMissingZonesAndInvalidItems) {
    saveZone();
    std::vector<CloudRecord> many;
    for (int i = 0; i < 401; ++i) {
        many.push_back(rule("R" + std::to_string(i)));
    }
    auto tooMany = database_->modifyRecords(many, {});
    ASSERT_TRUE(tooMany.error);
    EXPECT_EQ(tooMany.error->code, CloudErrorCode::limitExceeded);
    many.pop_back();
    auto full = database_->modifyRecords(std::vector<CloudRecord>(many.begin(), many.end() - 1),
                                         {RecordID{"gone", RecordZoneID{kZone}}});
    EXPECT_FALSE(full.error);
    EXPECT_EQ(full.savedRecords.size(), 399u);

    CloudRecord elsewhere("rule", RecordID{"X", RecordZoneID{"NoSuchZone"}});
    elsewhere.set("name", RecordValue(std::string("x")));
    auto missing = database_->modifyRecords({elsewhere, rule("fine")}, {});
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(itemError(*missing.error, elsewhere.recordID()).code, CloudErrorCode::zoneNotFound);
    EXPECT_EQ(itemError(*missing.error, RecordID{"fine", RecordZoneID{kZone}}).code, CloudErrorCode::batchRequestFailed);
    auto fetchMissing = database_->fetchZoneChanges(RecordZoneID{"NoSuchZone"}, std::nullopt, 0);
    ASSERT_TRUE(fetchMissing.error);
    EXPECT_EQ(fetchMissing.error->code, CloudErrorCode::zoneNotFound);

    CloudRecord badKey = rule("bad");
    badKey.set("not a key", RecordValue(std::string("x")));
    CloudRecord crossZone = rule("cross");
    crossZone.set("package", RecordValue(RecordReference{RecordID{"P", RecordZoneID{"OtherZone"}}}));
    CloudRecord badText = rule("utf");
    badText.set("name", RecordValue(std::string("\xff\xfe")));
    for (const auto& record : {badKey, crossZone, badText}) {
        auto refused = database_->modifyRecords({record}, {});
        ASSERT_TRUE(refused.error);
        EXPECT_EQ(itemError(*refused.error, record.recordID()).code, CloudErrorCode::invalidArguments);
    }
    auto twice = database_->modifyRecords({rule("same"), rule("same")}, {});
    ASSERT_TRUE(twice.error);
    EXPECT_EQ(twice.error->code, CloudErrorCode::invalidArguments);
}

TEST_P(CloudRecords, ZonesAndSubscriptionsAreSavedOnce) {
    saveZone();
    auto again = database_->saveRecordZones({RecordZone(kZone)});
    ASSERT_TRUE(again.error);
    ASSERT_NE(again.error->partialError(RecordZoneID{kZone}), nullptr);
    EXPECT_EQ(test::present(again.error->partialError(RecordZoneID{kZone})).code, CloudErrorCode::serverRejectedRequest);

    RecordZoneSubscription subscription(RecordZoneID{kZone});
    subscription.notificationInfo.shouldSendContentAvailable = true;
    auto saved = database_->saveSubscriptions({subscription});
    ASSERT_FALSE(saved.error);
    ASSERT_EQ(saved.savedSubscriptions.size(), 1u);
    EXPECT_EQ(saved.savedSubscriptions[0].subscriptionID, subscription.subscriptionID);

    // Another device subscribing to the same zone learns the id of the subscription there.
    auto duplicate = cloud_->device()
                         ->database(kSyncContainer, DatabaseScope::privateScope)
                         ->saveSubscriptions({RecordZoneSubscription(RecordZoneID{kZone})});
    ASSERT_TRUE(duplicate.error);
    ASSERT_EQ(duplicate.error->partialErrors.size(), 1u);
    const CloudError& item = duplicate.error->partialErrors[0].error;
    EXPECT_EQ(item.code, CloudErrorCode::serverRejectedRequest);
    EXPECT_NE(item.localizedDescription.find("duplicate of '" + subscription.subscriptionID + "'"), std::string::npos);

    auto noZone = database_->saveSubscriptions({RecordZoneSubscription(RecordZoneID{"NoSuchZone"})});
    ASSERT_TRUE(noZone.error);
    EXPECT_EQ(noZone.error->partialErrors.at(0).error.code, CloudErrorCode::zoneNotFound);
}

TEST_P(CloudRecords, ConcurrentSavesOfOneVersionLetExactlyOneWin) {
    saveZone();
    CloudRecord base = save({rule("R1")}).at(0);
    auto other = cloud_->device()->database(kSyncContainer, DatabaseScope::privateScope);
    std::vector<std::optional<CloudError>> errors(8);
    std::vector<std::thread> writers;
    for (std::size_t i = 0; i < errors.size(); ++i) {
        writers.emplace_back([&, i] {
            CloudRecord edit = base;
            edit.set("name", RecordValue("edit " + std::to_string(i)));
            errors[i] = (i % 2 == 0 ? database_ : other)->modifyRecords({edit}, {}).error;
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    std::size_t won = 0;
    for (const auto& error : errors) {
        if (!error) {
            ++won;
        } else {
            ASSERT_EQ(error->code, CloudErrorCode::partialFailure) << error->localizedDescription;
            EXPECT_EQ(error->partialErrors.at(0).error.code, CloudErrorCode::serverRecordChanged);
        }
    }
    EXPECT_EQ(won, 1u);
}

INSTANTIATE_TEST_SUITE_P(Backends, CloudRecords, ::testing::Values("SQLite", "PostgreSQL"), backendName);

} // namespace
