// Whole HotSyncs of the real Tessel20.dll, written as data in
// hotsync_cases.txt; its header describes the commands (Runner::Do).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "case_file.h"
#include "conduit_host.h"
#include "messages.h"

namespace {

using Words = std::vector<Word>;

const char* const kFileValues[5] = {"TaskReportFile", "ExpenseReportFile", "RouteReportFile",
                                    "ContactReportFile", "MemoReportFile"};

long Number(const std::string& text) { return std::strtol(text.c_str(), nullptr, 0); }

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Runner {
    explicit Runner(const FileCase& c) : script(c) { NewCase(""); }
    ~Runner() { Unlock(); }

    // An earlier case folder stays until the script ends: the library loaded
    // from it may go on serving the next one.
    void NewCase(const std::string& suffix) {
        if (c) earlier.push_back(std::move(c));
        c = std::make_unique<ConduitCase>(suffix);
        std::copy(kFiles, kFiles + 5, files);
        options = SyncOptions();
    }
    std::string DataDir() const { return options.dataPath == "\1" ? c->dataDir : options.dataPath; }
    std::string Report(long i) const { return DataDir() + "\\" + files[i]; }
    // A report by its number, or a file of the data folder by its quoted name.
    std::string Path(const Word& w) const {
        return w.quoted ? DataDir() + "\\" + w.text : Report(Number(w.text));
    }
    std::string Database() const { return c->handheld + "\\Ledgerly_DB.pdb"; }
    std::string T(const Words& t, size_t i) const {
        if (i >= t.size()) return "";
        return Replace(Replace(t[i].text, "$data", DataDir()), "$root", c->root);
    }
    long N(const Words& t, size_t i) const { return Number(T(t, i)); }

    void SetString(const std::string& name, const std::string& value) {
        for (int i = 0; i < 5; ++i)
            if (name == kFileValues[i]) files[i] = value;
        c->SetString(name.c_str(), value);
    }
    void WriteDatabase() {
        if (pendingSet) c->WriteDatabase("Ledgerly_DB", pending);
        pending.clear();
        pendingSet = false;
    }
    void Unlock() {
        for (HANDLE h : held) CloseHandle(h);
        held.clear();
    }

    void Sync(bool throughHost) {
        WriteDatabase();
        before = ReadFileBytes(Database());
        if (throughHost) {
            std::vector<std::string> arguments;
            for (const auto& fault : options.failCalls)
                arguments.push_back("--fail " + fault.first + ":" + std::to_string(fault.second));
            run = c->RunHotSync("Ziduv Vazuv", arguments);
            options.dataPath = c->dataDir;
        } else {
            KeepBackup();
            if (!conduit) conduit = std::make_unique<LoadedConduit>(c->conduitPath);
            ASSERT_TRUE(conduit->ok());
            run = conduit->Sync(*c, options);
        }
        Unlock();
        options.failCalls.clear();
        options.onSyncCall = nullptr;
    }

    // The handheld and reports as they are before a HotSync, for
    // tessel-report.exe to start from: with the case's settings exported by
    // the registry editor, it writes the same reports.
    void KeepBackup() {
        backup = c->root + "\\backup" + std::to_string(++backups);
        CreateDirectoryA(backup.c_str(), nullptr);
        for (const char* file : {"Ledgerly_DB.pdb", "LedgerlyAux_DB.pdb", "User.txt"})
            CopyFileA((c->handheld + "\\" + file).c_str(), (backup + "\\" + file).c_str(), FALSE);
        for (int i = 0; i < 5; ++i)
            CopyFileA(Report(i).c_str(), (backup + "\\" + files[i]).c_str(), FALSE);
    }
    void ReportAgrees(const Words& t) {
        const std::string out = backup + "-agrees" + std::to_string(++agreements);
        CreateDirectoryA(out.c_str(), nullptr);
        for (int i = 0; i < 5; ++i)
            CopyFileA((backup + "\\" + files[i]).c_str(), (out + "\\" + files[i]).c_str(), FALSE);
        ASSERT_EQ(RunProgram("regedit.exe /E \"" + out + "\\s.reg\" \"HKEY_CURRENT_USER\\" +
                             c->registryPath + "\""),
                  0u);
        std::string command =
            "\"" + BinFolder() + "\\tessel-report.exe\" --settings \"" + out + "\\s.reg\"";
        for (size_t i = 1; i < t.size(); ++i) command += " " + t[i].text;
        command += " \"" + backup + "\\Ledgerly_DB.pdb\" \"" + out + "\"";
        EXPECT_EQ(RunProgram(command), 0u) << command;
        for (int f = 0; f < 5; ++f)
            EXPECT_EQ(ReadFileBytes(out + "\\" + files[f]), ReadFileBytes(Report(f))) << files[f];
    }

    // Log entries: @start @section @finish @abort @abort-name, @using (the
    // five "Using" lines), a message key (its built-in text) or KEY/N and N
    // texts for its "%s", or a text.
    Log Entries(const Words& t, size_t from) const {
        Log log;
        for (size_t i = from; i < t.size(); ++i) {
            const std::string& w = t[i].text;
            if (t[i].quoted) {
                log.push_back({-1, T(t, i)});
            } else if (w == "@start" || w == "@section") {
                log.push_back({19, ""});
                if (w == "@section") log.push_back({-1, "Ledgerly"});
            } else if (w == "@finish" || w == "@abort" || w == "@abort-name") {
                log.push_back({w == "@finish" ? 20 : 17, w == "@abort-name" ? "Ledgerly" : ""});
            } else if (w == "@using") {
                for (int f = 0; f < 5; ++f) log.push_back({-1, "Using: " + Report(f)});
            } else {
                const size_t slash = w.find('/');
                const MessageEntry* entry = std::find_if(
                    std::begin(MessageCatalog), std::end(MessageCatalog),
                    [&](const MessageEntry& e) { return w.substr(0, slash) == e.key; });
                if (entry == std::end(MessageCatalog)) ADD_FAILURE() << "no message " << w;
                std::string text = entry != std::end(MessageCatalog) ? entry->builtInText : "";
                for (long a = slash == std::string::npos ? 0 : Number(w.substr(slash + 1)); a > 0;
                     --a) {
                    const size_t at = text.find("%s");
                    if (at != std::string::npos) text.replace(at, 2, T(t, ++i));
                }
                log.push_back({-1, text});
            }
        }
        return log;
    }

    // A log, status or progress expectation may go on over several lines; it
    // is checked when another command comes.
    void FinishLog() {
        if (collecting.empty()) return;
        SCOPED_TRACE("the " + collecting + " expected from line " + std::to_string(collectingLine));
        std::vector<std::string> texts;
        for (const LogEntry& e : expected) texts.push_back(e.text);
        if (collecting == "log") {
            EXPECT_EQ(run.log, expected);
        } else {
            EXPECT_EQ(collecting == "status" ? run.status : run.progress, texts);
        }
        collecting.clear();
        expected.clear();
    }

    // OP ARGS on a text: absent, = TEXT (or snapshots), has TEXT..., lacks
    // TEXT..., starts TEXT.
    void Compare(const std::string& actual, bool exists, const Words& t, size_t at,
                 const std::string& snapshot = "") {
        const std::string op = T(t, at);
        EXPECT_EQ(exists, op != "absent");
        for (size_t i = at + 1; i < t.size(); ++i) {
            const std::string want = !t[i].quoted && t[i].text == "snapshots" ? snapshot : T(t, i);
            if (op == "=") {
                EXPECT_EQ(actual, want);
            } else if (op == "has" || op == "lacks") {
                EXPECT_EQ(actual.find(want) != std::string::npos, op == "has")
                    << op << " " << want << ":\n"
                    << actual;
            } else if (op == "starts") {
                EXPECT_EQ(actual.substr(0, want.size()), want);
            } else {
                ADD_FAILURE() << "unknown comparison " << op;
            }
        }
    }

    void Do(const std::string& verb, const Words& t);
    void Run();

    const FileCase& script;
    std::vector<std::unique_ptr<ConduitCase>> earlier;
    std::unique_ptr<ConduitCase> c;
    std::unique_ptr<LoadedConduit> conduit;
    std::string files[5];
    SyncOptions options;
    std::vector<HandheldRecord> pending;
    bool pendingSet = false;
    std::vector<HANDLE> held;  // the database or a report another program holds
    std::string before, backup, snapshots[5], collecting;
    SyncRun run;
    Log expected;
    int deletes = 0, unseen = 0, backups = 0, agreements = 0, collectingLine = 0;
};

// One command of a case (the header of hotsync_cases.txt lists them).
void Runner::Do(const std::string& v, const Words& t) {
    // ---- the handheld, the settings, the desktop ----
    if (v == "example") {
        c->CopyExampleHandheld();
    } else if (v == "user") {
        c->WriteUser(T(t, 1));
    } else if (v == "no-user") {
        DeleteFileA((c->handheld + "\\User.txt").c_str());
    } else if (v == "record") {
        pending.push_back({static_cast<int>(N(t, 1)), t[2].text == "dirty", T(t, 3)});
        if (t.size() > 5) pending.back().uid = N(t, 5);
        pendingSet = true;
    } else if (v == "records") {
        const int first = t.size() > 3 && t[2].text == "from" ? N(t, 3) : 0;
        for (int i = first; i < first + N(t, 1); ++i) {
            pending.push_back(Record(1 + i % 5, i, t.back().text != "clean"));
            if (t.back().text == "long") pending.back().text += std::string(256, 'n');
        }
        pendingSet = true;
    } else if (v == "cut-database") {
        WriteDatabase();
        WriteFileBytes(Database(), ReadFileBytes(Database()).substr(0, N(t, 1)));
    } else if (v == "share-database") {
        WriteDatabase();
        held.push_back(CreateFileA(Database().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    } else if (v == "dword") {
        c->SetDword(t[1].text.c_str(), static_cast<DWORD>(N(t, 2)));
    } else if (v == "string") {
        char name[MAX_PATH] = "no short name\\?";
        if (T(t, 3) == "short") GetShortPathNameA(Path(t[2]).c_str(), name, MAX_PATH);
        SetString(t[1].text, T(t, 3) == "short" ? std::strrchr(name, '\\') + 1 : T(t, 2));
    } else if (v == "binary") {
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, c->registryPath.c_str(), &key), 0);
        const std::string bytes = T(t, 2);
        RegSetValueExA(key, t[1].text.c_str(), 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
        RegCloseKey(key);
    } else if (v == "no-settings-key") {
        c->RemoveSettingsKey();
    } else if (v == "message-file") {
        c->UseMessageFile(T(t, 1));
        conduit.reset();
    } else if (v == "put") {
        CreateDirectoryA(DataDir().c_str(), nullptr);
        WriteFileBytes(Path(t[1]), T(t, 2));
    } else if (v == "map-report") {
        // Another program maps the report: the file cannot be cut shorter.
        HANDLE file =
            CreateFileA(Report(N(t, 1)).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        held.push_back(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
        CloseHandle(file);
        EXPECT_NE(held.back(), nullptr);
        // ---- the run ----
    } else if (v == "type") {
        options.syncType = N(t, 1);
    } else if (v == "data-path") {
        options.dataPath = T(t, 1);
    } else if (v == "fail") {
        options.failCalls.push_back({T(t, 1), t.size() > 2 ? N(t, 2) : 1});
    } else if (v == "no-hotsync") {
        options.beginHotSync = false;
    } else if (v == "window") {
        options.activeWindow = true;
    } else if (v == "watch-deletes") {
        // Records made by "records" have ids from 0x1000 and the kinds in turn.
        options.onSyncCall = [this](const std::string& function, uint32_t id) {
            static const int kReportOf[5] = {0, 1, 2, 4, 3};
            const int n = static_cast<int>(id) - 0x1000;
            if (function != "SyncDeleteRec") return;
            ++deletes;
            if (ReadFileBytes(Report(kReportOf[n % 5])).find(Note(n)) == std::string::npos)
                ++unseen;
        };
    } else if (v == "small-disk") {
        // The data folder on the small disk that CTest mounts, filled up but
        // about N bytes (0: the filler goes).
        char disk[MAX_PATH];
        GetFullPathNameA("small-disk", MAX_PATH, disk, nullptr);
        if (!Exists(std::string(disk) + "\\.small-disk")) GTEST_SKIP() << "no small disk mounted";
        const std::string filler = std::string(disk) + "\\filler";
        DeleteFileA(filler.c_str());
        if (options.dataPath != std::string(disk) + "\\Data") {
            options.dataPath = std::string(disk) + "\\Data";
            RemoveTree(options.dataPath);
            CreateDirectoryA(options.dataPath.c_str(), nullptr);
        }
        if (N(t, 1) == 0) return;
        HANDLE file = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        const std::string block(64 * 1024, 'f');
        DWORD written = 0;
        while (WriteFile(file, block.data(), block.size(), &written, nullptr) && written > 0) {
        }
        LARGE_INTEGER size;
        GetFileSizeEx(file, &size);
        size.QuadPart = (size.QuadPart - N(t, 1)) & ~LONGLONG{4095};
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    } else if (v == "new-case") {
        Unlock();
        NewCase("-" + T(t, 1));
    } else if (v == "sync" || v == "hotsync") {
        Sync(v == "hotsync");
        // ---- checks ----
    } else if (v == "result") {
        EXPECT_EQ(run.result, N(t, 1));
    } else if (v == "log-has" || v == "status-has") {
        for (const LogEntry& e : Entries(t, 1))
            EXPECT_TRUE(v == "log-has" ? std::count(run.log.begin(), run.log.end(), e)
                                       : std::count(run.status.begin(), run.status.end(), e.text))
                << e << " missing";
    } else if (v == "report") {
        Compare(ReadFileBytes(Path(t[1])), Exists(Path(t[1])), t, 2);
    } else if (v == "history") {
        const std::string name = Report(N(t, 1)), dot = name.substr(name.rfind('.'));
        const std::string path = name.substr(0, name.rfind('.')) + ".history" + dot;
        Compare(ReadFileBytes(path), Exists(path), t, 2, snapshots[N(t, 1)]);
    } else if (v == "snapshot") {
        for (int i = 0; i < 5; ++i) snapshots[i] += ReadFileBytes(Report(i));
    } else if (v == "host") {
        std::string all = run.hostLog;
        for (const std::string& m : run.hostMessages) all += m + "\n";
        Compare(all, true, t, 1);
    } else if (v == "left" || v == "dirty") {
        const palm::Database db = c->ReadDatabase("Ledgerly_DB");
        EXPECT_EQ(v == "left" ? static_cast<long>(db.records.size()) : DirtyCount(db), N(t, 1))
            << v;
    } else if (v == "record-at") {
        const palm::Database db = c->ReadDatabase("Ledgerly_DB");
        ASSERT_LT(static_cast<size_t>(N(t, 1)), db.records.size());
        Compare(RecordText(db.records[N(t, 1)]), true, t, 2);
    } else if (v == "database") {
        EXPECT_EQ(ReadFileBytes(Database()), before);
    } else if (v == "open-left") {
        EXPECT_EQ(run.leftOpen, N(t, 1));
    } else if (v == "deletes") {
        EXPECT_EQ(deletes, t.size() > 1 ? N(t, 1) : deletes);
        EXPECT_EQ(unseen, 0) << "records deleted before their lines were on disk";
    } else if (v == "whole-lines") {
        for (int i = 0; i < 5; ++i) {
            const std::string r = ReadFileBytes(Report(i));
            EXPECT_TRUE(r.empty() || r.substr(r.size() - 2) == "\r\n") << files[i];
        }
    } else if (v == "report-agrees") {
        ReportAgrees(t);
    } else {
        FAIL() << "unknown command";
    }
}

void Runner::Run() {
    for (const auto& command : script.commands) {
        SCOPED_TRACE(script.file + ":" + std::to_string(command.first) + ": " + command.second);
        Words t;
        std::string error;
        ASSERT_TRUE(SplitWords(command.second, t, error)) << error;
        if (t.empty()) continue;
        const std::string& verb = t[0].text;
        if (verb != collecting) FinishLog();
        if (verb == "log" || verb == "status" || verb == "progress") {
            if (collecting.empty()) collectingLine = command.first;
            collecting = verb;
            const Log more = Entries(t, 1);
            expected.insert(expected.end(), more.begin(), more.end());
            continue;
        }
        Do(verb, t);
        if (::testing::Test::HasFatalFailure() || ::testing::Test::IsSkipped()) return;
    }
    FinishLog();
}

class HotSyncCase : public ::testing::TestWithParam<FileCase> {};

TEST_P(HotSyncCase, RunsAsWritten) { Runner(GetParam()).Run(); }

INSTANTIATE_TEST_SUITE_P(Script, HotSyncCase,
                         ::testing::ValuesIn(ReadCaseFile(BinFolder() + "\\hotsync_cases.txt")),
                         [](const auto& info) { return info.param.name; });

}  // namespace
