// Data directories the conduit cannot use: a file in its place, one that
// cannot be created, paths longer than the platform's limit. Each aborts the
// run before a record is read; the handheld stays byte for byte as it was
// and no report lands anywhere else.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "conduit_host.h"
#include "faults.h"
#include "palm/hslog20.h"
#include "palm/sync20.h"

namespace {

using namespace faults;

// Every file below folder whose name ends in ".txt".
void FindReports(const std::string& folder, std::vector<std::string>& found) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            FindReports(folder + "\\" + name, found);
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0 &&
                   name != "User.txt") {
            found.push_back(folder + "\\" + name);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

class DataDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        c_.CopyExampleHandheld();
        c_.SetDword("DeleteRecords", 1);
        conduit_.reset(new LoadedConduit(c_.conduitPath));
        ASSERT_TRUE(conduit_->ok());
        main_ = ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb");
        aux_ = ReadFileBytes(c_.handheld + "\\LedgerlyAux_DB.pdb");
    }

    void ExpectRefused(const SyncRun& run, const char* directoryLine) {
        EXPECT_EQ(run.result, -1);
        if (directoryLine != nullptr) {
            EXPECT_TRUE(LogHas(run.log, directoryLine));
        }
        EXPECT_TRUE(LogHas(run.log, kOpenFiles));
        EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
        EXPECT_EQ(run.leftOpen, 0);
        EXPECT_EQ(ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb"), main_);
        EXPECT_EQ(ReadFileBytes(c_.handheld + "\\LedgerlyAux_DB.pdb"), aux_);
        std::vector<std::string> reports;
        FindReports(c_.root, reports);
        EXPECT_TRUE(reports.empty()) << reports.front();
    }

    SyncRun RunWith(const std::string& dataPath) {
        SyncOptions options;
        options.dataPath = dataPath;
        return conduit_->Sync(c_, options);
    }

    // A path below the case's folder of exactly `length` characters whose
    // parent exists.
    std::string PathOfLength(size_t length) {
        const std::string parent = c_.root + "\\p";
        CreateDirectoryA(parent.c_str(), nullptr);
        return parent + "\\" + std::string(length - parent.size() - 1, 'd');
    }

    ConduitCase c_;
    std::unique_ptr<LoadedConduit> conduit_;
    std::string main_, aux_;
};

TEST_F(DataDirectoryTest, AFileInItsPlace) {
    WriteFileBytes(c_.dataDir, "not a folder");
    ExpectRefused(RunWith(c_.dataDir), kInvalidDir);
    EXPECT_EQ(ReadFileBytes(c_.dataDir), "not a folder");
}

TEST_F(DataDirectoryTest, CannotBeCreated) {
    WriteFileBytes(c_.root + "\\afile", "x");
    char drive[] = "?:\\Data";
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if (!(drives & (1u << (letter - 'A')))) {
            drive[0] = letter;
            break;
        }
    }
    ASSERT_NE(drive[0], '?');
    for (const std::string& path : {c_.root + "\\afile\\Data", c_.root + "\\no\\such\\Data",
                                    std::string(drive), c_.root + "\\Da<ta>?"}) {
        SCOPED_TRACE(path);
        ExpectRefused(RunWith(path), kCreateDir);
    }
}

// The longest data directory that still takes every default file name, and
// one character more.
TEST_F(DataDirectoryTest, PathsAtTheLimit) {
    const size_t longest = 259 - 1 - std::strlen(kFiles[0]);
    SyncRun run = RunWith(PathOfLength(longest));
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log.back(), (LogEntry{20, ""}));
    std::vector<std::string> reports;
    FindReports(c_.root, reports);
    EXPECT_EQ(reports.size(), 5u);
    EXPECT_TRUE(c_.ReadDatabase("Ledgerly_DB").records.empty());

    c_.CopyExampleHandheld();
    RemoveDirectoryA((c_.root + "\\p").c_str());
    for (const std::string& report : reports) DeleteFileA(report.c_str());
    for (size_t length : {longest + 1, size_t{255}}) {
        SCOPED_TRACE(length);
        ExpectRefused(RunWith(PathOfLength(length)), nullptr);
    }
}

// The host's data path field filled to its last byte without a terminator:
// the conduit reads at most 255 characters of it and refuses the run.
TEST_F(DataDirectoryTest, UnterminatedDataPathField) {
    long(__cdecl * open)(long(__cdecl*)(char*), void*) = nullptr;
    open = reinterpret_cast<decltype(open)>(
        reinterpret_cast<void*>(GetProcAddress(conduit_->module(), "OpenConduit")));
    ASSERT_NE(open, nullptr);
    palm::SyncProperties properties;
    std::memset(&properties, 0, sizeof properties);
    properties.syncType = 0;
    const std::string path = PathOfLength(sizeof properties.dataPath);
    std::memcpy(properties.dataPath, path.data(), sizeof properties.dataPath);
    std::memset(properties.localName, 'L', sizeof properties.localName);  // no terminator after it
    std::strncpy(properties.registryPath, c_.registryPath.c_str(),
                 sizeof properties.registryPath - 1);
    SyncHostBegin(c_.handheld.c_str(), nullptr);
    LogHostReset();
    SyncRun run;
    run.result = open(nullptr, &properties);
    run.leftOpen = SyncHostEnd();
    for (long i = 0, n = LogHostCount(); i < n; ++i) {
        int activity = 0;
        const char* text = LogHostEntry(i, &activity, nullptr, nullptr);
        run.log.push_back({activity, text != nullptr ? text : ""});
    }
    ExpectRefused(run, nullptr);
    // The path in the log starts with the field's first 255 characters.
    bool named = false;
    for (const LogEntry& entry : run.log) {
        named = named || entry.text.rfind("Using: " + path.substr(0, 255) + "\\", 0) == 0;
    }
    EXPECT_TRUE(named || LogHas(run.log, kCreateDir));
}

}  // namespace
