#include "conduit_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>
#include <thread>

#include "texts.h"
#include "palm/hslog20.h"
#include "palm/sync20.h"
#include "palm/synctypes.h"

std::ostream& operator<<(std::ostream& out, const LogEntry& entry) {
    return out << "{" << entry.activity << ", \"" << entry.text << "\"}";
}

static Log ReadRawEntries(const std::string& path);

// The test's name and this process's id: a case owns its folder and key even
// when two test runs in one build tree run the same test at once.
static std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    // Parameterised tests have slashes in their names; folders and keys must not.
    for (char& c : name) {
        if (c == '/') c = '-';
    }
    return name + "." + std::to_string(GetCurrentProcessId());
}

std::string BinFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    *std::strrchr(path, '\\') = '\0';
    return path;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

const char kAddFailed[] = "   - Datensatz konnte nicht angelegt werden!";
const char* const kFiles[5] = {"Ledgerly Arbeitszeiten.txt", "Ledgerly Ausgaben.txt",
                               "Ledgarly Fahrten.txt", "Ledgerly Kontakte.txt",
                               "Ledgerly Notizen.txt"};

std::string Note(int n) {
    std::string digits = std::to_string(n);
    return "rec<" + std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits + ">.";
}

HandheldRecord Record(int category, int n, bool dirty) {
    static const char* const heads[] = {
        "1.2.01,8:00,1:00,Kunde,Projekt,Arbeit,",
        "2.1.01,Kunde,Projekt,Taxi,2,12.50,25.00,",
        "3.1.01,Kunde,Projekt,Besuch,Berlin,Potsdam,10500,10536,36,",
        "4.1.01,Kunde,Projekt,Layout,",
        "5.1.01,Kunde,Projekt,Angebot,Anna,",
    };
    return {category, dirty, heads[category - 1] + Note(n)};
}

int DirtyCount(const palm::Database& db) {
    int dirty = 0;
    for (const palm::Record& r : db.records) dirty += (r.flags & palm::kRecDirty) != 0;
    return dirty;
}

std::string RecordText(const palm::Record& r) {
    return std::string(r.data.begin(), r.data.end()).c_str();
}

ConduitCase::ConduitCase(const std::string& suffix) {
    CreateDirectoryA("cases", nullptr);
    char full[MAX_PATH];
    GetFullPathNameA(("cases\\" + TestName() + suffix).c_str(), MAX_PATH, full, nullptr);
    root = full;
    RemoveTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    handheld = root + "\\handheld";
    CreateDirectoryA(handheld.c_str(), nullptr);
    CreateDirectoryA((root + "\\desktop").c_str(), nullptr);
    dataDir = root + "\\desktop\\Data";
    registryPath = "Software\\Tessel Tests\\" + TestName() + suffix;
    RegDeleteTreeA(HKEY_CURRENT_USER, registryPath.c_str());
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, registryPath.c_str(), &key);
    RegCloseKey(key);
    // A copy of the library with a message file that keeps the built-in
    // German texts, whatever the user's language and the shipped file say.
    UseMessageFile(
        "[General]\r\nContentType=NLS-Message-File\r\nContentVersion=1.00\r\n"
        "ModuleName=LYConduit20\r\nModuleVersion=0.50\r\n");
}

// A case that failed leaves its folder for a look.
ConduitCase::~ConduitCase() {
    RegDeleteTreeA(HKEY_CURRENT_USER, registryPath.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, (registryPath + " HotSync").c_str());
    if (!::testing::Test::HasFailure()) RemoveTree(root);
}

void ConduitCase::WriteUser(const std::string& name) {
    WriteFileBytes(handheld + "\\User.txt", name + "\r\n");
}

void ConduitCase::WriteDatabase(const std::string& name,
                                const std::vector<HandheldRecord>& records) {
    palm::Database db;
    db.SetName(name);
    db.header.type = palm::FourCC("DATA");
    db.header.creator = palm::FourCC("LDGY");
    uint32_t id = 0x1000;
    for (const HandheldRecord& r : records) {
        palm::Record record;
        record.category = static_cast<uint8_t>(r.category);
        record.flags = r.dirty ? palm::kRecDirty : 0;
        record.uniqueId = r.uid >= 0 ? static_cast<uint32_t>(r.uid) : id;
        ++id;
        record.data.assign(r.text.begin(), r.text.end());
        record.data.push_back(0);
        db.records.push_back(std::move(record));
    }
    db.header.uniqueIdSeed = id;
    std::string error;
    ASSERT_TRUE(palm::WriteFile(handheld + "\\" + name + ".pdb", db, error)) << error;
}

palm::Database ConduitCase::ReadDatabase(const std::string& name) {
    palm::Database db;
    std::string error;
    EXPECT_TRUE(palm::ReadFile(handheld + "\\" + name + ".pdb", db, error)) << error;
    return db;
}

void ConduitCase::CopyExampleHandheld() {
    const std::string example = BinFolder() + "\\..\\examples\\handheld\\";
    for (const char* file : {"Ledgerly_DB.pdb", "LedgerlyAux_DB.pdb", "User.txt"}) {
        ASSERT_TRUE(CopyFileA((example + file).c_str(), (handheld + "\\" + file).c_str(), FALSE))
            << example + file;
    }
}

void ConduitCase::SetDword(const char* name, DWORD value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, registryPath.c_str(), &key), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
}

void ConduitCase::SetString(const char* name, const std::string& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, registryPath.c_str(), &key), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void ConduitCase::RemoveSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, registryPath.c_str()); }

void ConduitCase::UseMessageFile(const std::string& content) {
    const std::string folder = root + "\\conduit";
    CreateDirectoryA(folder.c_str(), nullptr);
    conduitPath = folder + "\\Tessel20.dll";
    ASSERT_TRUE(CopyFileA((BinFolder() + "\\Tessel20.dll").c_str(), conduitPath.c_str(), FALSE));
    WriteFileBytes(folder + "\\conduit.nls", content);
}

SyncRun ConduitCase::RunHotSync(const std::string& user, const std::vector<std::string>& options) {
    const std::string settingsKey = registryPath, hotsyncKey = registryPath + " HotSync";
    registryPath = hotsyncKey + "\\Application1";
    // The settings written so far for this case go with the entry.
    HKEY from, to;
    if (RegOpenKeyA(HKEY_CURRENT_USER, settingsKey.c_str(), &from) == ERROR_SUCCESS &&
        RegCreateKeyA(HKEY_CURRENT_USER, registryPath.c_str(), &to) == ERROR_SUCCESS) {
        RegCopyTreeA(from, nullptr, to);
        RegCloseKey(to);
        RegCloseKey(from);
    }
    SetString("Conduit", conduitPath);
    SetString("Directory", "Data");
    SetString("Name", "Ledgerly");
    SetDword("Creator", 0x4C444759);
    std::string command = "\"" + BinFolder() + "\\hotsync.exe\" sync --handheld \"" + handheld +
                          "\" --desktop \"" + root + "\\desktop\" --registry \"" + hotsyncKey +
                          "\" --entries \"" + root + "\\entries.txt\"";
    for (const std::string& option : options) command += " " + option;
    dataDir = root + "\\desktop\\" + user + "\\Data";
    SyncRun run;
    run.result = static_cast<long>(RunProgram(command));
    run.log = ReadRawEntries(root + "\\entries.txt");
    run.hostLog = ReadFileBytes(root + "\\desktop\\" + user + "\\HotSync.log");
    registryPath = settingsKey;
    return run;
}

// --- the host ---------------------------------------------------------------

namespace {

SyncRun* currentRun = nullptr;
const SyncOptions* currentOptions = nullptr;

long __cdecl Progress(char* text) {
    if (currentRun != nullptr) currentRun->progress.push_back(text != nullptr ? text : "");
    return 0;
}

// Sees every text that the conduit gives the strip's text line (control 2001).
LRESULT CALLBACK WatchTexts(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && currentRun != nullptr && message->message == WM_SETTEXT &&
        GetDlgCtrlID(message->hwnd) == 2001) {
        currentRun->status.push_back(reinterpret_cast<const char*>(message->lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void __cdecl KeepReport(const char* text) {
    if (currentRun != nullptr) currentRun->hostMessages.push_back(text != nullptr ? text : "");
}

void __cdecl ObserveCall(const char* function, const palm::RawRecord* record) {
    if (currentOptions != nullptr && currentOptions->onSyncCall) {
        currentOptions->onSyncCall(function, record != nullptr ? record->recId : 0);
    }
}

template <typename T>
void Resolve(HMODULE module, const char* name, T& target) {
    target = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

// --- unexpected windows -------------------------------------------------------

namespace {

struct DialogSearch {
    DWORD process;
    std::string text;
};

BOOL CALLBACK AddText(HWND child, LPARAM data) {
    char text[512] = "";
    GetWindowTextA(child, text, sizeof text);
    if (text[0] != '\0') *reinterpret_cast<std::string*>(data) += " | " + std::string(text);
    return TRUE;
}

BOOL CALLBACK CloseDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    DWORD owner = 0;
    char name[16] = "";
    GetWindowThreadProcessId(window, &owner);
    GetClassNameA(window, name, sizeof name);
    if (owner != search->process || std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window) ||
        GetDlgItem(window, 2001) != nullptr) {
        return TRUE;
    }
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    search->text = "\"" + std::string(caption) + "\"";
    EnumChildWindows(window, AddText, reinterpret_cast<LPARAM>(&search->text));
    PostMessageA(window, WM_CLOSE, 0, 0);
    return FALSE;
}

// The caption and texts of a dialog window of the process that is not the
// status strip (which has the text line 2001), closed on the way: a message
// box or a dialog nobody expects. Empty when there is none.
std::string OpenDialog(DWORD process) {
    DialogSearch search{process, ""};
    EnumWindows(CloseDialog, reinterpret_cast<LPARAM>(&search));
    return search.text;
}

}  // namespace

WindowWatch::WindowWatch(DWORD process) {
    thread_ = std::thread([this, process] {
        while (!stop_) {
            const std::string text = OpenDialog(process);
            if (!text.empty()) {
                seen_.push_back(text);
                any_ = true;
                if (process != GetCurrentProcessId()) return;
            }
            Sleep(50);
        }
    });
}

WindowWatch::~WindowWatch() {
    stop_ = true;
    thread_.join();
    for (const std::string& text : seen_) ADD_FAILURE() << "an unexpected window opened: " << text;
}

LoadedConduit::LoadedConduit(const std::string& path) {
    module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module_ == nullptr) return;
    Resolve(module_, "OpenConduit", open_);
    Resolve(module_, "GetConduitName", getName);
    Resolve(module_, "ConfigureConduit", configure);
}

LoadedConduit::~LoadedConduit() {
    if (module_ != nullptr) FreeLibrary(module_);
}

SyncRun LoadedConduit::Sync(ConduitCase& c, const SyncOptions& options) {
    SyncRun run;
    palm::SyncProperties properties;
    std::memset(&properties, 0, sizeof properties);
    properties.syncType = options.syncType;
    const std::string dataPath = options.dataPath == "\1" ? c.dataDir : options.dataPath;
    std::strncpy(properties.dataPath, dataPath.c_str(), sizeof properties.dataPath - 1);
    std::strncpy(properties.registryPath, c.registryPath.c_str(),
                 sizeof properties.registryPath - 1);

    HWND owner = nullptr;
    HHOOK hook = nullptr;
    if (options.activeWindow) {
        owner = CreateWindowExA(0, "STATIC", "HotSync", WS_POPUP | WS_VISIBLE, 100, 100, 400, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetActiveWindow(owner);
        hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchTexts, nullptr, GetCurrentThreadId());
    }
    if (options.beginHotSync) SyncHostBegin(c.handheld.c_str(), KeepReport);
    for (const auto& fault : options.failCalls) {
        SyncHostFailCall(fault.first.c_str(), fault.second, palm::kSyncErrFailed);
    }
    SyncHostObserve(ObserveCall);
    LogHostReset();
    currentRun = &run;
    currentOptions = &options;
    {
        WindowWatch watch(GetCurrentProcessId());
        run.result = open_ != nullptr ? open_(Progress, &properties) : -2;
    }
    currentRun = nullptr;
    currentOptions = nullptr;
    SyncHostObserve(nullptr);
    for (const auto& fault : options.failCalls) SyncHostFailCall(fault.first.c_str(), 0, 0);
    if (options.beginHotSync) run.leftOpen = SyncHostEnd();
    for (long i = 0, n = LogHostCount(); i < n; ++i) {
        int activity = 0;
        const char* text = LogHostEntry(i, &activity, nullptr, nullptr);
        run.log.push_back({activity, text != nullptr ? text : ""});
    }
    if (hook != nullptr) UnhookWindowsHookEx(hook);
    if (owner != nullptr) DestroyWindow(owner);
    return run;
}

DWORD RunProgram(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 0xFFFFFFFF;
    }
    {
        // A program that shows a box is stopped at once, naming the box.
        WindowWatch watch(process.dwProcessId);
        while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
            if (watch.Seen()) TerminateProcess(process.hProcess, 0xFFFFFFFF);
        }
    }
    DWORD status = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// The host's entries file: an activity, a tab and the escaped text a line.
static Log ReadRawEntries(const std::string& path) {
    Log log;
    std::istringstream in(ReadFileBytes(path));
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        TranslateEscapes(&line[tab + 1], &line[tab + 1], line.size() - tab);
        log.push_back({std::stoi(line), line.c_str() + tab + 1});
    }
    return log;
}
