// The property set: record parsing, case-insensitive lookup, ordering.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "properties.h"

namespace {

std::string Keys(const Properties& set) {
    std::string keys;
    for (size_t i = 0; i < set.Count(); ++i) {
        if (!keys.empty()) keys += ' ';
        keys += set.At(i)->key();
    }
    return keys;
}

TEST(PropertiesTest, RecordTextsAreParsedAtTheFirstEqualsSign) {
    Properties set;
    set.AddFromRecord("name=first=second", false);
    set.AddFromRecord("UID=", false);
    set.AddFromRecord("no equals sign", false);
    set.AddFromRecord("", false);
    set.AddFromRecord(nullptr, false);
    ASSERT_EQ(set.Count(), 2u);
    EXPECT_STREQ(set.Get("name"), "first=second");
    EXPECT_STREQ(set.Get("UID"), "");
    EXPECT_EQ(set.Get("no equals sign"), nullptr);
}

TEST(PropertiesTest, FirstRecordOfAKeyWinsWhateverTheCase) {
    Properties set;
    set.AddFromRecord("UID=a", false);
    set.AddFromRecord("uid=b", true);
    ASSERT_EQ(set.Count(), 1u);
    EXPECT_STREQ(set.Get("UID"), "a");
    EXPECT_STREQ(set.Get("uid"), "a");
    EXPECT_STREQ(set.Get("Uid"), "a");
    EXPECT_FALSE(set.Find("UID")->modified());
}

TEST(PropertiesTest, FindMatchesWholeKeysOfTheGivenLength) {
    Properties set;
    set.Add("UID", "x", false);
    set.Add("UIDX", "y", false);
    EXPECT_STREQ(set.Find("UIDXYZ", 3)->value(), "x");
    EXPECT_STREQ(set.Find("uidx", 4)->value(), "y");
    EXPECT_EQ(set.Find("UI", 2), nullptr);
    EXPECT_EQ(set.Find(""), nullptr);
    // Only A-Z fold: other bytes compare by value.
    set.Add("\304rger", "z", false);
    EXPECT_EQ(set.Find("\344rger"), nullptr);
    EXPECT_STREQ(set.Get("\304RGER"), "z");
}

TEST(PropertiesTest, EntriesStaySortedIgnoringCase) {
    Properties set;
    const char* records[] = {"b=1", "C=2", "a=3", "_=4", "B2=5", "[=6", "\200=7"};
    for (const char* r : records) set.AddFromRecord(r, false);
    // '[' (0x5B) and '_' (0x5F) lie between upper and lower case letters:
    // folded keys put them before the letters.
    EXPECT_EQ(Keys(set), "[ _ a b B2 C \200");
}

TEST(PropertiesTest, AddAndSetKeepOneEntryPerKey) {
    Properties set;
    set.Add("Key", "one", false);
    set.Add("KEY", "two", true);
    EXPECT_STREQ(set.Get("key"), "one");
    EXPECT_FALSE(set.Find("key")->modified());
    set.Set("kEy", "three", true);
    EXPECT_STREQ(set.Get("Key"), "three");
    EXPECT_TRUE(set.Find("key")->modified());
    EXPECT_STREQ(set.Find("key")->key(), "Key");
    set.Set("missing", "x", true);
    EXPECT_EQ(set.Count(), 1u);
}

TEST(PropertiesTest, ManyEntriesAndClear) {
    Properties set;
    for (int i = 0; i < 200; ++i) {
        std::string text = "k" + std::to_string(1000 - i) + "=" + std::to_string(i);
        set.AddFromRecord(text.c_str(), false);
    }
    ASSERT_EQ(set.Count(), 200u);
    for (size_t i = 1; i < set.Count(); ++i) {
        EXPECT_LT(std::strcmp(set.At(i - 1)->key(), set.At(i)->key()), 0);
    }
    EXPECT_STREQ(set.Get("K900"), "100");
    set.Clear();
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(set.Get("k900"), nullptr);
}

}  // namespace
