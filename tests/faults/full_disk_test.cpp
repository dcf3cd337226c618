// Full disks, on a small tmpfs that CTest mounts for these tests: the report
// folder fills up in the middle of a pass, the history cannot be written, the
// handheld's database cannot be written back. Nothing is lost, no report
// keeps part of a line, and the log and the result say what happened.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "conduit_host.h"

namespace {

const char kDisk[] = "small-disk";

std::string SystemText(DWORD code) {
    char text[256] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ' ||
                     text[n - 1] == '.')) {
        --n;
    }
    return std::string(text, n);
}

// A case whose handheld or report folder lies on the small disk.
class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        if (GetFileAttributesA((std::string(kDisk) + "\\.small-disk").c_str()) ==
            INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "no small disk mounted (mounting a tmpfs needs root)";
        }
        char full[MAX_PATH];
        GetFullPathNameA(kDisk, MAX_PATH, full, nullptr);
        disk_ = full;
        Clear();
        c_.WriteUser("Ziduv Vazuv");
    }
    void TearDown() override { Clear(); }

    void Clear() {
        DeleteFileA((disk_ + "\\filler").c_str());
        RemoveTree(disk_ + "\\handheld");
        RemoveTree(disk_ + "\\Data");
    }
    void HandheldOnDisk() {
        c_.handheld = disk_ + "\\handheld";
        CreateDirectoryA(c_.handheld.c_str(), nullptr);
        c_.WriteUser("Ziduv Vazuv");
    }
    void DataOnDisk() {
        c_.dataDir = disk_ + "\\Data";
        options_.dataPath = c_.dataDir;
    }
    // Fills the disk, then frees about leave bytes again.
    void Fill(uint64_t leave) {
        HANDLE filler = CreateFileA((disk_ + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(filler, INVALID_HANDLE_VALUE);
        const std::string block(64 * 1024, 'f');
        uint64_t size = 0;
        DWORD written = 0;
        while (
            WriteFile(filler, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
            written > 0) {
            size += written;
        }
        ASSERT_GT(size, leave);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>((size - leave) & ~uint64_t{4095});
        SetFilePointerEx(filler, end, nullptr, FILE_BEGIN);
        SetEndOfFile(filler);
        CloseHandle(filler);
    }
    void Free() { DeleteFileA((disk_ + "\\filler").c_str()); }

    std::vector<HandheldRecord> Records(int count) {
        std::vector<HandheldRecord> records;
        for (int i = 0; i < count; ++i) records.push_back(Record(1 + i % 5, i));
        return records;
    }
    SyncRun Run() {
        LoadedConduit conduit(c_.conduitPath);
        return conduit.Sync(c_, options_);
    }
    std::string Report(const std::string& file) { return ReadFileBytes(c_.dataDir + "\\" + file); }

    std::string disk_;
    ConduitCase c_;
    SyncOptions options_;
};

// The Task report is named with printf conversions: the log writes them as
// they stand.
const char kOddTaskFile[] = "Zeiten 100%s%n.txt";

TEST_F(FullDisk, ReportFillingUpKeepsWholeLinesAndDeletesOnlyWhatTheyHold) {
    const int count = 3000;
    c_.WriteDatabase("Ledgerly_DB", Records(count));
    DataOnDisk();
    CreateDirectoryA(c_.dataDir.c_str(), nullptr);
    c_.SetDword("DeleteRecords", 1);
    c_.SetDword("SyncBackupMethod", 1);
    c_.SetString("TaskReportFile", kOddTaskFile);
    std::vector<std::string> files = {kOddTaskFile, kFiles[1], kFiles[2], kFiles[3], kFiles[4]};
    Fill(60 * 1024);

    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    EXPECT_TRUE(LogHas(run.log, "Using: " + c_.dataDir + "\\" + kOddTaskFile));
    bool named = false;
    for (const std::string& file : files) {
        named =
            named || LogHas(run.log, "   - Datei konnte nicht geschrieben werden: " + c_.dataDir +
                                         "\\" + file + ": " + SystemText(ERROR_DISK_FULL));
    }
    EXPECT_TRUE(named) << ::testing::PrintToString(run.log);
    EXPECT_EQ(run.log[run.log.size() - 2].text, kAddFailed);

    // The reports hold exactly the records that left the handheld, each line
    // whole.
    palm::Database db = c_.ReadDatabase("Ledgerly_DB");
    ASSERT_GT(db.records.size(), 0u);
    ASSERT_LT(db.records.size(), static_cast<size_t>(count));
    const int gone = count - static_cast<int>(db.records.size());
    std::string reports;
    for (const std::string& file : files) {
        const std::string report = Report(file);
        EXPECT_TRUE(report.empty() ||
                    (report.size() >= 2 && report.substr(report.size() - 2) == "\r\n"))
            << file;
        reports += report;
    }
    for (int i = 0; i < count; ++i) ASSERT_EQ(Contains(reports, Note(i)), i < gone) << Note(i);

    // With room again, the next HotSync appends the rest after whole lines.
    Free();
    run = Run();
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(c_.ReadDatabase("Ledgerly_DB").records.empty());
    reports.clear();
    for (const std::string& file : files) reports += Report(file);
    for (int i = 0; i < count; ++i) {
        const size_t at = reports.find(Note(i));
        ASSERT_NE(at, std::string::npos) << Note(i);
        EXPECT_EQ(reports.compare(at + Note(i).size(), 2, "\r\n"), 0) << Note(i);
        EXPECT_EQ(reports.find(Note(i), at + 1), std::string::npos) << Note(i);
    }
}

// With the records kept, nothing cuts the reports back: the failed write
// itself leaves no part of a line.
TEST_F(FullDisk, ReportFillingUpWithRecordsKeptLeavesNoPartOfALine) {
    c_.WriteDatabase("Ledgerly_DB", Records(3000));
    DataOnDisk();
    CreateDirectoryA(c_.dataDir.c_str(), nullptr);
    Fill(60 * 1024);
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    bool named = false;
    for (const char* file : kFiles) {
        const std::string report = Report(file);
        EXPECT_TRUE(report.empty() ||
                    (report.size() >= 2 && report.substr(report.size() - 2) == "\r\n"))
            << file;
        named =
            named || LogHas(run.log, "   - Datei konnte nicht geschrieben werden: " + c_.dataDir +
                                         "\\" + file + ": " + SystemText(ERROR_DISK_FULL));
    }
    EXPECT_TRUE(named) << ::testing::PrintToString(run.log);
    EXPECT_EQ(DirtyCount(c_.ReadDatabase("Ledgerly_DB")), 3000);
}

TEST_F(FullDisk, HistoryThatCannotBeWrittenLeavesReportsAndHandheldAsTheyWere) {
    DataOnDisk();
    c_.SetDword("DeleteRecords", 1);
    c_.WriteDatabase("Ledgerly_DB", Records(1000));
    ASSERT_EQ(Run().result, 0);
    std::vector<std::string> before;
    for (const char* file : kFiles) before.push_back(Report(file));

    c_.WriteDatabase("Ledgerly_DB", Records(5));
    const std::string database = ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb");
    Fill(8 * 1024);
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
    const std::string line = run.log[run.log.size() - 2].text;
    EXPECT_TRUE(Contains(
        line, "   - Bisherige Berichtszeilen konnten nicht gesichert werden: " + c_.dataDir + "\\"))
        << line;
    EXPECT_TRUE(Contains(line, ".history.txt: " + SystemText(ERROR_DISK_FULL))) << line;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Report(kFiles[i]), before[i]) << kFiles[i];
    EXPECT_EQ(ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb"), database);
}

TEST_F(FullDisk, HandheldThatCannotBeWrittenBackFailsTheHotSync) {
    HandheldOnDisk();
    c_.WriteDatabase("Ledgerly_DB", Records(2000));
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
    EXPECT_TRUE(Contains(run.hostLog, "cannot write: " + SystemText(ERROR_DISK_FULL)))
        << run.hostLog;
    EXPECT_FALSE(Contains(run.hostLog, SystemText(ERROR_SUCCESS))) << run.hostLog;
    // No mark was cleared: the next HotSync copies every record again.
    EXPECT_EQ(ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb"), database);
}

}  // namespace
