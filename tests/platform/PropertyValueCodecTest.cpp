#include "platform/PropertyValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace orvane;

namespace {

std::optional<PropertyDictionary> roundTrip(const PropertyDictionary& dictionary) {
    auto text = encodePropertyDictionary(dictionary);
    return text ? decodePropertyDictionary(*text) : std::nullopt;
}

} // namespace

TEST(PropertyValueCodec, EveryValueComesBackWithItsType) {
    const PropertyDictionary values{
        {"true", true},
        {"one", 1},
        {"one as double", 1.0},
        {"smallest", std::numeric_limits<std::int64_t>::min()},
        {"largest", std::numeric_limits<std::int64_t>::max()},
        {"tenth", 0.1},
        {"huge", -1e300},
        {"text", "\"quoted\"\t\u00e9\U0001F600"},
        {"", ""},
        {"nested", PropertyArray{PropertyArray{}, PropertyDictionary{}, PropertyArray{false, 2, "3"}}},
    };
    EXPECT_EQ(roundTrip(values), values);
    // Equality compares the kinds too: an integer that came back as a double would differ.
    EXPECT_NE(PropertyValue(1), PropertyValue(1.0));
}

TEST(PropertyValueCodec, ByteStringsAndDollarKeysNeverCollide) {
    Bytes everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte.push_back(static_cast<std::uint8_t>(b));
    }
    const PropertyDictionary values{
        {"blob", everyByte},
        {"empty", Bytes{}},
        {"$data", "QUJD"},
        {"$", 1},
        {"$$data", Bytes{1, 2}},
        {"looks like bytes", PropertyDictionary{{"$data", "QUJD"}}},
        {"bytes in a list", PropertyArray{Bytes{0}, PropertyDictionary{{"$data", Bytes{9}}}}},
    };
    const auto decoded = roundTrip(values);
    EXPECT_EQ(decoded, values);
    EXPECT_TRUE(decoded->at("looks like bytes").isDictionary());
    EXPECT_EQ(decodePropertyValue(*encodePropertyValue(Bytes{'A', 'B', 'C'})), PropertyValue(Bytes{'A', 'B', 'C'}));
}

TEST(PropertyValueCodec, WhatJsonCannotCarryIsRefused) {
    EXPECT_FALSE(encodePropertyDictionary({{"a", std::string("\xc3\x28")}}));
    EXPECT_FALSE(encodePropertyDictionary({{std::string("key\xff"), 1}}));
    EXPECT_FALSE(encodePropertyDictionary({{"a", PropertyArray{"fine", PropertyArray{std::string("\xed\xa0\x80")}}}}));
    EXPECT_FALSE(encodePropertyValue(std::nan("")));
    EXPECT_FALSE(encodePropertyValue(PropertyArray{std::numeric_limits<double>::infinity()}));
    for (const char* text : {"", "[1]", "\"text\"", "null", "{\"a\":"}) {
        EXPECT_FALSE(decodePropertyDictionary(text)) << text;
    }
}
