// Damaged .pdb files on the handheld: cut at every byte offset and with
// offsets that point anywhere. The Sync Manager refuses them with a clear
// fault, the conduit aborts with its log line, nothing crashes and the file
// stays on disk byte for byte as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "conduit_host.h"
#include "faults.h"
#include "palm/pdb.h"
#include "pdb_damage.h"
#include "palm/sync20.h"

namespace {

using namespace faults;

std::vector<std::string> reported;

void __cdecl Report(const char* text) { reported.push_back(text != nullptr ? text : ""); }

class PdbFaultTest : public ::testing::Test {
  protected:
    std::string PdbPath() const { return c_.handheld + "\\Ledgerly_DB.pdb"; }

    // Opens the database the way the conduit does, through the Sync Manager in
    // this process. Returns the open result; records gets the record count.
    long CheapOpen(int* records) {
        reported.clear();
        *records = -1;
        EXPECT_EQ(SyncHostBegin(c_.handheld.c_str(), Report), 0);
        palm::CondHandle conduit = 0;
        EXPECT_EQ(SyncRegisterConduit(&conduit), 0);
        uint8_t handle = 0;
        long result = SyncOpenDB("Ledgerly_DB", 0, &handle, 0xE0);
        if (result == 0) {
            uint16_t count = 0;
            SyncGetDBRecordCount(handle, &count);
            *records = count;
            SyncCloseDB(handle);
        }
        SyncUnRegisterConduit(conduit);
        EXPECT_EQ(SyncHostEnd(), 0);
        return result;
    }

    // A whole HotSync over the damaged database, which must refuse it.
    void RunRefused(const std::string& image) {
        SyncRun run = conduit_->Sync(c_);
        EXPECT_EQ(run.result, -1);
        EXPECT_TRUE(LogHas(run.log, kOpenDB));
        EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
        EXPECT_EQ(run.leftOpen, 0);
        EXPECT_EQ(ReadFileBytes(PdbPath()), image);
    }

    void SetUp() override {
        c_.WriteUser("Ziduv Vazuv");
        c_.SetDword("DeleteRecords", 1);
        conduit_.reset(new LoadedConduit(c_.conduitPath));
        ASSERT_TRUE(conduit_->ok());
    }

    ConduitCase c_;
    std::unique_ptr<LoadedConduit> conduit_;
};

TEST_F(PdbFaultTest, CutAtEveryByteOffset) {
    const std::string valid = SmallDatabase();
    ASSERT_GT(valid.size(), 150u);
    int refused = 0;
    for (size_t cut = 0; cut < valid.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(valid.size()));
        const std::string image = valid.substr(0, cut);
        WriteFileBytes(PdbPath(), image);

        // The cheap check at every offset: what the .pdb library refuses the
        // Sync Manager refuses as malformed, naming the file; a cut inside
        // the last record leaves a shorter, well-formed record.
        palm::Database parsed;
        std::string error;
        const bool wellFormed = palm::Parse(reinterpret_cast<const uint8_t*>(image.data()),
                                            image.size(), "cut", parsed, error);
        int records = 0;
        const long result = CheapOpen(&records);
        if (wellFormed) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(records, static_cast<int>(parsed.records.size()));
        } else {
            ++refused;
            EXPECT_EQ(result, palm::kSyncErrCorrupt) << error;
            ASSERT_EQ(reported.size(), 1u);
            EXPECT_TRUE(Contains(reported[0], "Ledgerly_DB.pdb")) << reported[0];
        }
        EXPECT_EQ(ReadFileBytes(PdbPath()), image);

        // A whole HotSync at a sample of the offsets, and at each edge.
        if (!wellFormed && (cut % 16 == 0 || cut == palm::kHeaderSize - 1 ||
                            cut == palm::kHeaderSize || cut == RecordEntry(3))) {
            RunRefused(image);
        }
    }
    EXPECT_GT(refused, 100);
}

TEST_F(PdbFaultTest, CorruptedOffsetsAreRefused) {
    const std::string valid = SmallDatabase();
    for (const Damage& damage : DamagedOffsets(valid)) {
        SCOPED_TRACE(damage.what);
        WriteFileBytes(PdbPath(), damage.image);
        int records = 0;
        EXPECT_EQ(CheapOpen(&records), palm::kSyncErrCorrupt);
        ASSERT_EQ(reported.size(), 1u);
        EXPECT_TRUE(Contains(reported[0], "Ledgerly_DB.pdb")) << reported[0];
        RunRefused(damage.image);
        EXPECT_EQ(c_.ReadReport(kFiles[0]), "");  // nothing of the records reached a report
    }
}

// A damaged auxiliary database only costs the properties: the records are
// copied, without the column "UserID", and the damaged file stays as it was.
TEST_F(PdbFaultTest, DamagedPropertyDatabaseIsLeftAlone) {
    c_.CopyExampleHandheld();
    const std::string aux = c_.handheld + "\\LedgerlyAux_DB.pdb";
    std::string image = ReadFileBytes(aux);
    ASSERT_GT(image.size(), RecordEntry(1));
    Put32(image, RecordEntry(0), static_cast<uint32_t>(image.size()) + 100);
    WriteFileBytes(aux, image);
    SyncRun run = conduit_->Sync(c_);
    EXPECT_EQ(run.result, 0);
    EXPECT_FALSE(LogHas(run.log, kProps));
    EXPECT_EQ(run.log.back(), (LogEntry{20, ""}));
    EXPECT_EQ(ReadFileBytes(aux), image);
    const std::string tasks = c_.ReadReport(kFiles[0]);
    EXPECT_TRUE(Contains(tasks, "Logo entwerfen"));
    EXPECT_FALSE(Contains(tasks, "U-17"));
    EXPECT_FALSE(Contains(tasks, "UserID"));
    EXPECT_TRUE(c_.ReadDatabase("Ledgerly_DB").records.empty());
}

}  // namespace
