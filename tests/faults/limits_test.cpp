// Paths at the platform's limit of 259 characters: the longest data folder
// that still takes every report, one character more, an overlong report file
// name, and a host whose data path field has no terminator. A path that does
// not fit is never cut into another path: the run is refused, and the
// handheld stays as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "conduit_host.h"

namespace {

constexpr size_t kLongestPath = 259;

class PathLimit : public ::testing::Test {
  protected:
    void SetUp() override {
        c_.CopyExampleHandheld();
        c_.SetDword("DeleteRecords", 1);
        ASSERT_TRUE(conduit_.ok());
    }
    // A folder below the case's of exactly length characters whose parent exists.
    std::string PathOfLength(size_t length) {
        const std::string parent = c_.root + "\\p";
        CreateDirectoryA(parent.c_str(), nullptr);
        return parent + "\\" + std::string(length - parent.size() - 1, 'd');
    }
    void ExpectRefused(const SyncRun& run) {
        EXPECT_EQ(run.result, -1);
        EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
        EXPECT_EQ(c_.ReadDatabase("Ledgerly_DB").records.size(), 8u);
    }
    ConduitCase c_;
    LoadedConduit conduit_{c_.conduitPath};
};

TEST_F(PathLimit, LongestDataFolderThatTakesEveryReportWorksAndOneMoreIsRefused) {
    const size_t longest = kLongestPath - 1 - std::strlen(kFiles[0]);
    for (size_t length : {longest + 1, size_t{255}}) {
        SCOPED_TRACE(length);
        SyncOptions options;
        options.dataPath = PathOfLength(length);
        ExpectRefused(conduit_.Sync(c_, options));
    }
    SyncOptions options;
    options.dataPath = PathOfLength(longest);
    SyncRun run = conduit_.Sync(c_, options);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(c_.ReadDatabase("Ledgerly_DB").records.empty());
    EXPECT_NE(ReadFileBytes(options.dataPath + "\\" + kFiles[0]).find("Logo"), std::string::npos);
}

TEST_F(PathLimit, OverlongReportNameIsLoggedCutAndNotOpened) {
    const std::string name(kLongestPath - c_.dataDir.size(), 'x');
    c_.SetString("TaskReportFile", name);
    SyncRun run = conduit_.Sync(c_);
    ExpectRefused(run);
    ASSERT_EQ(run.log.size(), 5u);  // header, "Using", the failure, the abort
    EXPECT_EQ(run.log[2].text, ("Using: " + c_.dataDir + "\\" + name).substr(0, 7 + kLongestPath));
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((c_.dataDir + "\\x*").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

// The field filled to its last byte, with more host text after it: the
// conduit reads at most 255 characters of it.
TEST_F(PathLimit, UnterminatedDataPathFieldIsReadTo255Characters) {
    SyncOptions options;
    options.dataPath = PathOfLength(256);
    options.unterminatedPath = true;
    SyncRun run = conduit_.Sync(c_, options);
    ExpectRefused(run);
    ASSERT_GE(run.log.size(), 3u);
    EXPECT_EQ(run.log[2].text.substr(0, 7 + 255), "Using: " + options.dataPath.substr(0, 255));
}

}  // namespace
