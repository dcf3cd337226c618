// A HotSync host for the tests: loads Tessel20.dll the way the HotSync
// manager does and runs it over handheld folders made for each case.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "palm/pdb.h"

struct LogEntry {
    int activity;
    std::string text;
    bool operator==(const LogEntry& other) const {
        return activity == other.activity && text == other.text;
    }
};
using Log = std::vector<LogEntry>;
std::ostream& operator<<(std::ostream& out, const LogEntry& entry);

struct HandheldRecord {
    int category;
    bool dirty;
    std::string text;  // stored with its terminating zero byte
    long uid = -1;     // -1: the next of 0x1000, 0x1001, ... in record order
};

// The conduit's built-in German log texts that the tests look for.
extern const char kAddFailed[];
// The default report file names by report index (Task, Expense, Route, Contact, Memo).
extern const char* const kFiles[5];

// A record of the category whose notes read "rec<n>." (unique for every n).
HandheldRecord Record(int category, int n, bool dirty = true);
std::string Note(int n);
// Records of a database whose dirty flag is set.
int DirtyCount(const palm::Database& db);
// A record's data up to its first zero byte.
std::string RecordText(const palm::Record& r);

// One test case: a folder of its own (handheld, desktop, conduit copy) and
// a registry key of its own, both named after the running test.
class ConduitCase {
  public:
    // suffix tells apart two cases of one test.
    explicit ConduitCase(const std::string& suffix = "");
    ~ConduitCase();

    std::string root;          // cases\<test>.<process id>
    std::string handheld;      // root\handheld
    std::string dataDir;       // root\desktop\Data, handed over as the data path
    std::string registryPath;  // below HKEY_CURRENT_USER
    std::string conduitPath;   // the library to load

    void WriteUser(const std::string& name);
    void WriteDatabase(const std::string& name, const std::vector<HandheldRecord>& records);
    palm::Database ReadDatabase(const std::string& name);
    // The bundled example handheld's databases and user name.
    void CopyExampleHandheld();

    void SetDword(const char* name, DWORD value);
    void SetString(const char* name, const std::string& value);
    void RemoveSettingsKey();

    // Loads a copy of the library that has this message file beside it.
    void UseMessageFile(const std::string& content);

    // A HotSync of hotsync.exe with the case's library registered under a
    // HotSync key of the case's own, carrying the settings written so far.
    // The user's folder is desktop\<user>; dataDir becomes its Data folder.
    // The result is the program's exit status.
    struct SyncRun RunHotSync(const std::string& user, const std::vector<std::string>& options);
};

struct SyncRun {
    long result = 0;
    Log log;
    std::vector<std::string> progress;      // texts handed to the progress callback
    std::vector<std::string> status;        // texts of the status strip, in order
    long leftOpen = 0;                      // databases the conduit left open
    std::vector<std::string> hostMessages;  // what the Sync Manager told the host
    std::string hostLog;                    // the host program's HotSync.log
};

struct SyncOptions {
    int syncType = 2;
    bool beginHotSync = true;     // false: no HotSync is running (Sync Manager refuses)
    bool activeWindow = false;    // an active window for the status strip
    std::string dataPath = "\1";  // "\1": the case's data directory
    // Sync Manager calls that fail: function name and which call (from 1).
    std::vector<std::pair<std::string, long>> failCalls;
    // Sees every Sync Manager call before it runs (record id, or 0).
    std::function<void(const std::string& function, uint32_t recordId)> onSyncCall;
};

// While it lives, watches the process for dialog windows other than the
// status strip (message boxes above all): each is closed at once, and the
// test fails naming its caption and texts.
class WindowWatch {
  public:
    explicit WindowWatch(DWORD process);
    ~WindowWatch();
    bool Seen() const { return any_; }

  private:
    std::atomic<bool> stop_{false}, any_{false};
    std::vector<std::string> seen_;
    std::thread thread_;
};

class LoadedConduit {
  public:
    explicit LoadedConduit(const std::string& path);
    ~LoadedConduit();
    bool ok() const { return module_ != nullptr; }
    SyncRun Sync(ConduitCase& c, const SyncOptions& options = SyncOptions());

    long (*getName)(char*, WORD) = nullptr;
    long (*configure)(void* preference) = nullptr;  // ConfigureConduit

  private:
    HMODULE module_ = nullptr;
    long (*open_)(long (*)(char*), void*) = nullptr;
};

// Runs a program and returns its exit status.
DWORD RunProgram(const std::string& commandLine);
std::string ReadFileBytes(const std::string& path);
// Removes a folder with everything in it.
void RemoveTree(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string BinFolder();
