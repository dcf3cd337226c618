// The library's exports, and whole HotSyncs through the HotSync host program.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "conduit_host.h"

namespace {

TEST(EntryTest, NameIsCopiedLikeABoundedStringCopy) {
    LoadedConduit conduit(BinFolder() + "\\Tessel20.dll");
    ASSERT_TRUE(conduit.ok());
    ASSERT_NE(conduit.getName, nullptr);
    char buffer[70];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(conduit.getName(buffer, 64), 0);
    EXPECT_EQ(std::string(buffer, 8), "Ledgerly");
    EXPECT_EQ(std::string(buffer + 8, 56), std::string(56, '\0'));
    EXPECT_EQ(std::string(buffer + 64, 6), "######");

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(conduit.getName(buffer, 4), 0);
    EXPECT_EQ(std::string(buffer, 6), "Ledg##");
    EXPECT_EQ(conduit.getName(buffer, 0), 0);
    EXPECT_EQ(std::string(buffer, 6), "Ledg##");
    EXPECT_NE(conduit.getName(nullptr, 10), 0);
}

TEST(EntryTest, VersionAndLibMain) {
    LoadedConduit conduit(BinFolder() + "\\Tessel20.dll");
    ASSERT_TRUE(conduit.ok());
    ASSERT_NE(conduit.getVersion, nullptr);
    ASSERT_NE(conduit.libMain, nullptr);
    EXPECT_EQ(conduit.getVersion(), 512u);
    EXPECT_EQ(conduit.getVersion(), 512u);
    for (DWORD reason : {DLL_PROCESS_ATTACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
        EXPECT_EQ(conduit.libMain(conduit.module(), reason, nullptr), 1);
    }
}

// Registers the library under a HotSync key of the test's own and runs
// hotsync.exe over the case's handheld.
class HostProgramTest : public ::testing::Test {
  protected:
    void Register(const std::string& library) {
        hotsyncKey_ = c_.registryPath + "\\Pilot Desktop";
        c_.registryPath = hotsyncKey_ + "\\Application1";
        c_.SetString("Conduit", library);
        c_.SetString("Directory", "Data");
        c_.SetString("Name", "Ledgerly");
        c_.SetDword("Creator", 0x4C444759);
        c_.SetDword("Priority", 2);
    }
    DWORD Sync(const std::string& extra = "") {
        return RunProgram("\"" + BinFolder() + "\\hotsync.exe\" sync --handheld \"" + c_.handheld +
                          "\" --desktop \"" + c_.root + "\\desktop\" --registry \"" + hotsyncKey_ +
                          "\" --entries \"" + c_.root + "\\entries.txt\"" + extra);
    }
    ConduitCase c_;
    std::string hotsyncKey_;
};

TEST_F(HostProgramTest, ExampleHandheldThroughHotSync) {
    c_.CopyExampleHandheld();
    Register(BinFolder() + "\\Tessel20.dll");
    EXPECT_EQ(Sync(), 0u);
    const std::string data = c_.root + "\\desktop\\Ziduv Vazuv\\Data";
    Log log = ReadRawEntries(c_.root + "\\entries.txt");
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[0], (LogEntry{19, ""}));
    EXPECT_EQ(log[1], (LogEntry{-1, "Ledgerly"}));
    EXPECT_EQ(log[3], (LogEntry{-1, "Using: " + data + "\\Ledgerly Arbeitszeiten.txt"}));
    EXPECT_EQ(log[9], (LogEntry{20, ""}));
    EXPECT_NE(ReadFileBytes(data + "\\Ledgerly Notizen.txt").find("Farben abstimmen"),
              std::string::npos);
    EXPECT_NE(ReadFileBytes(c_.root + "\\desktop\\Ziduv Vazuv\\HotSync.log").find("Ledgerly"),
              std::string::npos);
}

TEST_F(HostProgramTest, FailedRunGivesAFailedExitStatus) {
    c_.CopyExampleHandheld();
    DeleteFileA((c_.handheld + "\\Ledgerly_DB.pdb").c_str());
    Register(c_.conduitPath);
    EXPECT_EQ(Sync(), 1u);
    Log log = ReadRawEntries(c_.root + "\\entries.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), (LogEntry{17, ""}));
    EXPECT_EQ(log[log.size() - 2].text, "   - SyncOpenDB ist fehlgeschlagen!");
}

}  // namespace
