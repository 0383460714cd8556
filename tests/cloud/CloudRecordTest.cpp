#include "cloud/CloudNotification.h"
#include "cloud/CloudRecord.h"
#include "cloud/RecordCoding.h"
#include "cloud/ServerChangeToken.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orvane;

namespace {

Bytes bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

CloudRecord sampleRule() {
    CloudRecord record("rule", RecordID{"9A1F", RecordZoneID{"BlockerRulesZone"}});
    record.set("name", RecordValue(std::string("Block ads")));
    record.set("caseSensitive", RecordValue(false));
    record.set("priority", RecordValue(std::numeric_limits<std::int64_t>::min()));
    record.set("weight", RecordValue(1.5));
    record.set("loadType", RecordValue(std::vector<std::string>{"third-party"}));
    record.set("package", RecordValue(RecordReference{RecordID{"block-url", RecordZoneID{"BlockerRulesZone"}}}));
    return record;
}

TEST(CloudRecord, KeysKeepTheirOrderAndNoValueRemovesOne) {
    CloudRecord record = sampleRule();
    EXPECT_EQ(record.allKeys(),
              (std::vector<std::string>{"name", "caseSensitive", "priority", "weight", "loadType", "package"}));
    record.set("name", RecordValue(std::string("Renamed")));
    record.set("weight", std::nullopt);
    record.set("selector", std::nullopt);
    EXPECT_EQ(record.allKeys(), (std::vector<std::string>{"name", "caseSensitive", "priority", "loadType", "package"}));
    EXPECT_EQ(std::get<std::string>(*record.object("name")), "Renamed");
    EXPECT_EQ(record.object("weight"), nullptr);
    // A removal is a change the next save sends, even for a key the record never had.
    EXPECT_EQ(record.changedKeys().back(), "selector");
    EXPECT_EQ(record.changedKeys().size(), 7u);
}

TEST(CloudRecord, SystemFieldsCarryIdentityAndTagButNoValues) {
    CloudRecord stored = CloudRecord::stored("rule", RecordID{"9A1F", RecordZoneID{"BlockerRulesZone"}}, "3k",
                                             sampleRule().fields());
    auto restored = CloudRecord::decodeSystemFields(stored.encodeSystemFields());
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->recordType(), "rule");
    EXPECT_EQ(restored->recordID(), stored.recordID());
    EXPECT_EQ(restored->recordChangeTag(), "3k");
    EXPECT_TRUE(restored->allKeys().empty());
    EXPECT_TRUE(restored->changedKeys().empty());
    EXPECT_FALSE(CloudRecord::decodeSystemFields(sampleRule().encodeSystemFields())->recordChangeTag());

    for (std::string_view garbage : {"", "{}", "[1,2]", "{\"format\":\"orvane.record-system-fields.1\",\"type\":\"rule\"}",
                                     "{\"format\":\"other\",\"type\":\"rule\",\"name\":\"a\",\"zone\":\"z\"}",
                                     "{\"format\":\"orvane.record-system-fields.1\",\"type\":\"rule\",\"name\":\"a\","
                                     "\"zone\":\"z\",\"tag\":7}"}) {
        EXPECT_FALSE(CloudRecord::decodeSystemFields(bytes(garbage))) << garbage;
    }
}

TEST(RecordCoding, ValuesRoundTripWithTheirTypesAndBadInputIsRefused) {
    const RecordFields fields = sampleRule().fields();
    auto text = encodeRecordFields(fields);
    ASSERT_TRUE(text);
    EXPECT_EQ(decodeRecordFields(*text), fields);
    // A Boolean stays a Boolean and an integer an integer, not a double.
    EXPECT_TRUE(std::holds_alternative<bool>(decodeRecordFields(*text)->at(1).second));
    EXPECT_TRUE(std::holds_alternative<std::int64_t>(decodeRecordFields(*text)->at(2).second));

    EXPECT_FALSE(encodeRecordFields({{"name", RecordValue(std::string("\xc3"))}}));
    EXPECT_FALSE(encodeRecordFields({{"weight", RecordValue(std::numeric_limits<double>::infinity())}}));
    for (std::string_view garbage : {"{}", "[[\"a\"]]", "[[\"a\",{\"s\":1}]]", "[[\"a\",{\"s\":\"x\",\"i\":1}]]",
                                     "[[\"a\",{\"a\":[\"x\",2]}]]", "[[\"a\",{\"r\":{\"name\":\"x\"}}]]", "[[1,{\"b\":true}]]"}) {
        EXPECT_FALSE(decodeRecordFields(garbage)) << garbage;
    }
}

TEST(ServerChangeToken, ArchivesAndRefusesWhatIsNotAToken) {
    ServerChangeToken token(4711);
    EXPECT_EQ(ServerChangeToken::unarchive(token.archive()), token);
    EXPECT_FALSE(ServerChangeToken::unarchive(bytes("")));
    EXPECT_FALSE(ServerChangeToken::unarchive(bytes("{\"format\":\"orvane.server-change-token.1\",\"position\":-1}")));
    EXPECT_FALSE(ServerChangeToken::unarchive(sampleRule().encodeSystemFields()));
}

TEST(CloudNotification, TravelsAsUserInfo) {
    CloudNotification push{"iCloud.larkmoor.Blocker", DatabaseScope::privateScope, RecordZoneID{"BlockerRulesZone"}, "S1"};
    EXPECT_EQ(CloudNotification::fromUserInfo(push.userInfo()), push);
    UserInfo broken = push.userInfo();
    broken["databaseScope"] = std::string("shared");
    EXPECT_FALSE(CloudNotification::fromUserInfo(broken));
    EXPECT_FALSE(CloudNotification::fromUserInfo({}));
}

} // namespace
