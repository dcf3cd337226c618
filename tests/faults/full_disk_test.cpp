// Full disks, on a small tmpfs that CTest mounts for these tests: the report
// folder fills up in the middle of a pass, the handheld's database cannot be
// written back. Nothing is lost, no report keeps part of a line, and the log,
// the result and the host say what happened.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "conduit_host.h"

namespace {

class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        char full[MAX_PATH];
        GetFullPathNameA("small-disk", MAX_PATH, full, nullptr);
        disk_ = full;
        if (GetFileAttributesA((disk_ + "\\.small-disk").c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "no small disk mounted (mounting a tmpfs needs root)";
        TearDown();
        c_.WriteUser("Ziduv Vazuv");
    }
    void TearDown() override {
        DeleteFileA((disk_ + "\\filler").c_str());
        RemoveTree(disk_ + "\\handheld");
        RemoveTree(disk_ + "\\Data");
    }
    void WriteRecords(int count) {
        std::vector<HandheldRecord> records;
        for (int i = 0; i < count; ++i) records.push_back(Record(1 + i % 5, i));
        c_.WriteDatabase("Ledgerly_DB", records);
    }
    // Fills the disk, then frees about leave bytes again.
    void Fill(uint64_t leave) {
        HANDLE filler = CreateFileA((disk_ + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(filler, INVALID_HANDLE_VALUE);
        const std::string block(64 * 1024, 'f');
        uint64_t size = 0;
        DWORD written = 0;
        while (WriteFile(filler, block.data(), block.size(), &written, nullptr) && written > 0)
            size += written;
        ASSERT_GT(size, leave);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>((size - leave) & ~uint64_t{4095});
        SetFilePointerEx(filler, end, nullptr, FILE_BEGIN);
        SetEndOfFile(filler);
        CloseHandle(filler);
    }
    // The reports one after the other, each checked to end with a whole line.
    std::string Reports() {
        std::string all;
        for (const char* file : kFiles) {
            const std::string report = ReadFileBytes(c_.dataDir + "\\" + file);
            EXPECT_TRUE(report.empty() || report.compare(report.size() - 2, 2, "\r\n") == 0)
                << file;
            all += report;
        }
        return all;
    }
    void ExpectWriteFailure(const SyncRun& run) {
        EXPECT_EQ(run.result, -1);
        EXPECT_EQ(run.log[run.log.size() - 2].text, kAddFailed);
        bool named = false;
        for (const LogEntry& e : run.log) {
            named =
                named || (e.text.find("   - Datei konnte nicht geschrieben werden: " + c_.dataDir +
                                      "\\") == 0 &&
                          e.text.find(": Disk full") != std::string::npos);
        }
        EXPECT_TRUE(named) << ::testing::PrintToString(run.log);
    }

    std::string disk_;
    ConduitCase c_;
};

// With the records kept, nothing cuts the reports back: the failed write
// itself leaves no part of a line. With deleting, every record that left the
// handheld has its line; with room again, the next HotSync writes the rest.
TEST_F(FullDisk, ReportFillingUpKeepsWholeLinesAndLosesNone) {
    const int count = 3000;
    WriteRecords(count);
    c_.dataDir = disk_ + "\\Data";
    CreateDirectoryA(c_.dataDir.c_str(), nullptr);
    LoadedConduit conduit(c_.conduitPath);
    Fill(60 * 1024);
    ExpectWriteFailure(conduit.Sync(c_));
    Reports();
    EXPECT_EQ(DirtyCount(c_.ReadDatabase("Ledgerly_DB")), count);

    c_.SetDword("DeleteRecords", 1);
    c_.SetDword("SyncBackupMethod", 1);
    Fill(60 * 1024);
    ExpectWriteFailure(conduit.Sync(c_));
    const size_t left = c_.ReadDatabase("Ledgerly_DB").records.size();
    ASSERT_GT(left, 0u);
    ASSERT_LT(left, static_cast<size_t>(count));
    std::string reports = Reports();
    for (int i = 0; i < count - static_cast<int>(left); ++i)
        ASSERT_NE(reports.find(Note(i) + "\r\n"), std::string::npos) << Note(i);

    DeleteFileA((disk_ + "\\filler").c_str());
    EXPECT_EQ(conduit.Sync(c_).result, 0);
    EXPECT_TRUE(c_.ReadDatabase("Ledgerly_DB").records.empty());
    reports = Reports();
    for (int i = 0; i < count; ++i)
        ASSERT_NE(reports.find(Note(i) + "\r\n"), std::string::npos) << Note(i);
}

TEST_F(FullDisk, HandheldThatCannotBeWrittenBackFailsTheHotSync) {
    c_.handheld = disk_ + "\\handheld";
    CreateDirectoryA(c_.handheld.c_str(), nullptr);
    c_.WriteUser("Ziduv Vazuv");
    WriteRecords(2000);
    const std::string database = ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb");
    Fill(16 * 1024);
    // Through the host program, which shows what the Sync Manager reports.
    SyncRun run = c_.RunHotSync("Ziduv Vazuv", {});
    EXPECT_EQ(run.result, 1);
    ASSERT_GE(run.log.size(), 2u);
    EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
    EXPECT_EQ(run.log[run.log.size() - 2].text,
              "   - SyncCloseDB ist fehlgeschlagen: Die \304nderungen auf dem Handheld wurden "
              "nicht gespeichert!");
    EXPECT_NE(run.hostLog.find("cannot write: Disk full"), std::string::npos) << run.hostLog;
    // No mark was cleared: the next HotSync copies every record again.
    EXPECT_EQ(ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb"), database);
}

}  // namespace
