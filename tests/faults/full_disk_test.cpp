// A report folder on a small tmpfs (CTest mounts it) that fills up in the
// middle of a pass: nothing is lost, no report keeps part of a line, and the
// log and the result say what happened.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "conduit_host.h"

namespace {

// Fills the disk, then frees about leave bytes again.
void Fill(const std::string& filler, uint64_t leave) {
    HANDLE file = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string block(64 * 1024, 'f');
    uint64_t size = 0;
    DWORD written = 0;
    while (WriteFile(file, block.data(), block.size(), &written, nullptr) && written > 0)
        size += written;
    ASSERT_GT(size, leave);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>((size - leave) & ~uint64_t{4095});
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

// With the records kept, nothing cuts the reports back: the failed write
// itself leaves no part of a line. With deleting, every record that left the
// handheld has its line; with room again, the next HotSync writes the rest.
TEST(FullDisk, ReportFillingUpKeepsWholeLinesAndLosesNone) {
    char disk[MAX_PATH];
    GetFullPathNameA("small-disk", MAX_PATH, disk, nullptr);
    const std::string filler = std::string(disk) + "\\filler";
    if (GetFileAttributesA((std::string(disk) + "\\.small-disk").c_str()) ==
        INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no small disk mounted (mounting a tmpfs needs root)";
    ConduitCase c;
    c.WriteUser("Ziduv Vazuv");
    const int count = 3000;
    std::vector<HandheldRecord> records;
    for (int i = 0; i < count; ++i) records.push_back(Record(1 + i % 5, i));
    c.WriteDatabase("Ledgerly_DB", records);
    c.dataDir = std::string(disk) + "\\Data";
    RemoveTree(c.dataDir);
    CreateDirectoryA(c.dataDir.c_str(), nullptr);
    LoadedConduit conduit(c.conduitPath);
    // Each run's reports one after the other, each ending with a whole line.
    auto sync = [&](long result) {
        const SyncRun run = conduit.Sync(c);
        EXPECT_EQ(run.result, result);
        const std::string log = ::testing::PrintToString(run.log);
        if (result != 0) {
            EXPECT_EQ(run.log.size() < 2 ? "" : run.log[run.log.size() - 2].text, kAddFailed);
            EXPECT_NE(log.find("   - Datei konnte nicht geschrieben werden: " + c.dataDir + "\\"),
                      std::string::npos)
                << log;
            EXPECT_NE(log.find(": Disk full"), std::string::npos) << log;
        }
        std::string all;
        for (const char* file : kFiles) {
            const std::string report = ReadFileBytes(c.dataDir + "\\" + file);
            EXPECT_TRUE(report.empty() || report.compare(report.size() - 2, 2, "\r\n") == 0)
                << file;
            all += report;
        }
        return all;
    };
    Fill(filler, 60 * 1024);
    sync(-1);
    EXPECT_EQ(DirtyCount(c.ReadDatabase("Ledgerly_DB")), count);

    c.SetDword("DeleteRecords", 1);
    c.SetDword("SyncBackupMethod", 1);
    Fill(filler, 60 * 1024);
    std::string reports = sync(-1);
    const int left = static_cast<int>(c.ReadDatabase("Ledgerly_DB").records.size());
    ASSERT_GT(left, 0);
    ASSERT_LT(left, count);
    for (int i = 0; i < count - left; ++i)
        ASSERT_NE(reports.find(Note(i) + "\r\n"), std::string::npos) << Note(i);

    DeleteFileA(filler.c_str());
    reports = sync(0);
    EXPECT_TRUE(c.ReadDatabase("Ledgerly_DB").records.empty());
    for (int i = 0; i < count; ++i)
        ASSERT_NE(reports.find(Note(i) + "\r\n"), std::string::npos) << Note(i);
    RemoveTree(c.dataDir);
}

}  // namespace
