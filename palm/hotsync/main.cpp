// hotsync.exe: the HotSync manager. Runs the registered conduits over a
// handheld folder (sync) and lists the conduits (list).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "palm/conduit.h"
#include "palm/hslog20.h"
#include "palm/sync20.h"

namespace {

const char kDefaultHotSyncKey[] = "Software\\U.S. Robotics\\Pilot Desktop";

const char kUsage[] =
    "usage: hotsync sync --handheld DIR [--user NAME] [--desktop DIR] [--type N]\n"
    "                    [--entries FILE] [--registry KEY] [--fail FUNCTION[:N]]...\n"
    "                    [--power-cut FUNCTION[:N] [--power-switch FILE]]\n"
    "       hotsync list [--registry KEY]\n"
    "Sync types: 0 fast, 1 slow, 2 handheld overwrites desktop, 3 desktop overwrites\n"
    "handheld, 4 install, 5 backup, 6 do nothing, 7 profile install.\n"
    "--desktop defaults to the folder Desktop beside hotsync.exe; --registry to\n"
    "HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop.\n"
    "--fail makes the Nth call (default 1) of a Sync Manager function fail, as a\n"
    "failing handheld would (SyncDeleteRec:3).\n"
    "--power-cut ends the HotSync at once right after the Nth successful call of a\n"
    "Sync Manager function, as a power failure would: the handheld keeps what it\n"
    "did so far (its databases are written back), \"cut\" is written to the\n"
    "--power-switch file (the control file of a test file system that then\n"
    "forgets what was not flushed), and the process ends without any clean-up.\n"
    "Exit status: 0 every conduit returned 0, 1 otherwise, 2 bad arguments,\n"
    "3 the power was cut.\n";

struct Options {
    std::string command;
    std::string handheld, user, desktop, entries, registry = kDefaultHotSyncKey;
    int type = -1;
    std::vector<std::pair<std::string, long>> faults;  // function, call that fails
    std::string powerCut, powerSwitch;                 // function, the switch's file
    long powerCutCall = 0;                             // the call after which it fails
};

struct ConduitEntry {
    std::string keyName;
    long number = 0;
    std::string keyPath;  // below HKEY_CURRENT_USER
    std::string library, directory, name;
    uint32_t creator = 0;
    int32_t priority = 2;
};

// ---- small helpers -------------------------------------------------------

std::string Now(const char* format) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[64];
    if (std::strcmp(format, "date") == 0) {
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear % 10000u,
                      t.wMonth % 13u, t.wDay % 32u, t.wHour % 24u, t.wMinute % 60u,
                      t.wSecond % 60u);
    } else {
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.wHour % 24u, t.wMinute % 60u,
                      t.wSecond % 60u);
    }
    return text;
}

std::string CreatorText(uint32_t creator) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>(creator >> shift & 0xFF);
        if (c < 0x21 || c > 0x7E) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(creator));
            return hex;
        }
        text += c;
    }
    return text;
}

bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::string& path) {
    if (path.empty() || IsFolder(path)) return true;
    size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos && cut > 0 && path[cut - 1] != ':') {
        if (!MakeFolders(path.substr(0, cut))) return false;
    }
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string result = n > 0 && n < sizeof full ? std::string(full, n) : path;
    while (result.size() > 3 && (result.back() == '\\' || result.back() == '/')) result.pop_back();
    return result;
}

std::string ExeFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, n < sizeof path ? n : 0);
    size_t cut = text.find_last_of("\\/");
    return cut == std::string::npos ? "." : text.substr(0, cut);
}

// The user's folder name below the desktop folder: the user name with
// characters that file names cannot hold replaced by '_'.
std::string UserFolderName(const std::string& user) {
    std::string name;
    for (char c : user) {
        unsigned char u = static_cast<unsigned char>(c);
        name += u < 0x20 || std::strchr("\\/:*?\"<>|", c) ? '_' : c;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    return name.empty() ? "User" : name;
}

std::string EscapeRaw(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// ---- registry --------------------------------------------------------------

bool ReadString(HKEY key, const char* name, std::string& value) {
    char buffer[1024];
    DWORD type = 0, size = sizeof buffer - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    buffer[size] = '\0';
    value = buffer;
    return true;
}

bool ReadDword(HKEY key, const char* name, uint32_t& value) {
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return false;
    }
    value = data;
    return true;
}

// The conduit entries under the HotSync key, in priority order (then by
// entry number). Creates the HotSync key when it is missing.
bool ReadConduits(const std::string& hotSyncKey, std::vector<ConduitEntry>& entries) {
    HKEY root;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, hotSyncKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &root, nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "hotsync: cannot open or create HKEY_CURRENT_USER\\%s\n",
                     hotSyncKey.c_str());
        return false;
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (std::strncmp(name, "Application", 11) != 0) continue;
        ConduitEntry e;
        e.keyName = name;
        e.number = std::atol(name + 11);
        e.keyPath = hotSyncKey + "\\" + name;
        HKEY key;
        if (RegOpenKeyExA(root, name, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        ReadString(key, "Conduit", e.library);
        ReadString(key, "Directory", e.directory);
        ReadString(key, "Name", e.name);
        ReadDword(key, "Creator", e.creator);
        uint32_t priority;
        if (ReadDword(key, "Priority", priority)) e.priority = static_cast<int32_t>(priority);
        RegCloseKey(key);
        entries.push_back(e);
    }
    RegCloseKey(root);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ConduitEntry& a, const ConduitEntry& b) {
                         if (a.priority != b.priority) return a.priority < b.priority;
                         if (a.number != b.number) return a.number < b.number;
                         return a.keyName < b.keyName;
                     });
    return true;
}

// ---- the readable log --------------------------------------------------------

class HotSyncLog {
  public:
    bool Open(const std::string& path) {
        file_ = std::fopen(path.c_str(), "ab");
        return file_ != nullptr;
    }
    ~HotSyncLog() {
        if (file_) std::fclose(file_);
    }
    // One line, or several when the text holds line breaks (CR LF, LF or CR);
    // each is written CR LF terminated.
    void Line(const std::string& text) {
        if (!file_) return;
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                out += "\r\n";
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            } else {
                out += text[i];
            }
        }
        out += "\r\n";
        std::fwrite(out.data(), 1, out.size(), file_);
        std::fflush(file_);
    }

  private:
    std::FILE* file_ = nullptr;
};

// The host's own messages: on the console and in the readable log.
HotSyncLog* theLog = nullptr;

void HostMessage(const std::string& text) {
    std::fprintf(stderr, "hotsync: %s\n", text.c_str());
    if (theLog) theLog->Line("   * " + text);
}

void __cdecl SyncReporter(const char* text) { HostMessage(text ? text : ""); }

long __cdecl Progress(char* text) {
    std::printf("  progress: %s\n", text ? text : "");
    std::fflush(stdout);
    return 0;
}

// Writes the entries [first, end) of HSLOG20 into the readable log.
void RenderEntries(HotSyncLog& log, long first, const std::string& conduitName) {
    long count = LogHostCount();
    for (long i = first; i < count; ++i) {
        int activity = 0, timestamp = 0;
        char time[9] = {};
        const char* raw = LogHostEntry(i, &activity, &timestamp, time);
        std::string text = raw ? raw : "";
        std::string prefix = timestamp ? std::string(time) + " " : "";
        switch (activity) {
            case palm::kLogStarted:
                if (!text.empty()) log.Line(prefix + text);
                break;
            case palm::kLogText:
                log.Line(prefix + text);
                break;
            case palm::kLogFinished:
                log.Line(prefix + "OK " + conduitName + (text.empty() ? "" : ": " + text));
                break;
            case palm::kLogAborted:
                log.Line(prefix + conduitName + " aborted" +
                         (text.empty() || text == conduitName ? "" : ": " + text));
                break;
            default:
                log.Line(prefix + "[" + std::to_string(activity) + "] " + text);
                break;
        }
    }
}

// ---- a power failure ----------------------------------------------------------

const Options* powerCut = nullptr;
long powerCutCalls = 0;

void __cdecl CutThePower(const char* function, const palm::RawRecord*, long result) {
    if (result != palm::kSyncOk || powerCut->powerCut != function ||
        ++powerCutCalls != powerCut->powerCutCall) {
        return;
    }
    // The handheld has committed every change so far.
    SyncHostEnd();
    if (!powerCut->powerSwitch.empty()) {
        HANDLE file = CreateFileA(powerCut->powerSwitch.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (file == INVALID_HANDLE_VALUE || !WriteFile(file, "cut\n", 4, &written, nullptr)) {
            std::fprintf(stderr, "hotsync: cannot write the power switch %s\n",
                         powerCut->powerSwitch.c_str());
        }
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    std::fprintf(stderr, "hotsync: the power failed after call %ld of %s\n", powerCutCalls,
                 function);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
}

bool CopyField(char* field, size_t size, const std::string& text, const char* what) {
    if (text.size() >= size) {
        HostMessage(std::string(what) + " is longer than " + std::to_string(size - 1) +
                    " characters: " + text);
        return false;
    }
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), text.size());
    return true;
}

// ---- loading a conduit ---------------------------------------------------------

struct LoadedConduit {
    HMODULE module = nullptr;
    std::string name;
    ~LoadedConduit() {
        if (module) FreeLibrary(module);
    }
};

template <typename Fn>
Fn Export(LoadedConduit& c, const ConduitEntry& e, const char* name) {
    FARPROC f = GetProcAddress(c.module, name);
    if (!f) HostMessage(e.keyName + ": the library " + e.library + " lacks the export " + name);
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(f));
}

bool Load(const ConduitEntry& e, LoadedConduit& c) {
    if (e.library.empty()) {
        HostMessage(e.keyName + ": the entry names no conduit library (value Conduit)");
        return false;
    }
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    c.module = LoadLibraryExA(e.library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    DWORD error = GetLastError();
    SetErrorMode(oldMode);
    if (!c.module) {
        HostMessage(e.keyName + ": cannot load the conduit library " + e.library + " (error " +
                    std::to_string(error) + ")");
        return false;
    }
    auto getName = Export<palm::GetConduitNameFn>(c, e, "GetConduitName");
    if (!getName) return false;
    char name[256] = {};
    if (getName(name, static_cast<uint16_t>(sizeof name - 1)) != 0 || name[0] == '\0') {
        c.name = e.name.empty() ? e.keyName : e.name;
    } else {
        c.name = name;
    }
    return true;
}

// ---- commands --------------------------------------------------------------------

int Sync(const Options& o) {
    if (!IsFolder(o.handheld)) {
        std::fprintf(stderr, "hotsync: the handheld folder %s does not exist\n%s",
                     o.handheld.c_str(), kUsage);
        return 2;
    }
    const std::string handheld = FullPath(o.handheld);
    if (SyncHostBegin(handheld.c_str(), SyncReporter) != 0) {
        std::fprintf(stderr, "hotsync: SYNC20 cannot start a HotSync\n");
        return 1;
    }
    for (const auto& fault : o.faults) {
        SyncHostFailCall(fault.first.c_str(), fault.second, palm::kSyncErrFailed);
    }
    if (!o.powerCut.empty()) {
        powerCut = &o;
        SyncHostObserveResults(CutThePower);
    }
    std::string user = o.user;
    if (user.empty()) {
        char name[256] = {};
        if (SyncHostUserName(name, sizeof name) != 0 || name[0] == '\0') {
            SyncHostEnd();
            std::fprintf(stderr,
                         "hotsync: the handheld folder has no user name (User.txt); give --user\n");
            return 2;
        }
        user = name;
    }
    const std::string desktop = FullPath(o.desktop.empty() ? ExeFolder() + "\\Desktop" : o.desktop);
    const std::string userFolder = desktop + "\\" + UserFolderName(user);
    if (!MakeFolders(userFolder)) {
        SyncHostEnd();
        std::fprintf(stderr, "hotsync: cannot create the user folder %s\n", userFolder.c_str());
        return 1;
    }

    HotSyncLog log;
    if (!log.Open(userFolder + "\\HotSync.log")) {
        std::fprintf(stderr, "hotsync: cannot write %s\\HotSync.log\n", userFolder.c_str());
    }
    theLog = &log;
    log.Line("HotSync started " + Now("date"));
    log.Line("User: " + user);
    log.Line("Handheld: " + handheld);
    std::printf("HotSync started: user %s, handheld %s, desktop %s\n", user.c_str(),
                handheld.c_str(), desktop.c_str());

    std::vector<ConduitEntry> entries;
    bool ok = ReadConduits(o.registry, entries);
    if (entries.empty() && ok) {
        std::printf("No conduits are registered under HKEY_CURRENT_USER\\%s\n", o.registry.c_str());
        log.Line("No conduits are registered.");
    }
    LogHostReset();
    int failed = ok ? 0 : 1;
    for (const ConduitEntry& e : entries) {
        const int type = o.type >= 0 ? o.type : palm::kSyncFast;
        std::printf("Conduit %s (%s, priority %ld): %s\n", e.keyName.c_str(),
                    CreatorText(e.creator).c_str(), static_cast<long>(e.priority),
                    e.library.c_str());
        log.Line("");
        LoadedConduit c;
        if (!Load(e, c)) {
            log.Line(e.keyName + " skipped");
            ++failed;
            continue;
        }
        auto getVersion = Export<palm::GetConduitVersionFn>(c, e, "GetConduitVersion");
        auto open = Export<palm::OpenConduitFn>(c, e, "OpenConduit");
        if (!getVersion || !open) {
            log.Line(e.keyName + " skipped");
            ++failed;
            continue;
        }
        uint32_t version = getVersion();
        char heading[512];
        std::snprintf(heading, sizeof heading, "%s (%s, creator %s, version %lu.%lu, sync type %d)",
                      c.name.c_str(), e.keyName.c_str(), CreatorText(e.creator).c_str(),
                      static_cast<unsigned long>(version >> 8 & 0xFF),
                      static_cast<unsigned long>(version & 0xFF), type);
        log.Line(heading);

        palm::SyncProperties properties;
        std::memset(&properties, 0, sizeof properties);
        properties.syncType = type;
        std::string dataPath = e.directory.empty() ? userFolder : userFolder + "\\" + e.directory;
        if (!CopyField(properties.dataPath, sizeof properties.dataPath, dataPath, "data path") ||
            !CopyField(properties.localName, sizeof properties.localName, e.name, "Name") ||
            !CopyField(properties.userName, sizeof properties.userName, user, "user name") ||
            !CopyField(properties.registryPath, sizeof properties.registryPath, e.keyPath,
                       "registry path")) {
            log.Line(e.keyName + " skipped");
            ++failed;
            continue;
        }
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, e.keyPath.c_str(), 0, KEY_ALL_ACCESS, &key);
        properties.registryKey = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));

        const long first = LogHostCount();
        long result = open(Progress, properties);
        if (key) RegCloseKey(key);
        long leftOpen = SyncHostEnd();
        if (leftOpen > 0)
            HostMessage(c.name + " left " + std::to_string(leftOpen) + " database(s) open");
        SyncHostBegin(handheld.c_str(), SyncReporter);
        RenderEntries(log, first, c.name);
        log.Line("Result " + std::to_string(result));
        std::printf("  result %ld\n", result);
        if (result != 0) ++failed;
    }
    SyncHostEnd();

    if (!o.entries.empty()) {
        std::FILE* raw = std::fopen(o.entries.c_str(), "wb");
        if (!raw) {
            HostMessage("cannot write the entries file " + o.entries);
            failed += 1;
        } else {
            for (long i = 0, n = LogHostCount(); i < n; ++i) {
                int activity = 0;
                const char* text = LogHostEntry(i, &activity, nullptr, nullptr);
                std::fprintf(raw, "%d\t%s\n", activity, EscapeRaw(text ? text : "").c_str());
            }
            if (std::fclose(raw) != 0) {
                HostMessage("cannot write the entries file " + o.entries);
                failed += 1;
            }
        }
    }
    log.Line("");
    log.Line("HotSync completed " + Now("date") + ": " + std::to_string(entries.size()) +
             " conduit(s), " + std::to_string(failed) + " failed");
    log.Line("");
    theLog = nullptr;
    std::printf("HotSync completed: %zu conduit(s), %d failed\n", entries.size(), failed);
    return failed == 0 ? 0 : 1;
}

int List(const Options& o) {
    std::vector<ConduitEntry> entries;
    if (!ReadConduits(o.registry, entries)) return 1;
    std::printf("Conduits under HKEY_CURRENT_USER\\%s, in HotSync order:\n", o.registry.c_str());
    for (const ConduitEntry& e : entries) {
        std::printf("  %s  creator %s  priority %ld  name \"%s\"  directory \"%s\"\n    %s\n",
                    e.keyName.c_str(), CreatorText(e.creator).c_str(),
                    static_cast<long>(e.priority), e.name.c_str(), e.directory.c_str(),
                    e.library.c_str());
    }
    if (entries.empty()) std::printf("  (none)\n");
    return 0;
}

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "hotsync: %s\n", problem);
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage(nullptr);
    Options o;
    o.command = argv[1];
    if (o.command == "--help" || o.command == "-h" || o.command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (o.command != "sync" && o.command != "list") {
        return Usage(("unknown command " + o.command).c_str());
    }
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
        std::string value = argv[++i];
        const bool forSync = o.command == "sync";
        if (arg == "--handheld" && forSync) {
            o.handheld = value;
        } else if (arg == "--user" && forSync && !value.empty()) {
            o.user = value;
        } else if (arg == "--desktop" && forSync && !value.empty()) {
            o.desktop = value;
        } else if (arg == "--entries" && forSync && !value.empty()) {
            o.entries = value;
        } else if (arg == "--registry" && !value.empty()) {
            o.registry = value;
        } else if ((arg == "--fail" || arg == "--power-cut") && forSync) {
            size_t colon = value.find(':');
            long nth = 1;
            if (colon != std::string::npos) {
                char* end = nullptr;
                nth = std::strtol(value.c_str() + colon + 1, &end, 10);
                if (*end != '\0' || nth < 1) {
                    return Usage((arg + " takes FUNCTION or FUNCTION:N").c_str());
                }
            }
            if (arg == "--fail") {
                o.faults.emplace_back(value.substr(0, colon), nth);
            } else {
                o.powerCut = value.substr(0, colon);
                o.powerCutCall = nth;
            }
        } else if (arg == "--power-switch" && forSync && !value.empty()) {
            o.powerSwitch = value;
        } else if (arg == "--type" && forSync) {
            if (value.size() != 1 || value[0] < '0' || value[0] > '7') {
                return Usage("--type takes a sync type from 0 to 7");
            }
            o.type = value[0] - '0';
        } else {
            return Usage(("unknown option " + arg + " for " + o.command).c_str());
        }
    }
    if (o.command == "sync") {
        if (o.handheld.empty()) return Usage("sync needs --handheld DIR");
        return Sync(o);
    }
    return List(o);
}
