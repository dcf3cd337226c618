// What the conduit promises its user, kept through whole HotSyncs of the real
// Tessel20.dll over the real Sync Manager: an entry leaves the handheld only
// once its line is in a report on disk, a report never loses lines that
// exist nowhere else, and the log tells the truth.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "conduit_host.h"
#include "faults.h"

namespace {

using namespace faults;

const char kDeleteFailed[] = "   - SyncDeleteRec ist fehlgeschlagen!";
const char kEarlier[] = "earlier line\r\n";

// One case's handheld, settings, reports and the library that runs over them.
struct HotSync {
    HotSync() : conduit(c.conduitPath) { c.WriteUser("Ziduv Vazuv"); }
    SyncRun Run(const SyncOptions& options = SyncOptions()) { return conduit.Sync(c, options); }
    std::string Report(int index) const { return c.ReadReport(kFiles[index]); }
    // Every report, each holding one earlier line.
    void PrefillReports() {
        CreateDirectoryA(c.dataDir.c_str(), nullptr);
        for (const char* file : kFiles) WriteFileBytes(c.dataDir + "\\" + file, kEarlier);
    }
    // Records of the five kinds in turn, with notes rec<first> ...
    std::vector<HandheldRecord> Records(int count, int first = 0, bool dirty = true) {
        std::vector<HandheldRecord> records;
        for (int i = 0; i < count; ++i) records.push_back(Record(1 + i % 5, first + i, dirty));
        return records;
    }
    std::string AllReports() const {
        std::string all;
        for (int i = 0; i < 5; ++i) all += Report(i);
        return all;
    }
    ConduitCase c;
    LoadedConduit conduit;
};

// Records whose notes stand in the text.
int CountNotes(const std::string& text, int count) {
    int found = 0;
    for (int i = 0; i < count; ++i) found += Contains(text, Note(i));
    return found;
}

// ---- one file under two spellings shares one stream ----------------------------

struct SpellingCase {
    const char* name;
    const char* contactFile;
    const char* memoFile;  // null: the short 8.3 name of contactFile
};

const SpellingCase kSpellings[] = {
    {"LetterCaseOfAnUmlaut", "\304rger.txt", "\344rger.txt"},
    {"TrailingDot", "Notizen.txt", "Notizen.txt."},
    {"TrailingBlank", "Notizen.txt", "Notizen.txt "},
    {"DotFolder", "Notizen.txt", ".\\Notizen.txt"},
    {"OtherPath", "Notizen.txt", "..\\Data\\Notizen.txt"},
    {"ShortName", "Ledgerly Projektnotizen.txt", nullptr},
};

class OneFileTwoSpellings : public ::testing::TestWithParam<SpellingCase> {};

TEST_P(OneFileTwoSpellings, KeepsTheLinesOfBothKinds) {
    const SpellingCase& p = GetParam();
    HotSync h;
    h.c.WriteDatabase("Ledgerly_DB", {Record(5, 0), Record(4, 1), Record(5, 2), Record(4, 3)});
    CreateDirectoryA(h.c.dataDir.c_str(), nullptr);
    const std::string contactPath = h.c.dataDir + "\\" + p.contactFile;
    WriteFileBytes(contactPath, "");
    std::string memoFile = p.memoFile != nullptr ? p.memoFile : "";
    if (p.memoFile == nullptr) {
        char shortPath[MAX_PATH] = "";
        ASSERT_NE(GetShortPathNameA(contactPath.c_str(), shortPath, MAX_PATH), 0u);
        memoFile = std::strrchr(shortPath, '\\') + 1;
        ASSERT_NE(memoFile, p.contactFile);
    }
    h.c.SetString("ContactReportFile", p.contactFile);
    h.c.SetString("MemoReportFile", memoFile);
    h.c.SetDword("DeleteRecords", 1);

    SyncRun run = h.Run();
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log.back(), (LogEntry{20, ""}));
    EXPECT_TRUE(h.c.ReadDatabase("Ledgerly_DB").records.empty());
    const std::string shared = ReadFileBytes(contactPath);
    EXPECT_EQ(CountNotes(shared, 4), 4) << shared;
}

INSTANTIATE_TEST_SUITE_P(Reports, OneFileTwoSpellings, ::testing::ValuesIn(kSpellings),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the reports are emptied only when the pass begins --------------------------

struct NoPassCase {
    const char* name;
    void (*prepare)(HotSync& h, SyncOptions& options);
    const char* logLine;  // the line before the closing entry, or null
};

void MissingDatabase(HotSync& h, SyncOptions&) {
    DeleteFileA((h.c.handheld + "\\Ledgerly_DB.pdb").c_str());
}

void DamagedDatabase(HotSync& h, SyncOptions&) {
    const std::string path = h.c.handheld + "\\Ledgerly_DB.pdb";
    WriteFileBytes(path, ReadFileBytes(path).substr(0, 90));
}

HANDLE heldFile = INVALID_HANDLE_VALUE;
void DatabaseHeldElsewhere(HotSync& h, SyncOptions&) {
    heldFile = CreateFileA((h.c.handheld + "\\Ledgerly_DB.pdb").c_str(), GENERIC_READ, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void LaterReportNotOpenable(HotSync& h, SyncOptions&) {
    h.c.SetString("RouteReportFile", "missing\\Fahrten.txt");
}

void RecordCountFails(HotSync&, SyncOptions& options) {
    options.failCalls = {{"SyncGetDBRecordCount", 1}};
}

const NoPassCase kNoPass[] = {
    {"MainDatabaseMissing", MissingDatabase, kOpenDB},
    {"MainDatabaseDamaged", DamagedDatabase, kOpenDB},
    {"MainDatabaseHeldElsewhere", DatabaseHeldElsewhere, kOpenDB},
    {"LaterReportNotOpenable", LaterReportNotOpenable, kOpenFiles},
    {"RecordCountFails", RecordCountFails, nullptr},
};

class PassNeverBegins : public ::testing::TestWithParam<NoPassCase> {};

TEST_P(PassNeverBegins, LeavesEveryReportAsItWas) {
    const NoPassCase& p = GetParam();
    for (DWORD deleting : {0, 1}) {
        SCOPED_TRACE(deleting ? "deleting" : "keeping");
        HotSync h;
        h.c.WriteDatabase("Ledgerly_DB", h.Records(5));
        h.c.SetDword("DeleteRecords", deleting);
        h.PrefillReports();
        DeleteFileA((h.c.dataDir + "\\" + kFiles[4]).c_str());  // one report is not there yet
        SyncOptions options;
        p.prepare(h, options);
        SyncRun run = h.Run(options);
        if (heldFile != INVALID_HANDLE_VALUE) CloseHandle(heldFile);
        heldFile = INVALID_HANDLE_VALUE;

        EXPECT_EQ(run.result, -1);
        ASSERT_GE(run.log.size(), 2u);
        EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
        if (p.logLine != nullptr) {
            EXPECT_EQ(run.log[run.log.size() - 2].text, p.logLine);
        }
        for (int i = 0; i < 4; ++i) EXPECT_EQ(h.Report(i), kEarlier) << kFiles[i];
        EXPECT_FALSE(h.c.ReportExists(kFiles[4]));
    }
}

INSTANTIATE_TEST_SUITE_P(Rewriting, PassNeverBegins, ::testing::ValuesIn(kNoPass),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PassBegins, EmptyDatabaseEmptiesTheReports) {
    HotSync h;
    h.c.WriteDatabase("Ledgerly_DB", {});
    h.PrefillReports();
    EXPECT_EQ(h.Run().result, 0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(h.Report(i), "") << kFiles[i];
}

// ---- rewriting with deleting keeps the former lines in a history --------------

// "Ledgerly Notizen.txt" keeps its history in "Ledgerly Notizen.history.txt".
std::string HistoryOf(const std::string& report) {
    return report.substr(0, report.size() - 4) + ".history.txt";
}

class History : public ::testing::TestWithParam<bool> {};

TEST_P(History, KeepsTheFormerLinesOnlyWhenRecordsAreDeleted) {
    const bool deleting = GetParam();
    HotSync h;
    h.c.SetDword("DeleteRecords", deleting);
    std::string earlier[5];  // every earlier HotSync's report, in order
    for (int sync = 0; sync < 3; ++sync) {
        SCOPED_TRACE("HotSync " + std::to_string(sync));
        h.c.WriteDatabase("Ledgerly_DB", h.Records(100, 100 * sync));
        SyncRun run = h.Run();
        ASSERT_EQ(run.result, 0);
        std::vector<std::string> lines;
        if (!deleting) lines.push_back(kWarn);
        for (const char* file : kFiles) lines.push_back("Using: " + h.c.dataDir + "\\" + file);
        for (int i = 0; i < 5; ++i) {
            const std::string history = h.c.dataDir + "\\" + HistoryOf(kFiles[i]);
            EXPECT_EQ(ReadFileBytes(history), deleting ? earlier[i] : "") << history;
            EXPECT_EQ(h.c.ReportExists(HistoryOf(kFiles[i])), deleting && sync > 0);
            if (deleting && sync > 0) {
                lines.push_back("   - Bisherige Berichtszeilen wurden angeh\344ngt an: " + history);
            }
            earlier[i] += h.Report(i);
        }
        // The reports hold this HotSync's records.
        EXPECT_EQ(CountNotes(h.AllReports(), 300), 100);
        EXPECT_TRUE(Contains(h.AllReports(), Note(100 * sync)));
        EXPECT_EQ(run.log, Section(lines, 20));
    }
}

INSTANTIATE_TEST_SUITE_P(Rewriting, History, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "Deleting" : "Keeping");
});

// ---- a record leaves the handheld only once its line is on disk -------------------

struct DeleteCase {
    const char* name;
    DWORD modifiedOnly;
    int records;
    int failingDelete;  // the delete call that fails (from 1), or 0
    int refused;        // the record whose text is malformed, or -1
};

const DeleteCase kDeletes[] = {
    {"ByIndex", 0, 1100, 0, -1},
    {"ModifiedOnly", 1, 1100, 0, -1},
    {"ThirdDeleteFailsByIndex", 0, 10, 3, -1},
    {"ThirdDeleteFailsModifiedOnly", 1, 10, 3, -1},
    {"DeleteFailsInTheSecondBatch", 0, 1100, 1050, -1},
    {"RefusedRecordInTheSecondBatch", 0, 1100, 0, 1030},
};

class Deleting : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(Deleting, EveryDeletedRecordIsInItsReportBeforeItIsDeleted) {
    const DeleteCase& p = GetParam();
    HotSync h;
    std::vector<HandheldRecord> records = h.Records(p.records);
    if (p.refused >= 0) records[static_cast<size_t>(p.refused)].text = "1.2.01,kaputt";
    h.c.WriteDatabase("Ledgerly_DB", records);
    h.c.SetDword("DeleteRecords", 1);
    h.c.SetDword("SyncBackupMethod", p.modifiedOnly);

    SyncOptions options;
    if (p.failingDelete > 0) options.failCalls = {{"SyncDeleteRec", p.failingDelete}};
    int deletes = 0, unseen = 0;
    options.onSyncCall = [&](const std::string& function, uint32_t id) {
        if (function != "SyncDeleteRec") return;
        ++deletes;
        // Test ids start at 0x1000, in record order; the kinds take turns.
        const int n = static_cast<int>(id) - 0x1000;
        if (!Contains(h.Report(ReportIndex(1 + n % 5)), Note(n))) ++unseen;
    };
    SyncRun run = h.Run(options);
    EXPECT_EQ(unseen, 0) << "records deleted before their lines were on disk";

    // The pass ends at the first failure, one record after the other.
    const int end = p.failingDelete > 0 ? p.failingDelete - 1 : p.refused;
    const int gone = end >= 0 ? end : p.records;
    palm::Database db = h.c.ReadDatabase("Ledgerly_DB");
    ASSERT_EQ(db.records.size(), static_cast<size_t>(p.records - gone));
    EXPECT_EQ(DirtyCount(db), p.records - gone);
    const std::string reports = h.AllReports();
    for (int i = 0; i < p.records; ++i) {
        // A record whose delete failed keeps its line: it was on disk.
        const bool reported = i < gone || (p.failingDelete > 0 && i == end);
        ASSERT_EQ(Contains(reports, Note(i)), reported) << Note(i);
    }
    EXPECT_EQ(run.result, end >= 0 ? -1 : 0);
    if (p.failingDelete > 0) {
        EXPECT_EQ(run.log[run.log.size() - 2].text, kDeleteFailed);
        EXPECT_EQ(deletes, p.failingDelete);
    } else if (p.refused >= 0) {
        EXPECT_EQ(run.log[run.log.size() - 3].text, kBadFormat);
    }
    EXPECT_EQ(run.log.back(), (LogEntry{end >= 0 ? 17 : 20, ""}));
}

INSTANTIATE_TEST_SUITE_P(Records, Deleting, ::testing::ValuesIn(kDeletes),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- records sharing a unique id are each deleted after their own line ------------

struct IdCase {
    const char* name;
    std::vector<uint32_t> ids;
    const char* hostMessage;  // what the Sync Manager tells the host
};

const IdCase kIds[] = {
    {"RepeatedId", {7, 8, 7, 9}, "record 2 repeats the unique id 7 of record 0, given the id 10"},
    {"ZeroIds", {0, 0, 5}, "record 0 has the unique id 0, given the id 6; record 1 has"},
};

class SharedIds : public ::testing::TestWithParam<IdCase> {};

TEST_P(SharedIds, GetFreshIdsAndEveryRecordReachesItsReport) {
    const IdCase& p = GetParam();
    HotSync h;
    palm::Database db;
    db.SetName("Ledgerly_DB");
    for (size_t i = 0; i < p.ids.size(); ++i) {
        HandheldRecord r = Record(1 + static_cast<int>(i) % 5, static_cast<int>(i));
        palm::Record record;
        record.category = static_cast<uint8_t>(r.category);
        record.uniqueId = p.ids[i];
        record.data.assign(r.text.begin(), r.text.end());
        record.data.push_back(0);
        db.records.push_back(record);
    }
    std::string error;
    ASSERT_TRUE(palm::WriteFile(h.c.handheld + "\\Ledgerly_DB.pdb", db, error)) << error;
    h.c.SetDword("DeleteRecords", 1);

    SyncRun run = h.Run();
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(h.c.ReadDatabase("Ledgerly_DB").records.empty());
    EXPECT_EQ(CountNotes(h.AllReports(), static_cast<int>(p.ids.size())),
              static_cast<int>(p.ids.size()));
    ASSERT_EQ(run.hostMessages.size(), 1u);
    EXPECT_TRUE(Contains(run.hostMessages[0], p.hostMessage)) << run.hostMessages[0];

    // pdbtool names the same faults.
    std::string output;
    palm::Database copy = db;
    ASSERT_TRUE(palm::WriteFile(h.c.root + "\\copy.pdb", copy, error)) << error;
    EXPECT_EQ(
        RunProgram("\"" + BinFolder() + "\\pdbtool.exe\" check \"" + h.c.root + "\\copy.pdb\"",
                   &output),
        1u);
    EXPECT_TRUE(Contains(output, p.ids[0] == 0 ? "record 0 has the unique id 0"
                                               : "record 2 repeats the unique id 7 of record 0"))
        << output;
}

INSTANTIATE_TEST_SUITE_P(Handheld, SharedIds, ::testing::ValuesIn(kIds),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- a field cut to its width is cut with a warning ---------------------------

struct CutCase {
    const char* name;
    int category;
    std::string text;
    const char* warning;  // null: nothing is cut
};

const CutCase kCuts[] = {
    {"LongTaskNotes", 1, "14.3.00,9:05,1:30,K,P,T," + std::string(600, 'n'),
     "Conduit Warnung: Ein zu langes Feld der Arbeitszeit vom 2000/03/14 wurde gek\374rzt!"},
    {"LongExpenseCustomer", 2, "2.1.01," + std::string(150, 'k') + ",P,V,1,2,3,N",
     "Conduit Warnung: Ein zu langes Feld der Ausgabe vom 2001/01/02 wurde gek\374rzt!"},
    {"LongRouteArrival", 3, "3.1.01,K,P,T,Berlin," + std::string(200, 'a') + ",1,2,1,N",
     "Conduit Warnung: Ein zu langes Feld der Fahrt vom 2001/01/03 wurde gek\374rzt!"},
    {"LongMemoTopic", 4, "4.1.01,K,P," + std::string(80, 't') + ",N",
     "Conduit Warnung: Ein zu langes Feld der Projektnotiz vom 2001/01/04 wurde gek\374rzt!"},
    {"LongContactNameAfterItsPrefix", 5, "5.1.01,K,P,T,$0001A2F3:" + std::string(85, 'n') + ",N",
     "Conduit Warnung: Ein zu langes Feld des Kontaktvermerks vom 2001/01/05 wurde gek\374rzt!"},
    {"FieldsAtTheirWidths", 1,
     "14.3.00,9:05,1:30," + std::string(79, 'k') + ",P,T," + std::string(255, 'n'), nullptr},
};

class CutField : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutField, IsWrittenCutAndWarnedOfOnce) {
    const CutCase& p = GetParam();
    HotSync h;
    h.c.WriteDatabase("Ledgerly_DB", {{p.category, true, p.text}, {p.category, true, p.text}});
    h.c.SetDword("DeleteRecords", 1);
    SyncRun run = h.Run();
    EXPECT_EQ(run.result, 0);
    std::vector<std::string> lines;
    for (const char* file : kFiles) lines.push_back("Using: " + h.c.dataDir + "\\" + file);
    if (p.warning != nullptr) lines.insert(lines.end(), 2, p.warning);
    EXPECT_EQ(run.log, Section(lines, 20));
    EXPECT_TRUE(h.c.ReadDatabase("Ledgerly_DB").records.empty());
}

INSTANTIATE_TEST_SUITE_P(Records, CutField, ::testing::ValuesIn(kCuts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
