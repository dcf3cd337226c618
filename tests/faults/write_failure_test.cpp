// A report write that fails, injected at every record position of a run: the
// failing kind's report lies on a device that refuses every write, and the
// first record of that kind stands at the position under test. Records leave
// the handheld, and lose their marks, only once their lines are on disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "conduit_host.h"
#include "faults.h"

namespace {

using namespace faults;

// Categories of a run of `count` records whose record at `failAt` is the
// first of category `failing`; the others cycle through the other four kinds.
std::vector<int> Categories(int count, int failAt, int failing) {
    std::vector<int> others;
    for (int c = 1; c <= 5; ++c) {
        if (c != failing) others.push_back(c);
    }
    std::vector<int> categories;
    for (int i = 0; i < count; ++i) {
        categories.push_back(i == failAt ? failing : others[static_cast<size_t>(i) % 4]);
    }
    return categories;
}

class WriteFailureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        conduit_.reset(new LoadedConduit(c_.conduitPath));
        ASSERT_TRUE(conduit_->ok());
    }

    // Fresh settings and reports for one position.
    void Prepare(int failing, DWORD backupMethod, DWORD deleting) {
        c_.RemoveSettingsKey();
        c_.SetDword("SyncBackupMethod", backupMethod);
        c_.SetDword("DeleteRecords", deleting);
        c_.SetString(ReportFileValue(failing), kFullDevice);
        CreateDirectoryA(c_.dataDir.c_str(), nullptr);
        for (const char* file : kFiles) WriteFileBytes(c_.dataDir + "\\" + file, "earlier\r\n");
    }

    // Every report but the failing kind's, by report index.
    std::vector<std::string> Reports(int failing) {
        std::vector<std::string> reports(5);
        for (int i = 0; i < 5; ++i) {
            if (i != ReportIndex(failing))
                reports[static_cast<size_t>(i)] = c_.ReadReport(kFiles[i]);
        }
        return reports;
    }

    ConduitCase c_;
    std::unique_ptr<LoadedConduit> conduit_;
};

TEST_F(WriteFailureTest, DeletingKeepsEveryRecordThatIsNotInItsReport) {
    const int count = 7;
    for (int failAt = 0; failAt < count; ++failAt) {
        SCOPED_TRACE("failure at record " + std::to_string(failAt));
        const int failing = 1 + failAt % 5;
        const std::vector<int> categories = Categories(count, failAt, failing);
        std::vector<HandheldRecord> records;
        for (int i = 0; i < count; ++i) records.push_back(Record(categories[i], i));
        c_.WriteUser("Ziduv Vazuv");
        c_.WriteDatabase("Ledgerly_DB", records);
        Prepare(failing, 0, 1);

        SyncRun run = conduit_->Sync(c_);
        EXPECT_EQ(run.result, -1);
        EXPECT_TRUE(LogHas(run.log, kAddFailed)) << ::testing::PrintToString(run.log);
        EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
        EXPECT_EQ(run.leftOpen, 0);

        // The failed record and every one after it are still there, marked.
        palm::Database db = c_.ReadDatabase("Ledgerly_DB");
        ASSERT_EQ(db.records.size(), static_cast<size_t>(count - failAt));
        for (int i = failAt; i < count; ++i) {
            EXPECT_EQ(RecordText(db.records[static_cast<size_t>(i - failAt)]), records[i].text);
        }
        EXPECT_EQ(DirtyCount(db), count - failAt);

        // Every deleted record is in its report; none of the others is.
        std::vector<std::string> reports = Reports(failing);
        for (int i = 0; i < count; ++i) {
            if (categories[i] == failing) continue;
            const std::string& report = reports[static_cast<size_t>(ReportIndex(categories[i]))];
            EXPECT_EQ(Contains(report, Note(i)), i < failAt) << Note(i);
        }
    }
}

// Only modified records: the pass reads the marked records one after the
// other; whichever of them fails, no record loses its mark.
TEST_F(WriteFailureTest, ModifiedOnlyKeepsEveryMark) {
    const int count = 9;
    const std::vector<bool> dirty = {true, false, true, true, false, false, true, false, true};
    for (int deleting = 0; deleting <= 1; ++deleting) {
        for (int failAt = 0; failAt < count; ++failAt) {
            if (!dirty[failAt]) continue;
            SCOPED_TRACE("failure at record " + std::to_string(failAt) +
                         (deleting ? ", deleting" : ", keeping"));
            const int failing = 1 + failAt % 5;
            const std::vector<int> categories = Categories(count, failAt, failing);
            std::vector<HandheldRecord> records;
            for (int i = 0; i < count; ++i) records.push_back(Record(categories[i], i, dirty[i]));
            c_.WriteUser("Ziduv Vazuv");
            c_.WriteDatabase("Ledgerly_DB", records);
            Prepare(failing, 1, static_cast<DWORD>(deleting));

            SyncRun run = conduit_->Sync(c_);
            EXPECT_EQ(run.result, -1);
            EXPECT_TRUE(LogHas(run.log, kAddFailed));
            EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));

            // Deleted: the marked records before the failure, and those are
            // in their reports. Every record left keeps its mark as it was.
            palm::Database db = c_.ReadDatabase("Ledgerly_DB");
            std::vector<int> kept;
            for (int i = 0; i < count; ++i) {
                if (!(deleting && dirty[i] && i < failAt)) kept.push_back(i);
            }
            ASSERT_EQ(db.records.size(), kept.size());
            for (size_t j = 0; j < kept.size(); ++j) {
                EXPECT_EQ(RecordText(db.records[j]), records[kept[j]].text);
                EXPECT_EQ((db.records[j].flags & palm::kRecDirty) != 0, dirty[kept[j]])
                    << Note(kept[j]);
            }

            // Appending: what the reports held before is still at their start.
            std::vector<std::string> reports = Reports(failing);
            for (int i = 0; i < count; ++i) {
                if (categories[i] == failing) continue;
                const std::string& report =
                    reports[static_cast<size_t>(ReportIndex(categories[i]))];
                EXPECT_EQ(report.rfind("earlier\r\n", 0), 0u);
                // Keeping, the failure shows when the reports are flushed at
                // the end: every other kind's lines are written.
                EXPECT_EQ(Contains(report, Note(i)), dirty[i] && (!deleting || i < failAt))
                    << Note(i);
            }
        }
    }
}

}  // namespace
