// Whole HotSyncs of the real Tessel20.dll whose power fails. The data
// directory lies on a file system that forgets what was not flushed
// (powercut.c: "whole" forgets it all, "torn" keeps a random part), and the
// HotSync manager cuts the power right after a Sync Manager call, the
// handheld keeping what it did so far. After the cut, every record that left
// the handheld or lost its modification mark has its whole line in the
// reports or their histories as they survive, every file ends with whole
// lines and at most one torn fragment, and the next HotSync adds its lines
// after a line end.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "conduit_host.h"

namespace {

enum class Settings { RewriteDeleting, AppendDeleting, ModifiedOnlyKeeping };

struct CutCase {
    const char* name;
    const char* disk;  // the file system: "whole" or "torn"
    Settings settings;
    int records;      // on the handheld, the kinds in turn
    int cleanEvery;   // every n-th record carries no modification mark (0: none)
    const char* cut;  // the Sync Manager call after which the power fails
};

const CutCase kCases[] = {
    {"RewriteInTheFirstBatch", "whole", Settings::RewriteDeleting, 2505, 0, "SyncDeleteRec:5"},
    {"RewriteInTheThirdBatch", "torn", Settings::RewriteDeleting, 2505, 0, "SyncDeleteRec:2100"},
    {"AppendAtTheFirstDelete", "whole", Settings::AppendDeleting, 2505, 0, "SyncDeleteRec:1"},
    {"AppendInTheSecondBatch", "torn", Settings::AppendDeleting, 2505, 0, "SyncDeleteRec:1500"},
    {"ModifiedOnlyAtTheReset", "whole", Settings::ModifiedOnlyKeeping, 600, 2,
     "SyncResetSyncFlags"},
    // Before the reports are flushed: some of their bytes reached the file.
    {"ModifiedOnlyMidPassTorn", "torn", Settings::ModifiedOnlyKeeping, 8000, 0,
     "SyncReadNextModifiedRec:7000"},
};

const char kUser[] = "Ziduv Vazuv";

// The five reports and their histories.
std::vector<std::string> Files() {
    std::vector<std::string> files(kFiles, kFiles + 5);
    for (const char* file : kFiles) {
        std::string name = file;
        files.push_back(name.insert(name.rfind('.'), ".history"));
    }
    return files;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// A line as the conduit writes it: empty, a title, column names, or one
// record's line, which begins with the user's name and ends with its note.
bool WholeLine(const std::string& line) {
    if (line.empty() || Count(line, "Ziduv") + Count(line, "rec<") == 0) return true;
    return line.rfind(std::string(kUser) + "\t", 0) == 0 && Count(line, "Ziduv") == 1 &&
           Count(line, "rec<") == 1 && line.compare(line.size() - 2, 2, ">.") == 0;
}

// The lines of text that are not whole, leaving out the line that begins at
// offset skip.
std::vector<std::string> BrokenLines(const std::string& text, size_t skip) {
    std::vector<std::string> broken;
    for (size_t at = 0, end; at < text.size(); at = end + 2) {
        end = text.find("\r\n", at);
        if (end == std::string::npos) break;  // the torn fragment at the end
        std::string line = text.substr(at, end - at);
        if (at != skip && !WholeLine(line)) broken.push_back(line);
    }
    return broken;
}

// A case whose desktop lies on one of the power-cut disks; handheld and
// library stay outside.
class PowerDisk {
  protected:
    // Skips the test, saying why, when the disk is not there.
    void Use(const char* disk, const std::string& name) {
        const std::string skip = ReadFileBytes("power\\skip");
        char full[MAX_PATH];
        GetFullPathNameA((std::string("power\\") + disk).c_str(), MAX_PATH, full, nullptr);
        disk_ = full;
        if (!skip.empty()) GTEST_SKIP() << skip;
        if (GetFileAttributesA((disk_ + "\\.powercut").c_str()) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "the power-cut file systems are not mounted (CTest mounts them)";
        }
        c_.root = disk_ + "\\" + name;
        RemoveTree(c_.root);
        CreateDirectoryA(c_.root.c_str(), nullptr);
        CreateDirectoryA((c_.root + "\\desktop").c_str(), nullptr);
        c_.SetDword("ShowSyncStatus", 0);
        c_.WriteUser(kUser);
    }
    void Command(const char* text) { WriteFileBytes(disk_ + "\\.powercut", text); }
    std::map<std::string, std::string> ReadFiles() {
        std::map<std::string, std::string> bytes;
        for (const std::string& file : Files()) {
            bytes[file] = ReadFileBytes(c_.dataDir + "\\" + file);
        }
        return bytes;
    }

    ConduitCase c_;
    std::string disk_;
};

class PowerCut : public PowerDisk, public ::testing::TestWithParam<CutCase> {};

TEST_P(PowerCut, KeepsTheLineOfEveryRecordThatLeftTheHandheld) {
    const CutCase& k = GetParam();
    Use(k.disk, k.name);
    if (IsSkipped()) return;
    ConduitCase& c = c_;
    // No separator line, which would end a torn line by chance.
    c.SetDword("SeparateReports", 0);
    c.SetDword("DeleteRecords", k.settings != Settings::ModifiedOnlyKeeping);
    c.SetDword("SyncBackupMethod", k.settings != Settings::RewriteDeleting);

    // An earlier HotSync, long written out: the reports hold lines already.
    std::vector<HandheldRecord> records;
    for (int i = 0; i < 5; ++i) records.push_back(Record(1 + i, 90000 + i));
    c.WriteDatabase("Ledgerly_DB", records);
    ASSERT_EQ(c.RunHotSync(kUser, {}).result, 0);
    Command("sync");

    records.clear();
    for (int i = 0; i < k.records; ++i) {
        records.push_back(Record(1 + i % 5, i, k.cleanEvery == 0 || i % k.cleanEvery != 0));
    }
    c.WriteDatabase("Ledgerly_DB", records);
    SyncRun cut = c.RunHotSync(
        kUser, {"--power-cut", k.cut, "--power-switch", "\"" + disk_ + "\\.powercut\""});
    ASSERT_EQ(cut.result, 3) << "the power was not cut";
    const std::map<std::string, std::string> survived = ReadFiles();

    // What the handheld committed: records gone, marks cleared.
    std::map<uint32_t, bool> kept;  // unique id -> still marked
    for (const palm::Record& r : c.ReadDatabase("Ledgerly_DB").records) {
        kept[r.uniqueId] = (r.flags & palm::kRecDirty) != 0;
    }
    std::string all;
    for (const auto& file : survived) all += file.second + "\n";
    int committed = 0;
    std::vector<std::string> lost;
    for (int i = 0; i < k.records; ++i) {
        auto found = kept.find(0x1000u + static_cast<uint32_t>(i));
        if (found != kept.end() && (found->second || !records[i].dirty)) continue;
        ++committed;
        const std::string start = std::string(kUser) + "\t";
        const size_t at = all.find(Note(i) + "\r\n");
        const size_t line = at == std::string::npos ? 0 : all.rfind('\n', at) + 1;
        if (at == std::string::npos || all.compare(line, start.size(), start) != 0) {
            lost.push_back(Note(i));
        }
    }
    EXPECT_TRUE(lost.empty()) << lost.size() << " of the " << committed
                              << " records that the handheld let go have no whole line, the "
                                 "first "
                              << lost.front();

    // Whole lines, then at most one torn fragment; the next HotSync goes on
    // after a line end.
    int torn = 0;
    for (const auto& file : survived) {
        EXPECT_EQ(BrokenLines(file.second, std::string::npos), std::vector<std::string>())
            << file.first;
        torn += !file.second.empty() && file.second.back() != '\n';
    }
    if (std::string(k.cut).rfind("SyncRead", 0) == 0) {
        EXPECT_GT(torn, 0) << "no report was cut inside a line";
    }
    ASSERT_EQ(c.RunHotSync(kUser, {}).result, 0);
    for (const auto& file : ReadFiles()) {
        const std::string& before = survived.at(file.first);
        const std::string& after = file.second;
        const bool appended = k.settings != Settings::RewriteDeleting ||
                              file.first.find(".history") != std::string::npos;
        size_t fragment = std::string::npos;  // where the torn line begins
        if (appended && !before.empty()) {
            EXPECT_EQ(after.compare(0, before.size(), before), 0) << file.first;
            if (before.back() != '\n' && after.size() > before.size()) {
                fragment = before.rfind('\n') == std::string::npos ? 0 : before.rfind('\n') + 1;
                const char* end = before.back() == '\r' ? "\n" : "\r\n";
                EXPECT_EQ(after.compare(before.size(), std::strlen(end), end), 0)
                    << file.first << " goes on without a line end after "
                    << before.substr(fragment);
            }
        }
        EXPECT_EQ(BrokenLines(after, fragment), std::vector<std::string>()) << file.first;
    }
}

class FailingFlush : public PowerDisk, public ::testing::Test {};

// A flush that fails is a write that fails: the pass ends before any record
// of the batch is deleted, the log names the file and the reason, and no
// record whose line did not reach the disk is named as cut.
TEST_F(FailingFlush, EndsThePassBeforeAnyDelete) {
    Use("whole", "FailingFlush");
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

INSTANTIATE_TEST_SUITE_P(Cuts, PowerCut, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
