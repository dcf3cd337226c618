// Whole HotSyncs of the real Tessel20.dll, loaded by a test host over
// handheld folders made for each case: log entries, reports, the handheld's
// databases afterwards and the result.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "conduit_host.h"
#include "palm/sync20.h"

namespace {

const char kRegister[] = "   - SyncRegisterConduit ist fehlgeschlagen!";
const char kReset[] = "   - Synchronisierungs-Marken konnten nicht zur\374ckgesetzt werden!";
const char kLoadSettings[] = "   - Einstellungen konnten nicht geladen werden!";
const char kNoDataDir[] =
    "   - Es ist kein Datenverzeichnis konfiguriert -- Synchronisation wird verlassen!";
const char kUnknownType[] = "Conduit Fehler: Datensatz-Typ nicht bekannt!";
const char kBackup[] = "Ledgerly Eintr\344ge werden gesichert...";

std::vector<std::string> UsingLines(const std::string& directory, int count = 5) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back("Using: " + directory + "\\" + kFiles[i]);
    return lines;
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

HandheldRecord Task(int n, bool dirty = true) {
    return {1, dirty, "1.2.01,8:00,1:00,Kunde,Projekt,Arbeit,Note " + std::to_string(n)};
}
HandheldRecord Expense(int n, bool dirty = true) {
    return {2, dirty, "2.1.01,Kunde,Projekt,Taxi,2,12.50,25.00,Note " + std::to_string(n)};
}

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        conduit_.reset(new LoadedConduit(c_.conduitPath));
        ASSERT_TRUE(conduit_->ok());
    }
    SyncRun Run(const SyncOptions& options = SyncOptions()) { return conduit_->Sync(c_, options); }
    ConduitCase c_;
    std::unique_ptr<LoadedConduit> conduit_;
};

// --- runs that succeed -------------------------------------------------------

TEST_F(SessionTest, ExampleHandheldReachesTheFiveReports) {
    c_.CopyExampleHandheld();
    SyncRun run = Run();
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, Section(Join({{kWarn}, UsingLines(c_.dataDir), {kProps}}), 20));
    EXPECT_EQ(run.progress, std::vector<std::string>{kBackup});
    EXPECT_EQ(run.leftOpen, 0);
    for (const char* file : kFiles) EXPECT_TRUE(c_.ReportExists(file)) << file;
    const std::string tasks = c_.ReadReport(kFiles[0]);
    EXPECT_TRUE(Contains(tasks, "Logo entwerfen"));
    EXPECT_TRUE(Contains(tasks, "Ziduv Vazuv"));
    EXPECT_TRUE(Contains(tasks, "U-17"));
    EXPECT_TRUE(Contains(c_.ReadReport(kFiles[1]), "Flughafen"));
    EXPECT_TRUE(Contains(c_.ReadReport(kFiles[2]), "Kundentermin"));
    EXPECT_TRUE(Contains(c_.ReadReport(kFiles[3]), "Diri Deziz"));
    EXPECT_TRUE(Contains(c_.ReadReport(kFiles[4]), "Farben abstimmen"));
    palm::Database db = c_.ReadDatabase("Ledgerly_DB");
    EXPECT_EQ(db.records.size(), 8u);
    EXPECT_EQ(DirtyCount(db), 0);
    palm::Database aux = c_.ReadDatabase("LedgerlyAux_DB");
    ASSERT_EQ(aux.records.size(), 1u);
    EXPECT_EQ(RecordText(aux.records[0]), "UID=U-17");
}

TEST_F(SessionTest, DeletingByIndexEmptiesTheHandheld) {
    c_.WriteUser("Ziduv Vazuv");
    c_.WriteDatabase("Ledgerly_DB", {Task(1), Task(2, false), Task(3)});
    c_.SetDword("DeleteRecords", 1);
    SyncOptions options;
    options.activeWindow = true;
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, 0);
    // No auxiliary database: no properties line.
    EXPECT_EQ(run.log, Section(UsingLines(c_.dataDir), 20));
    EXPECT_EQ(run.status, (std::vector<std::string>{
                              "Initialisierung ...", "Verbleibende Datens\344tze #3",
                              "Verbleibende Datens\344tze #2", "Verbleibende Datens\344tze #1",
                              "Verarbeitung abschlie\337en..."}));
    EXPECT_TRUE(c_.ReadDatabase("Ledgerly_DB").records.empty());
    const std::string tasks = c_.ReadReport(kFiles[0]);
    for (int n = 1; n <= 3; ++n) EXPECT_TRUE(Contains(tasks, "Note " + std::to_string(n)));
}

TEST_F(SessionTest, ModifiedOnlyAppendsTheDirtyRecords) {
    c_.WriteUser("Ziduv Vazuv");
    std::vector<HandheldRecord> records;
    for (int n = 0; n < 10; ++n) records.push_back(Task(n, n == 3 || n == 7));
    c_.WriteDatabase("Ledgerly_DB", records);
    c_.SetDword("SyncBackupMethod", 1);
    CreateDirectoryA(c_.dataDir.c_str(), nullptr);
    WriteFileBytes(c_.dataDir + "\\" + kFiles[0], "earlier\r\n");
    WriteFileBytes(c_.dataDir + "\\" + kFiles[1], "kept\r\n");
    SyncOptions options;
    options.activeWindow = true;
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, Section(Join({{kWarn}, UsingLines(c_.dataDir)}), 20));
    ASSERT_EQ(run.status.size(), 5u);
    EXPECT_EQ(run.status[1], "Verbleibende Datens\344tze #10");
    EXPECT_EQ(run.status[3], "Verbleibende Datens\344tze #8");
    const std::string tasks = c_.ReadReport(kFiles[0]);
    EXPECT_EQ(tasks.rfind("earlier\r\n", 0), 0u);
    EXPECT_TRUE(Contains(tasks, "Note 3"));
    EXPECT_TRUE(Contains(tasks, "Note 7"));
    EXPECT_FALSE(Contains(tasks, "Note 4"));
    EXPECT_EQ(c_.ReadReport(kFiles[1]), "kept\r\n");
    palm::Database db = c_.ReadDatabase("Ledgerly_DB");
    EXPECT_EQ(db.records.size(), 10u);
    EXPECT_EQ(DirtyCount(db), 0);
}

TEST_F(SessionTest, EmptyDatabaseTruncatesTheReports) {
    c_.CopyExampleHandheld();
    c_.WriteDatabase("Ledgerly_DB", {});
    CreateDirectoryA(c_.dataDir.c_str(), nullptr);
    for (const char* file : kFiles) WriteFileBytes(c_.dataDir + "\\" + file, "old\r\n");
    SyncRun run = Run();
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, Section(Join({{kWarn}, UsingLines(c_.dataDir), {kProps}}), 20));
    for (const char* file : kFiles) EXPECT_EQ(c_.ReadReport(file), "") << file;
}

TEST_F(SessionTest, DoNothingTouchesNothing) {
    c_.CopyExampleHandheld();
    const std::string before = ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb");
    SyncOptions options;
    options.syncType = 6;
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, (Log{{19, ""}, {-1, "Ledgerly - Wird nicht ausgef\374hrt"}, {20, ""}}));
    EXPECT_EQ(GetFileAttributesA(c_.dataDir.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(c_.handheld + "\\Ledgerly_DB.pdb"), before);
}

TEST_F(SessionTest, TrailingBackslashShowsInTheLog) {
    c_.CopyExampleHandheld();
    SyncOptions options;
    options.dataPath = c_.dataDir + "\\";
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, Section(Join({{kWarn}, UsingLines(c_.dataDir + "\\"), {kProps}}), 20));
}

// --- the failure table, row by row ------------------------------------------

TEST_F(SessionTest, EntryChecksComeBeforeTheSyncType) {
    c_.CopyExampleHandheld();
    SyncOptions options;
    options.syncType = 6;
    options.dataPath = "";
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, (Log{{19, ""}, {-1, "Ledgerly"}, {-1, kNoDataDir}}));

    // Settings are checked first: only their line.
    c_.RemoveSettingsKey();
    run = Run(options);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, (Log{{19, ""}, {-1, "Ledgerly"}, {-1, kLoadSettings}}));
}

TEST_F(SessionTest, RegisterFailureReturnsAtOnce) {
    c_.CopyExampleHandheld();
    SyncOptions options;
    options.beginHotSync = false;  // the Sync Manager refuses every conduit
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, (Log{{19, ""}, {-1, "Ledgerly"}, {-1, kRegister}}));
}

TEST_F(SessionTest, UserIdFailureAborts) {
    c_.CopyExampleHandheld();
    DeleteFileA((c_.handheld + "\\User.txt").c_str());
    SyncOptions options;
    options.activeWindow = true;
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, (Log{{19, ""}, {17, "Ledgerly"}}));
    EXPECT_EQ(run.status, std::vector<std::string>{"Initialisierung ..."});
    EXPECT_EQ(DirtyCount(c_.ReadDatabase("Ledgerly_DB")), 5);
}

TEST_F(SessionTest, DataDirectoryThatIsAFileFailsTheRun) {
    c_.CopyExampleHandheld();
    WriteFileBytes(c_.dataDir, "not a folder");
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);  // the log says aborted, so the result says failed
    EXPECT_EQ(run.log, Section({kWarn, kInvalidDir, kOpenFiles}, 17));
    EXPECT_EQ(DirtyCount(c_.ReadDatabase("Ledgerly_DB")), 5);
    EXPECT_EQ(run.leftOpen, 0);
}

TEST_F(SessionTest, MissingParentOfTheDataDirectory) {
    c_.CopyExampleHandheld();
    SyncOptions options;
    options.dataPath = c_.root + "\\no\\such\\Data";
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, Section({kWarn, kCreateDir, kOpenFiles}, 17));
}

TEST_F(SessionTest, ThirdReportNotOpenableClosesTheFirstTwo) {
    c_.CopyExampleHandheld();
    c_.SetString("RouteReportFile", "missing\\Fahrten.txt");
    CreateDirectoryA(c_.dataDir.c_str(), nullptr);
    WriteFileBytes(c_.dataDir + "\\" + kFiles[0], "old\r\n");
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    std::vector<std::string> lines = UsingLines(c_.dataDir, 2);
    lines.push_back("Using: " + c_.dataDir + "\\missing\\Fahrten.txt");
    EXPECT_EQ(run.log, Section(Join({{kWarn}, lines, {kOpenFiles}}), 17));
    // The pass never began: the first report is as it was, and the second,
    // which this run created, is gone again.
    EXPECT_EQ(c_.ReadReport(kFiles[0]), "old\r\n");
    EXPECT_FALSE(c_.ReportExists(kFiles[1]));
    EXPECT_EQ(DirtyCount(c_.ReadDatabase("Ledgerly_DB")), 5);
}

TEST_F(SessionTest, EmptyOrOverlongFileNamesAreNotOpened) {
    c_.CopyExampleHandheld();
    c_.SetString("TaskReportFile", "");
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, Section({kWarn, "Using: " + c_.dataDir + "\\", kOpenFiles}, 17));

    // Directory, backslash and name over 259 characters: never cut into another path.
    const std::string name(259 - c_.dataDir.size(), 'x');
    c_.SetString("TaskReportFile", name);
    run = Run();
    EXPECT_EQ(run.result, -1);
    ASSERT_EQ(run.log.size(), 6u);
    EXPECT_EQ(run.log[3].text, ("Using: " + c_.dataDir + "\\" + name).substr(0, 7 + 259));
    EXPECT_EQ(run.log[4].text, kOpenFiles);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((c_.dataDir + "\\x*").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(SessionTest, MainDatabaseMissing) {
    c_.CopyExampleHandheld();
    DeleteFileA((c_.handheld + "\\Ledgerly_DB.pdb").c_str());
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    // The properties are not written back.
    EXPECT_EQ(run.log, Section(Join({{kWarn}, UsingLines(c_.dataDir), {kOpenDB}}), 17));
    EXPECT_EQ(run.leftOpen, 0);
}

TEST_F(SessionTest, RefusedRecordEndsThePassKeepingTheRest) {
    c_.CopyExampleHandheld();
    c_.WriteDatabase("Ledgerly_DB", {Task(1), Task(2), {0, true, "x"}, Task(3)});
    c_.SetDword("DeleteRecords", 1);
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log,
              Section(Join({UsingLines(c_.dataDir), {kUnknownType, kAddFailed, kProps}}), 17));
    palm::Database db = c_.ReadDatabase("Ledgerly_DB");
    ASSERT_EQ(db.records.size(), 2u);
    EXPECT_EQ(RecordText(db.records[0]), "x");
    EXPECT_EQ(DirtyCount(db), 2);  // marks not reset
    const std::string tasks = c_.ReadReport(kFiles[0]);
    EXPECT_TRUE(Contains(tasks, "Note 1"));
    EXPECT_TRUE(Contains(tasks, "Note 2"));
    EXPECT_FALSE(Contains(tasks, "Note 3"));
}

// A full disk: the Expense report lies on /dev/full. Records leave the
// handheld only once their lines are on disk.
TEST_F(SessionTest, FullDiskDeletesOnlyWhatIsInTheReports) {
    c_.CopyExampleHandheld();
    c_.WriteDatabase("Ledgerly_DB", {Task(1), Task(2), Task(3), Expense(4), Task(5), Expense(6)});
    c_.SetDword("DeleteRecords", 1);
    c_.SetString("ExpenseReportFile", "..\\..\\..\\..\\full-device");
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    std::vector<std::string> lines = UsingLines(c_.dataDir);
    lines[1] = "Using: " + c_.dataDir + "\\..\\..\\..\\..\\full-device";
    EXPECT_EQ(run.log, Section(Join({lines,
                                     {"   - Datei konnte nicht geschrieben werden: " + c_.dataDir +
                                          "\\..\\..\\..\\..\\full-device: Disk full",
                                      kAddFailed, kProps}}),
                               17));

    palm::Database db = c_.ReadDatabase("Ledgerly_DB");
    ASSERT_EQ(db.records.size(), 3u);
    EXPECT_TRUE(Contains(RecordText(db.records[0]), "Note 4"));
    EXPECT_EQ(DirtyCount(db), 3);
    // Every record gone from the handheld is in its report.
    const std::string tasks = c_.ReadReport(kFiles[0]);
    for (int n = 1; n <= 3; ++n) EXPECT_TRUE(Contains(tasks, "Note " + std::to_string(n)));
    EXPECT_FALSE(Contains(tasks, "Note 5"));
}

TEST_F(SessionTest, FullDiskKeepsTheModificationMarks) {
    c_.CopyExampleHandheld();
    c_.WriteDatabase("Ledgerly_DB", {Task(1), Task(2), Task(3)});
    c_.SetString("TaskReportFile", "..\\..\\..\\..\\full-device");
    SyncRun run = Run();
    EXPECT_EQ(run.result, -1);
    ASSERT_GE(run.log.size(), 3u);
    EXPECT_EQ(run.log[run.log.size() - 3].text, kAddFailed);
    EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
    palm::Database db = c_.ReadDatabase("Ledgerly_DB");
    EXPECT_EQ(db.records.size(), 3u);
    EXPECT_EQ(DirtyCount(db), 3);
}

void CloseEveryDatabase() {
    for (int handle = 1; handle < 256; ++handle) SyncCloseDB(static_cast<uint8_t>(handle));
}

// The host closes the conduit's database before the first read: reads fail
// with "bad handle", which is not the end of the records.
TEST_F(SessionTest, ReadFailureOtherThanNotFoundFailsThePass) {
    c_.CopyExampleHandheld();
    SyncOptions options;
    options.activeWindow = true;
    options.onStatus = [](const std::string& text) {
        if (text == "Verbleibende Datens\344tze #8") CloseEveryDatabase();
    };
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, Section(Join({{kWarn},
                                     UsingLines(c_.dataDir),
                                     {"   - SyncCloseDB ist fehlgeschlagen: Die \304nderungen auf "
                                      "dem Handheld wurden nicht gespeichert!",
                                      kProps}}),
                               17));
    EXPECT_EQ(DirtyCount(c_.ReadDatabase("Ledgerly_DB")), 5);
    EXPECT_EQ(c_.ReadReport(kFiles[0]), "");
}

// The same before the record count is asked: without a count nothing is
// read, so the marks must not be reset.
TEST_F(SessionTest, CountFailureFailsThePass) {
    c_.CopyExampleHandheld();
    SyncOptions options;
    options.onProgress = CloseEveryDatabase;
    SyncRun run = Run(options);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, Section(Join({{kWarn}, UsingLines(c_.dataDir), {kProps}}), 17));
    EXPECT_EQ(DirtyCount(c_.ReadDatabase("Ledgerly_DB")), 5);
}

// The host swaps the conduit's database handle for a read-only one: the
// records are read, but the marks cannot be reset.
TEST_F(SessionTest, ResetFailureIsLoggedAndTheRunFinishes) {
    c_.CopyExampleHandheld();
    SyncOptions options;
    bool swapped = false;
    options.onProgress = [&swapped] {
        for (int handle = 1; handle < 256; ++handle) {
            if (SyncCloseDB(static_cast<uint8_t>(handle)) != 0) continue;
            uint8_t again = 0;
            swapped = SyncOpenDB("Ledgerly_DB", 0, &again, 0x80) == 0 && again == handle;
            break;
        }
    };
    SyncRun run = Run(options);
    ASSERT_TRUE(swapped);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, Section(Join({{kWarn}, UsingLines(c_.dataDir), {kReset, kProps}}), 20));
    EXPECT_EQ(DirtyCount(c_.ReadDatabase("Ledgerly_DB")), 5);
    EXPECT_TRUE(Contains(c_.ReadReport(kFiles[0]), "Logo entwerfen"));
}

// --- message texts, bounds and fresh starts -----------------------------------

const char kMessageFileHead[] =
    "[General]\r\nContentType=NLS-Message-File\r\nContentVersion=1.00\r\n"
    "ModuleName=LYConduit20\r\nModuleVersion=0.50\r\nDefaultLanguage=TST\r\n"
    "[Languages]\r\n[TST]\r\n";

TEST(MessageTextTest, LogTextsAreNeverFormats) {
    ConduitCase c;
    c.CopyExampleHandheld();
    c.UseMessageFile(std::string(kMessageFileHead) +
                     "msgWarnKeepRecords=\"%s%n%d %x 100%% sicher\"\r\n");
    LoadedConduit conduit(c.conduitPath);
    ASSERT_TRUE(conduit.ok());
    SyncOptions options;
    options.dataPath = c.root + "\\%s%n%d";
    SyncRun run = conduit.Sync(c, options);
    EXPECT_EQ(run.result, 0);
    ASSERT_GE(run.log.size(), 4u);
    EXPECT_EQ(run.log[2].text, "%s%n%d %x 100% sicher");
    EXPECT_EQ(run.log[3].text, "Using: " + c.root + "\\%s%n%d\\" + kFiles[0]);
}

TEST(MessageTextTest, FormattedTextsAreCutToTheirBuffers) {
    ConduitCase c;
    c.CopyExampleHandheld();
    const std::string longText(250, 'L');
    c.UseMessageFile(std::string(kMessageFileHead) + "msgSyncRemaining=" + longText +
                     "\r\nmsgSyncDoNothing=" + longText + "\r\n");
    LoadedConduit conduit(c.conduitPath);
    ASSERT_TRUE(conduit.ok());
    SyncOptions options;
    options.activeWindow = true;
    SyncRun run = conduit.Sync(c, options);
    EXPECT_EQ(run.result, 0);
    ASSERT_EQ(run.status.size(), 10u);
    EXPECT_EQ(run.status[1], std::string(127, 'L'));

    options.syncType = 6;
    run = conduit.Sync(c, options);
    ASSERT_EQ(run.log.size(), 3u);
    EXPECT_EQ(run.log[1].text, ("Ledgerly - " + longText).substr(0, 127));
}

TEST(FreshStartTest, NothingOfOneUserReachesTheNext) {
    ConduitCase first("-first"), second("-second");
    first.CopyExampleHandheld();
    first.SetString("TaskReportTitle", "Erster Titel");
    first.SetDword("FieldDelimiter", ';');
    second.WriteUser("Zweiter Nutzer");
    second.WriteDatabase("Ledgerly_DB", {Task(1)});
    LoadedConduit conduit(first.conduitPath);
    ASSERT_TRUE(conduit.ok());

    SyncRun run = conduit.Sync(first);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(Contains(first.ReadReport(kFiles[0]), "U-17"));
    EXPECT_TRUE(Contains(first.ReadReport(kFiles[0]), "Erster Titel"));

    run = conduit.Sync(second);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, Section(Join({{kWarn}, UsingLines(second.dataDir)}), 20));
    const std::string tasks = second.ReadReport(kFiles[0]);
    EXPECT_TRUE(Contains(tasks, "*** Ledgerly Arbeitszeiten Tabelle ***"));
    EXPECT_TRUE(Contains(tasks, "Zweiter Nutzer\t"));
    EXPECT_FALSE(Contains(tasks, "U-17"));
    EXPECT_FALSE(Contains(tasks, "Erster"));
    EXPECT_FALSE(Contains(tasks, ";"));
}

TEST(FreshStartTest, LongUserNameIsBounded) {
    ConduitCase c;
    c.WriteUser(std::string(70, 'N'));
    c.WriteDatabase("Ledgerly_DB", {Task(1)});
    LoadedConduit conduit(c.conduitPath);
    ASSERT_TRUE(conduit.ok());
    SyncRun run = conduit.Sync(c);
    EXPECT_EQ(run.result, 0);
    const std::string tasks = c.ReadReport(kFiles[0]);
    EXPECT_TRUE(Contains(tasks, std::string(63, 'N')));
    EXPECT_FALSE(Contains(tasks, std::string(64, 'N')));
}

}  // namespace
