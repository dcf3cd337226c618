// hotsync.exe run as a child process over a handheld folder, with the test
// conduits registered under a HotSync key of each test's own.
#define _WIN32_WINNT 0x0601
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "palm/pdb.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!palm::ReadBytes(path, bytes, error)) return "<missing " + path + ">";
    return std::string(bytes.begin(), bytes.end());
}

void WriteAll(const std::string& path, const std::string& text) {
    std::string error;
    ASSERT_TRUE(
        palm::WriteBytesAtomically(path, std::vector<uint8_t>(text.begin(), text.end()), error))
        << error;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void DeleteFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteFolder(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

constexpr uint32_t kTestCreator = 0x54455354;  // 'TEST'

class HotSync : public ::testing::Test {
  protected:
    void SetUp() override {
        name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        key_ = "Software\\Tessel Tests\\" + name_ + "\\Pilot Desktop";
        RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Tessel Tests\\" + name_).c_str());
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, sizeof path);
        bin_ = path;
        bin_ = bin_.substr(0, bin_.find_last_of('\\'));
        GetTempPathA(sizeof path, path);
        root_ = std::string(path) + "palm_hotsync_" + name_;
        DeleteFolder(root_);
        handheld_ = root_ + "\\handheld";
        desktop_ = root_ + "\\desktop";
        user_ = desktop_ + "\\Ziduv Vazuv";
        CreateDirectoryA(root_.c_str(), nullptr);
        CreateDirectoryA(handheld_.c_str(), nullptr);
        for (const char* file : {"Ledgerly_DB.pdb", "LedgerlyAux_DB.pdb", "User.txt"}) {
            ASSERT_TRUE(CopyFileA((std::string(EXAMPLE_HANDHELD) + "/" + file).c_str(),
                                  (handheld_ + "\\" + file).c_str(), FALSE))
                << file;
        }
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Tessel Tests\\" + name_).c_str());
        if (!HasFailure()) DeleteFolder(root_);
    }

    void Register(int number, const std::string& library, const std::string& directory,
                  uint32_t priority, const std::string& mode, uint32_t creator = kTestCreator) {
        HKEY key;
        std::string path = key_ + "\\Application" + std::to_string(number);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        auto text = [&](const char* name, const std::string& value) {
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
        };
        auto dword = [&](const char* name, uint32_t value) {
            RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        };
        text("Name", "Test" + std::to_string(number));
        dword("Creator", creator);
        text("Conduit", library.find('\\') == std::string::npos ? bin_ + "\\" + library : library);
        text("Module", "Test" + std::to_string(number));
        text("Directory", directory);
        dword("Priority", priority);
        if (!mode.empty()) text("Mode", mode);
        RegCloseKey(key);
    }

    void SetDword(int number, const char* name, uint32_t value) {
        HKEY key;
        std::string path = key_ + "\\Application" + std::to_string(number);
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        RegCloseKey(key);
    }

    // Runs hotsync.exe with the arguments; returns its exit status.
    int Run(const std::string& args, std::string* output = nullptr) {
        std::string outPath = root_ + "\\output.txt";
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA start = {};
        start.cb = sizeof start;
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        start.hStdOutput = out;
        start.hStdError = out;
        PROCESS_INFORMATION process = {};
        std::string command = "\"" + bin_ + "\\hotsync.exe\" " + args;
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &start, &process)) {
            CloseHandle(out);
            return -1;
        }
        WaitForSingleObject(process.hProcess, 120000);
        DWORD status = 99;
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(out);
        if (output) *output = ReadAll(outPath);
        return static_cast<int>(status);
    }

    std::string SyncArgs() {
        return "sync --handheld \"" + handheld_ + "\" --desktop \"" + desktop_ +
               "\" --registry \"" + key_ + "\" --entries \"" + root_ + "\\entries.txt\"";
    }

    std::string ConfigureArgs() {
        return "configure --conduit TEST --desktop \"" + desktop_ + "\" --registry \"" + key_ +
               "\"";
    }

    std::string SyncTypeSeen(const std::string& directory = "Data") {
        std::string props = ReadAll(user_ + "\\" + directory + "\\properties.txt");
        size_t at = props.find("syncType=");
        return at == std::string::npos ? "?" : props.substr(at + 9, props.find('\n', at) - at - 9);
    }

    std::string name_, key_, bin_, root_, handheld_, desktop_, user_;
};

TEST_F(HotSync, RunsAConduitWithItsPropertiesProgressAndRawEntries) {
    Register(1, "TestConduit.dll", "Data", 2, "");
    std::string output;
    ASSERT_EQ(Run(SyncArgs(), &output), 0) << output;
    EXPECT_TRUE(Contains(output, "progress: Test conduit at work")) << output;

    EXPECT_EQ(ReadAll(user_ + "\\Data\\properties.txt"),
              "syncType=0\ndataPath=" + user_ + "\\Data\nlocalName=Test1\nuserName=Ziduv Vazuv\n" +
                  "registryPath=" + key_ + "\\Application1\nregistryKey=set\n");
    EXPECT_EQ(ReadAll(root_ + "\\entries.txt"),
              "19\t\n"
              "-1\t   - user Ziduv Vazuv\n"
              "-1\ttab\\there, back\\\\slash, CR\\rLF\\nend\n"
              "5\t\n"
              "20\t\n");
    std::string log = ReadAll(user_ + "\\HotSync.log");
    EXPECT_TRUE(Contains(log, "HotSync started ")) << log;
    EXPECT_TRUE(Contains(log, "Test Conduit (Application1, creator TEST, version 2.1")) << log;
    EXPECT_TRUE(Contains(log, "   - user Ziduv Vazuv\r\ntab\there, back\\slash, CR\r\nLF\r\nend"))
        << log;
    EXPECT_TRUE(Contains(log, "OK Test Conduit\r\nResult 0\r\n")) << log;
    EXPECT_TRUE(Contains(log, "HotSync completed ")) << log;

    // A second HotSync appends to the log and rewrites the entries file.
    ASSERT_EQ(Run(SyncArgs() + " --type 2"), 0);
    EXPECT_EQ(SyncTypeSeen(), "2");
    log = ReadAll(user_ + "\\HotSync.log");
    EXPECT_NE(log.find("HotSync started "), log.rfind("HotSync started "));
    EXPECT_EQ(ReadAll(root_ + "\\entries.txt").substr(0, 4), "19\t\n");
}

TEST_F(HotSync, TheConduitReadsTheExampleHandheld) {
    Register(1, "TestConduit.dll", "", 2, "read");
    ASSERT_EQ(Run(SyncArgs() + " --user \"Ada Lovelace\""), 0);
    // With no Directory the data path is the user folder itself.
    std::string records = ReadAll(desktop_ + "\\Ada Lovelace\\records.txt");
    EXPECT_TRUE(Contains(records,
                         "1\t1\t64\t14.3.00,9:05,1:30,M\xFCller GmbH,Website,Design,"
                         "Logo entwerfen\n"))
        << records;
    EXPECT_TRUE(Contains(records, "2\t1\t0\t15.3.00,13:00,"));
    EXPECT_TRUE(Contains(records,
                         "Angebot\nN\xE4"
                         "chster Termin offen\n"));
    EXPECT_TRUE(Contains(records, "8\t5\t64\t5.1.01,M\xFCller GmbH,Website,Angebot,$0001A2F3:"));
    // The conduit reset the sync flags: the handheld's database was written back.
    palm::Database db;
    std::string error;
    ASSERT_TRUE(palm::ReadFile(handheld_ + "\\Ledgerly_DB.pdb", db, error)) << error;
    ASSERT_EQ(db.records.size(), 8u);
    for (const palm::Record& r : db.records) EXPECT_EQ(r.flags, 0);
}

TEST_F(HotSync, ConduitsRunInPriorityOrderAndAFailureSetsTheExitStatus) {
    Register(1, "TestConduit.dll", "First", 3, "fail");
    Register(2, "TestConduit.dll", "Second", 1, "");
    std::string output;
    EXPECT_EQ(Run(SyncArgs(), &output), 1) << output;
    std::string entries = ReadAll(root_ + "\\entries.txt");
    EXPECT_EQ(entries,
              "19\t\n-1\t   - user Ziduv Vazuv\n-1\ttab\\there, back\\\\slash, CR\\rLF\\nend\n"
              "5\t\n20\t\n"
              "19\t\n-1\t   - user Ziduv Vazuv\n17\tTest Conduit\n");
    EXPECT_LT(ReadAll(user_ + "\\Second\\properties.txt").size(), 1000u);
    std::string log = ReadAll(user_ + "\\HotSync.log");
    EXPECT_LT(log.find("Application2"), log.find("Application1"));
    EXPECT_TRUE(Contains(log, "Test Conduit aborted\r\nResult -1")) << log;
    EXPECT_TRUE(Contains(log, "1 failed")) << log;
}

TEST_F(HotSync, MissingOrBrokenLibrariesAreSkipped) {
    WriteAll(root_ + "\\NotADll.dll", "just text");
    Register(1, root_ + "\\Missing.dll", "A", 1, "");
    Register(2, "BrokenConduit.dll", "B", 1, "");
    Register(3, root_ + "\\NotADll.dll", "C", 1, "");
    Register(4, "TestConduit.dll", "D", 2, "");
    std::string output;
    EXPECT_EQ(Run(SyncArgs(), &output), 1) << output;
    EXPECT_TRUE(Contains(output, "Application1: cannot load the conduit library")) << output;
    EXPECT_TRUE(Contains(output, "Application2: the library")) << output;
    EXPECT_TRUE(Contains(output, "lacks the export OpenConduit")) << output;
    EXPECT_TRUE(Contains(output, "Application3: cannot load")) << output;
    EXPECT_TRUE(Contains(output, "3 failed")) << output;
    // The working conduit still ran, and only it wrote log entries.
    EXPECT_EQ(SyncTypeSeen("D"), "0");
    EXPECT_EQ(ReadAll(root_ + "\\entries.txt").substr(0, 4), "19\t\n");
    std::string log = ReadAll(user_ + "\\HotSync.log");
    EXPECT_TRUE(Contains(log, "   * Application1: cannot load")) << log;
    EXPECT_TRUE(Contains(log, "Application2 skipped")) << log;
}

TEST_F(HotSync, CreatesAMissingHotSyncKey) {
    std::string output;
    ASSERT_EQ(Run(SyncArgs(), &output), 0) << output;
    EXPECT_TRUE(Contains(output, "No conduits are registered")) << output;
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(ReadAll(root_ + "\\entries.txt"), "");
}

TEST_F(HotSync, BadArgumentsExitWithTwoAndTheUsage) {
    std::string output;
    EXPECT_EQ(Run("", &output), 2);
    EXPECT_TRUE(Contains(output, "usage: hotsync sync")) << output;
    EXPECT_EQ(Run("sync --desktop x", &output), 2);
    EXPECT_TRUE(Contains(output, "sync needs --handheld")) << output;
    EXPECT_EQ(Run(SyncArgs() + " --type 8", &output), 2);
    EXPECT_EQ(Run(SyncArgs() + " --bogus 1", &output), 2);
    EXPECT_EQ(Run(SyncArgs() + " --type", &output), 2);
    EXPECT_EQ(Run("sync --handheld \"" + root_ + "\\nowhere\"", &output), 2);
    EXPECT_TRUE(Contains(output, "does not exist")) << output;
    EXPECT_EQ(Run("configure --conduit TOOLONG", &output), 2);
    DeleteFileA((handheld_ + "\\User.txt").c_str());
    EXPECT_EQ(Run(SyncArgs(), &output), 2);
    EXPECT_TRUE(Contains(output, "give --user")) << output;
}

TEST_F(HotSync, ConfigureKeepsPermanentAndTemporaryChoices) {
    Register(1, "TestConduit.dll", "Data", 2, "");
    Register(2, "TestConduit.dll", "Other", 2, "", 0x4F544852);  // 'OTHR'
    ASSERT_EQ(Run(SyncArgs()), 0);                               // makes Ziduv Vazuv the last user
    EXPECT_EQ(SyncTypeSeen(), "0");

    SetDword(1, "ConfigType", 6);
    SetDword(1, "ConfigKind", 2);
    std::string output;
    ASSERT_EQ(Run(ConfigureArgs(), &output), 0) << output;
    EXPECT_TRUE(Contains(output, "sync type 6, next HotSync only")) << output;
    EXPECT_EQ(ReadAll(user_ + "\\configure.txt"),
              "userPath=" + user_ + "\nregistryPath=" + key_ +
                  "\\Application1\nsyncType=0\nkind=0\nregistryKey=set\n");
    ASSERT_EQ(Run(SyncArgs()), 0);
    EXPECT_EQ(SyncTypeSeen(), "6");
    EXPECT_EQ(SyncTypeSeen("Other"), "0");
    ASSERT_EQ(Run(SyncArgs()), 0);
    EXPECT_EQ(SyncTypeSeen(), "0");

    SetDword(1, "ConfigType", 2);
    SetDword(1, "ConfigKind", 1);
    ASSERT_EQ(Run(ConfigureArgs() + " --user \"Ziduv Vazuv\""), 0);
    ASSERT_EQ(Run(SyncArgs()), 0);
    EXPECT_EQ(SyncTypeSeen(), "2");
    ASSERT_EQ(Run(SyncArgs() + " --type 1"), 0);
    EXPECT_EQ(SyncTypeSeen(), "1");
    ASSERT_EQ(Run(SyncArgs()), 0);
    EXPECT_EQ(SyncTypeSeen(), "2");
    ASSERT_EQ(Run(ConfigureArgs()), 0);  // the conduit is shown its permanent choice
    EXPECT_TRUE(Contains(ReadAll(user_ + "\\configure.txt"), "syncType=2\n"));

    EXPECT_EQ(
        Run("configure --conduit NONE --desktop \"" + desktop_ + "\" --registry \"" + key_ + "\"",
            &output),
        1);
    EXPECT_TRUE(Contains(output, "no conduit with creator NONE")) << output;
}

TEST_F(HotSync, SyncsTenThousandRecords) {
    palm::Database db;
    db.SetName("Ledgerly_DB");
    for (uint32_t i = 0; i < 10000; ++i) {
        palm::Record r;
        r.uniqueId = i + 1;
        r.category = static_cast<uint8_t>(i % 5 + 1);
        r.flags = palm::kRecDirty;
        std::string text =
            "14.3.00,9:05,1:30,M\xFCller GmbH,Website,Design,Eintrag " + std::to_string(i);
        r.data.assign(text.begin(), text.end());
        r.data.push_back(0);
        db.records.push_back(std::move(r));
    }
    std::string error;
    ASSERT_TRUE(palm::WriteFile(handheld_ + "\\Ledgerly_DB.pdb", db, error)) << error;
    Register(1, "TestConduit.dll", "Data", 2, "delete");
    DWORD start = GetTickCount();
    ASSERT_EQ(Run(SyncArgs()), 0);
    RecordProperty("milliseconds", static_cast<int>(GetTickCount() - start));
    std::printf("10000 records synced and deleted in %lu ms\n", GetTickCount() - start);
    ASSERT_TRUE(palm::ReadFile(handheld_ + "\\Ledgerly_DB.pdb", db, error)) << error;
    EXPECT_TRUE(db.records.empty());
}

}  // namespace
