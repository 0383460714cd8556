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
    EXPECT_FALSE(parseJson(std::string("[1]\0[2]", 7)));                        // a NUL is not the end
    EXPECT_FALSE(parseJson(std::string(100000, '[') + std::string(100000, ']'))); // far too deep
    EXPECT_TRUE(parseJson(std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']')));
    EXPECT_FALSE(parseJson(std::string(kMaxJsonDepth + 1, '[') + std::string(kMaxJsonDepth + 1, ']')));
}

TEST(JsonText, SerializingInvalidUtf8FailsInsteadOfWritingBadJson) {
    JsonDocument document;
    JsonValue value("a\xc3", document.GetAllocator());
    EXPECT_FALSE(serializeJson(value));
}

TEST(JsonText, EscapesThatDecodeToLoneSurrogatesAreRefused) {
    // Such text would read fine but could never be written back as JSON.
    EXPECT_FALSE(parseJson(R"(["\uDE0E"])"));
    EXPECT_FALSE(parseJson(R"({"\uD83D": 1})"));
    auto pair = parseJson(R"(["\uD83D\uDE00"])");
    ASSERT_TRUE(pair);
    EXPECT_EQ(std::string((*pair)[0].GetString()), "\xF0\x9F\x98\x80");
}
