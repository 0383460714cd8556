#include "prefs/SortedIds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace orvane;

TEST(SortedIds, InsertionKeepsOrderWithoutDuplicates) {
    std::vector<std::string> ids;
    std::mt19937 random(7);
    std::vector<std::string> inserted;
    for (int i = 0; i < 200; ++i) {
        std::string id = "R" + std::to_string(random() % 97);
        insertSorted(ids, id);
        inserted.push_back(id);
        ASSERT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    }
    std::sort(inserted.begin(), inserted.end());
    inserted.erase(std::unique(inserted.begin(), inserted.end()), inserted.end());
    EXPECT_EQ(ids, inserted);
    for (const auto& id : inserted) {
        EXPECT_TRUE(searchSorted(ids, id).found) << id;
    }
    EXPECT_FALSE(insertSorted(ids, inserted.front()));
}

TEST(SortedIds, SearchAndRemoveAtTheEdges) {
    std::vector<std::string> ids{"b", "d", "f"};
    EXPECT_FALSE(searchSorted(ids, "a").found);
    EXPECT_FALSE(searchSorted(ids, "g").found);
    EXPECT_FALSE(searchSorted({}, "a").found);
    insertSorted(ids, "a");
    insertSorted(ids, "g");
    insertSorted(ids, "e");
    EXPECT_EQ(ids, (std::vector<std::string>{"a", "b", "d", "e", "f", "g"}));
    EXPECT_TRUE(removeSorted(ids, "a"));
    EXPECT_TRUE(removeSorted(ids, "g"));
    EXPECT_FALSE(removeSorted(ids, "c"));
    EXPECT_EQ(ids, (std::vector<std::string>{"b", "d", "e", "f"}));
}
