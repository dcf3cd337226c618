#include "hotsync_script.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "conduit_host.h"
#include "messages.h"
#include "palm/sync20.h"

namespace {

const char* const kFileValues[5] = {"TaskReportFile", "ExpenseReportFile", "RouteReportFile",
                                    "ContactReportFile", "MemoReportFile"};

long Number(const std::string& text) { return std::strtol(text.c_str(), nullptr, 0); }

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// A message's built-in text with its "%s" replaced by the arguments; false
// when there is no message of that key.
bool Formatted(const std::string& key, const std::vector<std::string>& arguments,
               std::string& text) {
    for (const MessageEntry& entry : MessageCatalog) {
        if (key != entry.key) continue;
        text = entry.builtInText;
        for (const std::string& argument : arguments) {
            const size_t at = text.find("%s");
            if (at != std::string::npos) text.replace(at, 2, argument);
        }
        return true;
    }
    return false;
}

class Runner {
  public:
    explicit Runner(const ScriptCase& c) : script_(c) { NewCase(""); }
    ~Runner() { Unlock(); }

    void Run() {
        for (const auto& command : script_.commands) {
            SCOPED_TRACE(script_.file + ":" + std::to_string(command.first) + ": " +
                         command.second);
            std::vector<Word> tokens;
            std::string error;
            if (!SplitWords(command.second, tokens, error)) {
                ADD_FAILURE() << error;
                return;
            }
            if (tokens.empty()) continue;
            if (tokens[0].text != collecting_) FinishLog();
            line_ = command.first;
            if (!Command(tokens)) {
                ADD_FAILURE() << "unknown command";
                return;
            }
            if (::testing::Test::HasFatalFailure()) return;
        }
        FinishLog();
    }

  private:
    // ---- the case --------------------------------------------------------------

    // An earlier case of the script stays until the script ends: the library
    // loaded from its folder may go on serving the next one.
    void NewCase(const std::string& suffix) {
        if (c_) earlier_.push_back(std::move(c_));
        c_ = std::make_unique<ConduitCase>(suffix);
        for (int i = 0; i < 5; ++i) files_[i] = kFiles[i];
        options_ = SyncOptions();
    }

    std::string DataDir() const {
        return options_.dataPath == "\1" ? c_->dataDir : options_.dataPath;
    }

    std::string Expand(std::string text) const {
        text = Replace(text, "$data", DataDir());
        text = Replace(text, "$root", c_->root);
        text = Replace(text, "$handheld", c_->handheld);
        return Replace(text, "$bin", BinFolder());
    }

    std::string Database(const char* name = "Ledgerly_DB") const {
        return c_->handheld + "\\" + name + ".pdb";
    }

    void Unlock() {
        if (locked_ != INVALID_HANDLE_VALUE) CloseHandle(locked_);
        locked_ = INVALID_HANDLE_VALUE;
        if (mapped_ != nullptr) CloseHandle(mapped_);
        mapped_ = nullptr;
    }

    // ---- commands --------------------------------------------------------------

    bool Command(const std::vector<Word>& t, bool asString = false) {
        const std::string& verb = asString ? std::string("string") : t[0].text;
        auto text = [&](size_t i) { return i < t.size() ? Expand(t[i].text) : std::string(); };
        if (verb == "example") {
            c_->CopyExampleHandheld();
        } else if (verb == "user") {
            c_->WriteUser(text(1));
        } else if (verb == "no-user") {
            DeleteFileA((c_->handheld + "\\User.txt").c_str());
        } else if (verb == "record") {
            HandheldRecord r{static_cast<int>(Number(text(1))), text(2) == "dirty", text(3)};
            if (t.size() > 5 && t[4].text == "uid") r.uid = Number(text(5));
            pending_.push_back(r);
            pendingSet_ = true;
        } else if (verb == "records") {
            const int first = t.size() > 3 && t[2].text == "from" ? Number(text(3)) : 0;
            const bool dirty = t.back().text != "clean";
            const bool long_ = t.back().text == "long";
            for (int i = 0; i < Number(text(1)); ++i) {
                pending_.push_back(Record(1 + (first + i) % 5, first + i, dirty));
                if (long_) pending_.back().text += std::string(256, 'n');
            }
            pendingSet_ = true;
        } else if (verb == "empty-database") {
            pendingSet_ = true;
        } else if (verb == "aux") {
            std::vector<HandheldRecord> records;
            for (size_t i = 1; i < t.size(); ++i) records.push_back({14, false, text(i)});
            c_->WriteDatabase("LedgerlyAux_DB", records);
        } else if (verb == "no-database") {
            DeleteFileA(Database().c_str());
        } else if (verb == "no-aux") {
            DeleteFileA(Database("LedgerlyAux_DB").c_str());
        } else if (verb == "cut-database") {
            WriteDatabase();
            WriteFileBytes(Database(), ReadFileBytes(Database()).substr(0, Number(text(1))));
        } else if (verb == "share-database") {
            WriteDatabase();
            before_ = ReadFileBytes(Database());
            locked_ = CreateFileA(Database().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        } else if (verb == "map-report") {
            // Another program maps the report: the file cannot be cut shorter.
            HANDLE file = CreateFileA((DataDir() + "\\" + files_[Number(text(1))]).c_str(),
                                      GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            mapped_ = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
            CloseHandle(file);
            EXPECT_NE(mapped_, nullptr);
        } else if (verb == "dword") {
            c_->SetDword(t[1].text.c_str(), static_cast<DWORD>(Number(text(2))));
        } else if (verb == "string") {
            for (int i = 0; i < 5; ++i) {
                if (t[1].text == kFileValues[i]) files_[i] = text(2);
            }
            c_->SetString(t[1].text.c_str(), text(2));
        } else if (verb == "string-short") {
            // The setting names FILE in the data directory by its 8.3 name.
            CreateDirectoryA(DataDir().c_str(), nullptr);
            const std::string path = DataDir() + "\\" + text(2);
            WriteFileBytes(path, "");
            char shortPath[MAX_PATH] = "";
            GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
            const char* name = std::strrchr(shortPath, '\\');
            EXPECT_NE(name, nullptr);
            if (name != nullptr) Command({t[0], t[1], {name + 1, true}}, true);
        } else if (verb == "no-settings-key") {
            c_->RemoveSettingsKey();
        } else if (verb == "message-file") {
            c_->UseMessageFile(text(1));
            conduit_.reset();
        } else if (verb == "prefill" || verb == "put") {
            CreateDirectoryA(DataDir().c_str(), nullptr);
            const std::string name = verb == "prefill" ? files_[Number(text(1))] : text(1);
            WriteFileBytes(DataDir() + "\\" + name, text(2));
        } else if (verb == "data-is-file") {
            WriteFileBytes(DataDir(), text(1));
        } else if (verb == "type") {
            options_.syncType = static_cast<int>(Number(text(1)));
        } else if (verb == "data-path") {
            options_.dataPath = text(1);
        } else if (verb == "fail") {
            options_.failCalls.push_back({text(1), t.size() > 2 ? Number(text(2)) : 1});
        } else if (verb == "no-hotsync") {
            options_.beginHotSync = false;
        } else if (verb == "watch-deletes") {
            // Before each delete, the record's line must be in its report on
            // disk (records made by "records": ids from 0x1000, kinds in turn).
            options_.onSyncCall = [this](const std::string& function, uint32_t id) {
                if (function != "SyncDeleteRec") return;
                const int n = static_cast<int>(id) - 0x1000;
                ++deletes_;
                if (!Contains(ReadFileBytes(DataDir() + "\\" + files_[ReportOf(1 + n % 5)]),
                              Note(n))) {
                    ++unseen_;
                }
            };
        } else if (verb == "snapshot") {
            for (int i = 0; i < 5; ++i)
                snapshots_[i] += ReadFileBytes(DataDir() + "\\" + files_[i]);
        } else if (verb == "run") {
            WriteDatabase();
            status_ = RunProgram(text(1), &output_);
        } else if (verb == "window") {
            options_.activeWindow = true;
        } else if (verb == "new-case") {
            Unlock();
            NewCase("-" + text(1));
        } else if (verb == "sync" || verb == "hotsync") {
            Sync(verb == "hotsync");
        } else {
            return Check(t);
        }
        return true;
    }

    void WriteDatabase() {
        if (!pendingSet_) return;
        c_->WriteDatabase("Ledgerly_DB", pending_);
        pending_.clear();
        pendingSet_ = false;
    }

    void Sync(bool throughHost) {
        WriteDatabase();
        if (locked_ == INVALID_HANDLE_VALUE) before_ = ReadFileBytes(Database());
        if (throughHost) {
            std::vector<std::string> options;
            for (const auto& fault : options_.failCalls) {
                options.push_back("--fail " + fault.first + ":" + std::to_string(fault.second));
            }
            if (options_.syncType != 2)
                options.push_back("--type " + std::to_string(options_.syncType));
            run_ = c_->RunHotSync("Ziduv Vazuv", options);
            options_.dataPath = c_->dataDir;
        } else {
            KeepBackup();
            if (!conduit_) conduit_ = std::make_unique<LoadedConduit>(c_->conduitPath);
            ASSERT_TRUE(conduit_->ok());
            run_ = conduit_->Sync(*c_, options_);
        }
        Unlock();
        options_.failCalls.clear();
        options_.onSyncCall = nullptr;
    }

    // A backup of the handheld as it is before a HotSync, and the reports as
    // they are, for the report command to start from.
    void KeepBackup() {
        ++backups_;
        const std::string backup = c_->root + "\\backup" + std::to_string(backups_);
        CreateDirectoryA(backup.c_str(), nullptr);
        for (const char* file : {"Ledgerly_DB.pdb", "LedgerlyAux_DB.pdb", "User.txt"}) {
            CopyFileA((c_->handheld + "\\" + file).c_str(), (backup + "\\" + file).c_str(), FALSE);
        }
        for (int i = 0; i < 5; ++i) {
            CopyFileA((DataDir() + "\\" + files_[i]).c_str(),
                      (backup + "\\report" + std::to_string(i)).c_str(), FALSE);
        }
    }

    // tessel-report.exe over the backup of the last HotSync, with the case's
    // settings exported by the registry editor, writes the same reports.
    void ReportAgrees(const std::vector<Word>& t) {
        const std::string backup = c_->root + "\\backup" + std::to_string(backups_);
        const std::string out = backup + "\\reports";
        CreateDirectoryA(out.c_str(), nullptr);
        for (int i = 0; i < 5; ++i) {
            DeleteFileA((out + "\\" + files_[i]).c_str());
            CopyFileA((backup + "\\report" + std::to_string(i)).c_str(),
                      (out + "\\" + files_[i]).c_str(), FALSE);
        }
        const std::string settings = backup + "\\settings.reg";
        ASSERT_EQ(RunProgram("regedit.exe /E \"" + settings + "\" \"HKEY_CURRENT_USER\\" +
                             c_->registryPath + "\""),
                  0u);
        std::string command =
            "\"" + BinFolder() + "\\tessel-report.exe\" --settings \"" + settings + "\"";
        size_t i = 1;
        const DWORD expected = i < t.size() && !t[i].quoted ? Number(t[i++].text) : 0;
        for (; i < t.size(); ++i) command += " " + t[i].text;
        command += " \"" + backup + "\\Ledgerly_DB.pdb\" \"" + out + "\"";
        EXPECT_EQ(RunProgram(command), expected) << command;
        for (int f = 0; f < 5; ++f) {
            EXPECT_EQ(ReadFileBytes(out + "\\" + files_[f]),
                      ReadFileBytes(DataDir() + "\\" + files_[f]))
                << files_[f];
        }
    }

    // ---- checks ------------------------------------------------------------------

    // A log, status or progress expectation may go on over several lines;
    // it is checked when the next command is another one.
    void FinishLog() {
        if (collecting_.empty()) return;
        SCOPED_TRACE(script_.file + ":" + std::to_string(collectingLine_) + ": the " + collecting_ +
                     " expected from here");
        if (collecting_ == "log") {
            EXPECT_EQ(run_.log, expected_);
        } else {
            EXPECT_EQ(collecting_ == "status" ? run_.status : run_.progress, Texts(expected_));
        }
        collecting_.clear();
        expected_.clear();
    }

    // Log entries of tokens: @start @name @section @finish @abort @abort-name,
    // @using (the five "Using" lines) or @using:N, a message key (its
    // built-in text) or key/N followed by N texts for its "%s", or a text.
    bool Entries(const std::vector<Word>& t, size_t from, Log& log) {
        for (size_t i = from; i < t.size(); ++i) {
            const std::string& w = t[i].text;
            if (t[i].quoted) {
                log.push_back({-1, Expand(w)});
            } else if (w == "@start" || w == "@section") {
                log.push_back({19, ""});
                if (w == "@section") log.push_back({-1, "Ledgerly"});
            } else if (w == "@name") {
                log.push_back({-1, "Ledgerly"});
            } else if (w == "@finish" || w == "@abort" || w == "@abort-name") {
                log.push_back({w == "@finish" ? 20 : 17, w == "@abort-name" ? "Ledgerly" : ""});
            } else if (w.rfind("@using", 0) == 0) {
                const int n = w.size() > 7 ? static_cast<int>(Number(w.substr(7))) : 5;
                for (int f = 0; f < n; ++f)
                    log.push_back({-1, "Using: " + DataDir() + "\\" + files_[f]});
            } else {
                const size_t slash = w.find('/');
                std::vector<std::string> arguments;
                const size_t n = slash == std::string::npos ? 0 : Number(w.substr(slash + 1));
                for (size_t a = 0; a < n && i + 1 < t.size(); ++a)
                    arguments.push_back(Expand(t[++i].text));
                std::string text;
                if (!Formatted(w.substr(0, slash), arguments, text)) return false;
                log.push_back({-1, text});
            }
        }
        return true;
    }

    std::vector<std::string> Texts(const Log& log) {
        std::vector<std::string> texts;
        for (const LogEntry& e : log) texts.push_back(e.text);
        return texts;
    }

    // "OP ARGS" on a text: = TEXT, has TEXT..., lacks TEXT..., starts TEXT,
    // whole (empty or ending with a line end).
    bool Compare(const std::string& actual, const std::vector<Word>& t, size_t at, bool exists) {
        const std::string op = at < t.size() ? t[at].text : "";
        if (op == "absent") {
            EXPECT_FALSE(exists);
            return true;
        }
        EXPECT_TRUE(exists);
        for (size_t i = at + 1; i < t.size() || op == "whole"; ++i) {
            if (op == "whole") {
                EXPECT_TRUE(actual.empty() || actual.substr(actual.size() - 2) == "\r\n") << actual;
                return true;
            }
            const std::string want = Expand(t[i].text);
            if (op == "=") {
                EXPECT_EQ(actual, want);
            } else if (op == "has") {
                EXPECT_TRUE(Contains(actual, want)) << want << " not in\n" << actual;
            } else if (op == "lacks") {
                EXPECT_FALSE(Contains(actual, want)) << want << " in\n" << actual;
            } else if (op == "starts") {
                EXPECT_EQ(actual.substr(0, want.size()), want);
            } else {
                return false;
            }
        }
        return true;
    }

    bool Check(const std::vector<Word>& t) {
        const std::string& verb = t[0].text;
        auto n = [&](size_t i) { return i < t.size() ? Number(t[i].text) : 0; };
        if (verb == "result") {
            EXPECT_EQ(run_.result, n(1));
        } else if (verb == "log" || verb == "status" || verb == "progress") {
            if (collecting_.empty()) collectingLine_ = line_;
            collecting_ = verb;
            return Entries(t, 1, expected_);
        } else if (verb == "log-has" || verb == "status-has") {
            Log lines;
            if (!Entries(t, 1, lines)) return false;
            for (const LogEntry& line : lines) {
                if (verb == "log-has") {
                    EXPECT_NE(std::find(run_.log.begin(), run_.log.end(), line), run_.log.end())
                        << line << " not in " << ::testing::PrintToString(run_.log);
                } else {
                    EXPECT_NE(std::find(run_.status.begin(), run_.status.end(), line.text),
                              run_.status.end())
                        << line.text << " not in " << ::testing::PrintToString(run_.status);
                }
            }
        } else if (verb == "report" || verb == "file") {
            const std::string name = verb == "report" ? files_[n(1)] : Expand(t[1].text);
            const std::string path = DataDir() + "\\" + name;
            const bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
            return Compare(ReadFileBytes(path), t, 2, exists);
        } else if (verb == "left" || verb == "dirty" || verb == "record" || verb == "aux-record") {
            palm::Database db =
                c_->ReadDatabase(verb == "aux-record" ? "LedgerlyAux_DB" : "Ledgerly_DB");
            if (verb == "left") {
                EXPECT_EQ(db.records.size(), static_cast<size_t>(n(1)));
            } else if (verb == "dirty") {
                EXPECT_EQ(DirtyCount(db), n(1));
            } else {
                const size_t index = static_cast<size_t>(n(1));
                const bool there = index < db.records.size();
                EXPECT_TRUE(there) << "no record " << index;
                return !there || Compare(RecordText(db.records[index]), t, 2, true);
            }
        } else if (verb == "database") {
            if (t.size() < 2 || t[1].text != "unchanged") return false;
            EXPECT_EQ(ReadFileBytes(Database()), before_);
        } else if (verb == "host") {
            std::string all = run_.hostLog;
            for (const std::string& m : run_.hostMessages) all += m + "\n";
            return Compare(all, t, 1, true);
        } else if (verb == "deletes") {
            EXPECT_EQ(deletes_, n(1));
            EXPECT_EQ(unseen_, 0) << "records deleted before their lines were on disk";
        } else if (verb == "history") {
            // Report I's history holds what the snapshots saw of it, in order.
            const std::string& name = files_[n(1)];
            const std::string path = DataDir() + "\\" + name.substr(0, name.rfind('.')) +
                                     ".history" + name.substr(name.rfind('.'));
            const bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
            if (t.size() > 3 && t[2].text == "=" && t[3].text == "snapshots") {
                EXPECT_TRUE(exists);
                EXPECT_EQ(ReadFileBytes(path), snapshots_[n(1)]);
                return true;
            }
            return Compare(ReadFileBytes(path), t, 2, exists);
        } else if (verb == "exit") {
            EXPECT_EQ(status_, static_cast<DWORD>(n(1)));
        } else if (verb == "output") {
            return Compare(output_, t, 1, true);
        } else if (verb == "report-agrees") {
            ReportAgrees(t);
        } else if (verb == "open-left") {
            EXPECT_EQ(run_.leftOpen, n(1));
        } else {
            return false;
        }
        return true;
    }

    const ScriptCase& script_;
    std::vector<std::unique_ptr<ConduitCase>> earlier_;
    std::unique_ptr<ConduitCase> c_;
    std::unique_ptr<LoadedConduit> conduit_;
    std::string files_[5];
    SyncOptions options_;
    std::vector<HandheldRecord> pending_;
    bool pendingSet_ = false;
    HANDLE locked_ = INVALID_HANDLE_VALUE;
    HANDLE mapped_ = nullptr;
    std::string before_;
    SyncRun run_;
    Log expected_;
    int deletes_ = 0, unseen_ = 0, backups_ = 0;
    std::string snapshots_[5];
    DWORD status_ = 0;
    std::string output_;
    std::string collecting_;
    int collectingLine_ = 0, line_ = 0;
};

}  // namespace

std::vector<ScriptCase> LoadScript(const std::string& fileName) {
    return ReadCaseFile(BinFolder() + "\\" + fileName);
}

void RunScriptCase(const ScriptCase& c) { Runner(c).Run(); }
