#include "platform/JsonText.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvane;

TEST(JsonText, ParsesAndSerializesCompactly) {
    auto document = parseJson(" [ {\"a\" : [1, true, \"x\"]} ] ");
    ASSERT_TRUE(document);
    EXPECT_EQ(serializeJson(*document), std::optional<std::string>("[{\"a\":[1,true,\"x\"]}]"));
}

TEST(JsonText, RefusesHostileInputWithoutCrashing) {
    EXPECT_FALSE(parseJson(""));
    EXPECT_FALSE(parseJson("[1,"));
    EXPECT_FALSE(parseJson("\"\xff\xfe\""));                                   // invalid UTF-8
    EXPECT_FALSE(parseJson(std::string(100000, '[') + std::string(100000, ']'))); // far too deep
    EXPECT_TRUE(parseJson(std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']')));
    EXPECT_FALSE(parseJson(std::string(kMaxJsonDepth + 1, '[') + std::string(kMaxJsonDepth + 1, ']')));
}

TEST(JsonText, SerializingInvalidUtf8FailsInsteadOfWritingBadJson) {
    JsonDocument document;
    JsonValue value("a\xc3", document.GetAllocator());
    EXPECT_FALSE(serializeJson(value));
}
