// Loading and saving the property records through the real Sync Manager
// stand-in over a handheld folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "conduit_host.h"
#include "palm/sync20.h"
#include "properties.h"

// The log seam: properties.cpp writes its one line through it.
std::vector<std::string> logged;
void LogMessage(const char* text) { logged.push_back(text); }
void LogMessage(const char* format, const char*) { logged.push_back(format); }
void LogFinish() {}
void LogAbort() {}

namespace {

class PropertyDatabaseTest : public ::testing::Test {
  protected:
    void Begin() {
        ASSERT_EQ(SyncHostBegin(c_.handheld.c_str(), nullptr), 0);
        ASSERT_EQ(SyncRegisterConduit(&conduit_), 0);
    }
    void End() {
        SyncUnRegisterConduit(conduit_);
        EXPECT_EQ(SyncHostEnd(), 0);
    }
    void SetUp() override {
        handheldProperties.Clear();
        logged.clear();
    }
    ConduitCase c_;
    palm::CondHandle conduit_ = 0;
};

TEST_F(PropertyDatabaseTest, LoadTakesCategory14KeyValueRecordsAndAnUnchangedSetIsNotWritten) {
    const std::string longValue(5000, 'v');
    c_.WriteDatabase("LedgerlyAux_DB", {{14, false, "UID=a"},
                                        {14, false, "uid=b"},
                                        {3, false, "Other=x"},
                                        {14, false, "no equals sign"},
                                        {14, false, ""},
                                        {14, false, "name=first=second"},
                                        {14, false, "Long=" + longValue}});
    const std::string before = ReadFileBytes(c_.handheld + "\\LedgerlyAux_DB.pdb");
    Begin();
    EXPECT_TRUE(LoadHandheldProperties("LedgerlyAux_DB", 14));
    EXPECT_TRUE(logged.empty());
    EXPECT_TRUE(SaveHandheldProperties("LedgerlyAux_DB", 14));  // nothing changed: nothing written
    End();
    EXPECT_EQ(ReadFileBytes(c_.handheld + "\\LedgerlyAux_DB.pdb"), before);
    EXPECT_EQ(handheldProperties.Count(), 3u);
    EXPECT_STREQ(handheldProperties.Get("uid"), "a");
    EXPECT_STREQ(handheldProperties.Get("NAME"), "first=second");
    EXPECT_EQ(handheldProperties.Get("Other"), nullptr);
    // A record longer than the buffer is taken as far as the buffer goes.
    const std::string taken = handheldProperties.Get("long");
    EXPECT_EQ(taken.size(), 4024u - 5);
    EXPECT_EQ(taken.find_first_not_of('v'), std::string::npos);
}

TEST_F(PropertyDatabaseTest, SaveRewritesInPlaceThenAppends) {
    c_.WriteDatabase("LedgerlyAux_DB",
                     {{14, false, "UID=a"}, {2, false, "UID=other"}, {14, false, "uid=b"}});
    const uint32_t firstId = c_.ReadDatabase("LedgerlyAux_DB").records[0].uniqueId;
    Begin();
    ASSERT_TRUE(LoadHandheldProperties("LedgerlyAux_DB", 14));
    handheldProperties.Set("UID", "neu", true);
    handheldProperties.Add("Added", "1", true);
    // A record of exactly the largest size that fits: "Big=", the value, its zero byte.
    handheldProperties.Add("Big", std::string(4024 - 5, 'b').c_str(), true);
    EXPECT_TRUE(SaveHandheldProperties("LedgerlyAux_DB", 14));
    End();
    EXPECT_EQ(logged, std::vector<std::string>{"   - Attribute werden aktualisiert"});
    EXPECT_FALSE(handheldProperties.Find("UID")->modified());
    EXPECT_FALSE(handheldProperties.Find("Added")->modified());

    palm::Database db = c_.ReadDatabase("LedgerlyAux_DB");
    ASSERT_EQ(db.records.size(), 5u);
    EXPECT_EQ(RecordText(db.records[0]), "UID=neu");
    EXPECT_EQ(db.records[0].uniqueId, firstId);
    EXPECT_EQ(db.records[0].data.size(), 8u);  // the text and its zero byte
    EXPECT_EQ(RecordText(db.records[1]), "UID=other");
    EXPECT_EQ(RecordText(db.records[2]), "uid=b");
    EXPECT_EQ(RecordText(db.records[3]), "Added=1");
    EXPECT_EQ(db.records[3].category, 14);
    EXPECT_EQ(db.records[4].data.size(), 4024u);
}

}  // namespace
