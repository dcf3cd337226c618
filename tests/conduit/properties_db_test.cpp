// Loading and saving the property records through the real Sync Manager
// stand-in over a handheld folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
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

// Loading takes the first record of a key of category 14; an unchanged set
// writes nothing, a changed one rewrites its records in place, then appends.
TEST(PropertyDatabase, LoadsCategory14KeysAndSavesOnlyChanges) {
    ConduitCase c;
    c.WriteDatabase("LedgerlyAux_DB", {{14, false, "UID=a"},
                                       {14, false, "uid=b"},
                                       {3, false, "Other=x"},
                                       {14, false, "no equals sign"},
                                       {14, false, ""},
                                       {14, false, "name=first=second"},
                                       {14, false, "Long=" + std::string(5000, 'v')}});
    const std::string before = ReadFileBytes(c.handheld + "\\LedgerlyAux_DB.pdb");
    const uint32_t firstId = c.ReadDatabase("LedgerlyAux_DB").records[0].uniqueId;
    palm::CondHandle conduit = 0;
    auto session = [&](const std::function<void()>& body) {
        ASSERT_EQ(SyncHostBegin(c.handheld.c_str(), nullptr), 0);
        ASSERT_EQ(SyncRegisterConduit(&conduit), 0);
        body();
        SyncUnRegisterConduit(conduit);
        EXPECT_EQ(SyncHostEnd(), 0);
    };
    session([] {
        EXPECT_TRUE(LoadHandheldProperties("LedgerlyAux_DB", 14));
        EXPECT_TRUE(SaveHandheldProperties("LedgerlyAux_DB", 14));
    });
    EXPECT_EQ(ReadFileBytes(c.handheld + "\\LedgerlyAux_DB.pdb"), before);
    EXPECT_EQ(handheldProperties.Count(), 3u);
    EXPECT_STREQ(handheldProperties.Get("uid"), "a");
    EXPECT_STREQ(handheldProperties.Get("NAME"), "first=second");
    // A record longer than the buffer is taken as far as the buffer goes.
    EXPECT_EQ(std::string(handheldProperties.Get("long")), std::string(4024 - 5, 'v'));

    logged.clear();
    session([] {
        handheldProperties.Set("UID", "neu", true);
        handheldProperties.Add("Added", "1", true);
        // A record of exactly the largest size: "Big=", the value, its zero byte.
        handheldProperties.Add("Big", std::string(4024 - 5, 'b').c_str(), true);
        EXPECT_TRUE(SaveHandheldProperties("LedgerlyAux_DB", 14));
    });
    EXPECT_EQ(logged, std::vector<std::string>{"   - Attribute werden aktualisiert"});
    palm::Database db = c.ReadDatabase("LedgerlyAux_DB");
    ASSERT_EQ(db.records.size(), 9u);
    EXPECT_EQ(RecordText(db.records[0]), "UID=neu");
    EXPECT_EQ(db.records[0].uniqueId, firstId);
    EXPECT_EQ(db.records[0].data.size(), 8u);  // the text and its zero byte
    EXPECT_EQ(RecordText(db.records[1]), "uid=b");
    EXPECT_EQ(RecordText(db.records[7]), "Added=1");
    EXPECT_EQ(db.records[7].category, 14);
    EXPECT_EQ(db.records[8].data.size(), 4024u);
}

}  // namespace
