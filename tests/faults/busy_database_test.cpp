// Databases held open by another opener while the conduit runs: another
// Sync Manager handle, or another program holding the .pdb file itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "conduit_host.h"
#include "faults.h"
#include "palm/sync20.h"

namespace {

using namespace faults;

class BusyDatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        c_.CopyExampleHandheld();
        c_.SetDword("DeleteRecords", 1);
        conduit_.reset(new LoadedConduit(c_.conduitPath));
        ASSERT_TRUE(conduit_->ok());
        before_ = ReadFileBytes(MainPdb());
    }
    std::string MainPdb() const { return c_.handheld + "\\Ledgerly_DB.pdb"; }

    // Runs with another handle opened on `database` as soon as the conduit
    // has registered (when its status strip first shows).
    SyncRun RunWhileOpen(const char* database, uint8_t mode) {
        SyncOptions options;
        options.activeWindow = true;
        bool opened = false;
        options.onStatus = [&](const std::string& text) {
            if (text != "Initialisierung ...") return;
            uint8_t handle = 0;
            opened = SyncOpenDB(database, 0, &handle, mode) == 0;
        };
        SyncRun run = conduit_->Sync(c_, options);
        EXPECT_TRUE(opened);
        return run;
    }

    ConduitCase c_;
    std::unique_ptr<LoadedConduit> conduit_;
    std::string before_;
};

TEST_F(BusyDatabaseTest, MainDatabaseOpenElsewhereAbortsTheRun) {
    for (uint8_t mode : {uint8_t{0x80}, uint8_t{0xC0}, uint8_t{0xE0}}) {
        SCOPED_TRACE("other opener's mode " + std::to_string(mode));
        SyncRun run = RunWhileOpen("Ledgerly_DB", mode);
        EXPECT_EQ(run.result, -1);
        EXPECT_TRUE(LogHas(run.log, kOpenDB));
        EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
        EXPECT_EQ(run.leftOpen, 0);
        EXPECT_EQ(ReadFileBytes(MainPdb()), before_);
    }
}

// Without its properties the run still copies and deletes every record.
TEST_F(BusyDatabaseTest, PropertyDatabaseOpenElsewhereCostsOnlyTheUserId) {
    const std::string aux = ReadFileBytes(c_.handheld + "\\LedgerlyAux_DB.pdb");
    SyncRun run = RunWhileOpen("LedgerlyAux_DB", 0x80);
    EXPECT_EQ(run.result, 0);
    EXPECT_FALSE(LogHas(run.log, kProps));
    EXPECT_EQ(run.log.back(), (LogEntry{20, ""}));
    EXPECT_EQ(ReadFileBytes(c_.handheld + "\\LedgerlyAux_DB.pdb"), aux);
    EXPECT_TRUE(c_.ReadDatabase("Ledgerly_DB").records.empty());
    const std::string tasks = c_.ReadReport(kFiles[0]);
    EXPECT_TRUE(Contains(tasks, "Logo entwerfen"));
    EXPECT_FALSE(Contains(tasks, "U-17"));
}

// Another program has the file open and shares nothing: the Sync Manager
// cannot read it, the run is aborted and the file is untouched.
TEST_F(BusyDatabaseTest, FileLockedByAnotherProgram) {
    HANDLE file = CreateFileA(MainPdb().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SyncRun run = conduit_->Sync(c_);
    CloseHandle(file);
    EXPECT_EQ(run.result, -1);
    EXPECT_TRUE(LogHas(run.log, kOpenDB));
    EXPECT_EQ(run.leftOpen, 0);
    EXPECT_EQ(ReadFileBytes(MainPdb()), before_);
}

// The file can be read but not replaced: the deletions cannot be written
// back, so every record stays on the handheld, and every record is in its
// report. Nothing is lost; the next HotSync copies them again, and this one
// says that it failed.
TEST_F(BusyDatabaseTest, FileThatCannotBeReplacedKeepsEveryRecord) {
    HANDLE file = CreateFileA(MainPdb().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SyncRun run = conduit_->Sync(c_);
    CloseHandle(file);
    EXPECT_EQ(run.result, -1);
    EXPECT_TRUE(LogHas(run.log,
                       "   - SyncCloseDB ist fehlgeschlagen: Die \304nderungen auf dem "
                       "Handheld wurden nicht gespeichert!"));
    EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
    EXPECT_EQ(run.leftOpen, 0);
    const palm::Database db = c_.ReadDatabase("Ledgerly_DB");
    EXPECT_EQ(ReadFileBytes(MainPdb()), before_);
    EXPECT_EQ(db.records.size(), 8u);
    std::string reports;
    for (const char* name : kFiles) reports += c_.ReadReport(name);
    EXPECT_TRUE(Contains(reports, "Logo entwerfen"));
    EXPECT_TRUE(Contains(reports, "Farben abstimmen"));
    EXPECT_TRUE(Contains(reports, "Diri Deziz"));
}

}  // namespace
