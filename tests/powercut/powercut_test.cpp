// Whole HotSyncs of the real Tessel20.dll whose power fails. The data
// directory lies on a file system that forgets what was not flushed
// (powercut.c), and the HotSync manager cuts the power right after a Sync
// Manager call, the handheld keeping what it did so far. After the cut,
// every record that left the handheld or lost its modification mark has its
// line in the reports or their histories as they survive.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "conduit_host.h"

namespace {

struct CutCase {
    const char* name;
    bool deleting;    // rewrite with DeleteRecords; else only modified records, kept
    int records;      // on the handheld, the kinds in turn
    const char* cut;  // the Sync Manager call after which the power fails
};

const CutCase kCases[] = {
    {"RewriteWithHistoryInTheSecondBatch", true, 2505, "SyncDeleteRec:1500"},
    {"ModifiedOnlyAtTheReset", false, 600, "SyncResetSyncFlags"},
};

const char kUser[] = "Ziduv Vazuv";

// A case whose desktop lies on the power-cut disk; handheld and library stay
// outside.
class PowerDisk {
  protected:
    // Skips the test, saying why, when the disk is not there.
    void Use(const std::string& name) {
        const std::string skip = ReadFileBytes("power\\skip");
        char full[MAX_PATH];
        GetFullPathNameA("power\\disk", MAX_PATH, full, nullptr);
        disk_ = full;
        if (!skip.empty()) GTEST_SKIP() << skip;
        if (GetFileAttributesA((disk_ + "\\.powercut").c_str()) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "the power-cut file system is not mounted (CTest mounts it)";
        }
        c_.root = disk_ + "\\" + name;
        RemoveTree(c_.root);
        CreateDirectoryA(c_.root.c_str(), nullptr);
        CreateDirectoryA((c_.root + "\\desktop").c_str(), nullptr);
        c_.SetDword("ShowSyncStatus", 0);
        c_.WriteUser(kUser);
    }
    void Command(const char* text) { WriteFileBytes(disk_ + "\\.powercut", text); }

    ConduitCase c_;
    std::string disk_;
};

class PowerCut : public PowerDisk, public ::testing::TestWithParam<CutCase> {};

TEST_P(PowerCut, KeepsTheLineOfEveryRecordThatLeftTheHandheld) {
    const CutCase& k = GetParam();
    Use(k.name);
    if (IsSkipped()) return;
    c_.SetDword("DeleteRecords", k.deleting);
    c_.SetDword("SyncBackupMethod", !k.deleting);

    // An earlier HotSync, long written out: the reports hold its lines.
    std::vector<HandheldRecord> records;
    for (int i = 0; i < 5; ++i) records.push_back(Record(1 + i, 90000 + i));
    c_.WriteDatabase("Ledgerly_DB", records);
    ASSERT_EQ(c_.RunHotSync(kUser, {}).result, 0);
    Command("sync");

    std::vector<std::string> gone;  // the notes of records that left the handheld
    for (int i = 0; k.deleting && i < 5; ++i) gone.push_back(Note(90000 + i));
    records.clear();
    for (int i = 0; i < k.records; ++i)
        records.push_back(Record(1 + i % 5, i, k.deleting || i % 2));
    c_.WriteDatabase("Ledgerly_DB", records);
    SyncRun cut = c_.RunHotSync(
        kUser, {"--power-cut", k.cut, "--power-switch", "\"" + disk_ + "\\.powercut\""});
    ASSERT_EQ(cut.result, 3) << "the power was not cut";

    std::map<uint32_t, bool> kept;  // unique id -> still marked
    for (const palm::Record& r : c_.ReadDatabase("Ledgerly_DB").records) {
        kept[r.uniqueId] = (r.flags & palm::kRecDirty) != 0;
    }
    for (int i = 0; i < k.records; ++i) {
        auto found = kept.find(0x1000u + static_cast<uint32_t>(i));
        if (found == kept.end() || (records[i].dirty && !found->second)) gone.push_back(Note(i));
    }
    std::string all;
    for (const char* file : kFiles) {
        std::string history = file;
        all += ReadFileBytes(c_.dataDir + "\\" + file) +
               ReadFileBytes(c_.dataDir + "\\" + history.insert(history.rfind('.'), ".history"));
    }
    std::vector<std::string> lost;
    for (const std::string& note : gone) {
        if (all.find(note + "\r\n") == std::string::npos) lost.push_back(note);
    }
    EXPECT_GT(gone.size(), 5u);
    EXPECT_TRUE(lost.empty()) << lost.size() << " of the " << gone.size()
                              << " records that left the handheld have no line, the first "
                              << lost.front();
}

INSTANTIATE_TEST_SUITE_P(Cuts, PowerCut, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class FailingFlush : public PowerDisk, public ::testing::Test {};

// A flush that fails is a write that fails: the pass ends before any record
// of the batch is deleted, the log names the file and the reason, and no
// record whose line did not reach the disk is named as cut.
TEST_F(FailingFlush, EndsThePassBeforeAnyDelete) {
    Use("FailingFlush");
    if (IsSkipped()) return;
    c_.SetDword("DeleteRecords", 1);
    c_.SetDword("SyncBackupMethod", 1);
    std::vector<HandheldRecord> records;
    for (int i = 0; i < 10; ++i) records.push_back(Record(1 + i % 5, i));
    records[0].text = "1.2.01,8:00,1:00," + std::string(100, 'K') + ",Projekt,Arbeit,cut.";
    c_.WriteDatabase("Ledgerly_DB", records);
    Command("fail");
    SyncRun run = c_.RunHotSync(kUser, {});
    Command("sync");
    EXPECT_EQ(run.result, 1);
    const std::string named =
        "   - Datei konnte nicht geschrieben werden: " + c_.dataDir + "\\" + kFiles[0] + ": ";
    bool logged = false;
    for (const LogEntry& entry : run.log) logged = logged || entry.text.rfind(named, 0) == 0;
    EXPECT_TRUE(logged) << ::testing::PrintToString(run.log);
    for (const LogEntry& entry : run.log)
        EXPECT_EQ(entry.text.rfind("Conduit Warnung", 0), std::string::npos);
    EXPECT_EQ(run.log[run.log.size() - 2].text, kAddFailed);
    palm::Database db = c_.ReadDatabase("Ledgerly_DB");
    EXPECT_EQ(db.records.size(), 10u);
    EXPECT_EQ(DirtyCount(db), 10);
}

}  // namespace
