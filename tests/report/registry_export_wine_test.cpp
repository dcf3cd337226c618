// The export reader beside the real registry under Wine: every file of the
// table that the registry editor reads the same way gives, once the editor
// has imported it, the keys and values that the reader gives; settings read
// from the editor's export of a key equal what LoadSettings reads from the
// key itself; and the code page conversion is the platform's.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "export_cases.h"
#include "registry_export.h"
#include "settings.h"
#include "windows_1252.h"

using namespace std::string_literals;

namespace {

const char kRootPrefix[] = "HKEY_CURRENT_USER\\";

std::string FullPath(const std::string& name) {
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    return std::string(folder) + "\\" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the registry editor with arguments; true when it ended with 0.
bool Regedit(const std::string& arguments) {
    std::string line = "regedit.exe " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

// The registry's keys at and below path in Dump's form: those that hold
// values or that named lists, values as RegEnumValueA hands them over.
void DumpRegistry(const std::string& path, const std::string& base,
                  const std::set<std::string>& named, std::string* dump) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.substr(sizeof kRootPrefix - 1).c_str(), &key) != 0) {
        return;
    }
    std::string values;
    std::vector<char> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        values += DumpValue(std::string(name.data(), nameSize), type,
                            std::string(data.begin(), data.begin() + dataSize));
    }
    if (!values.empty() || named.count(path) > 0) {
        dump->append("[$K" + path.substr(base.size()) + "]\n" + values);
    }
    char subkey[1024];
    std::vector<std::string> subkeys;
    for (DWORD i = 0; RegEnumKeyA(key, i, subkey, sizeof subkey) == ERROR_SUCCESS; ++i) {
        subkeys.push_back(subkey);
    }
    RegCloseKey(key);
    for (const std::string& sub : subkeys) DumpRegistry(path + "\\" + sub, base, named, dump);
}

// A dump with its keys, and the values within each key, in sorted order: the
// registry does not keep the order of the file.
std::string Sorted(const std::string& dump) {
    std::vector<std::vector<std::string>> keys;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        if (line[0] == '[' || keys.empty()) keys.emplace_back();
        keys.back().push_back(line);
    }
    for (auto& key : keys) std::sort(key.begin() + 1, key.end());
    std::sort(keys.begin(), keys.end());
    std::string sorted;
    for (const auto& key : keys) {
        for (const std::string& line : key) sorted += line + "\n";
    }
    return sorted;
}

class ImportedFile : public ::testing::TestWithParam<ExportCase> {};

TEST_P(ImportedFile, HoldsWhatTheReaderGives) {
    const ExportCase& c = GetParam();
    const std::string base = std::string(kExportBase) + "." + c.name;
    RegDeleteTreeA(HKEY_CURRENT_USER, base.substr(sizeof kRootPrefix - 1).c_str());
    const std::string bytes = FileBytes(c, base);
    RegistryExport file;
    RegistryExportError error;
    ASSERT_TRUE(ReadRegistryExport(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                   &file, &error))
        << error.line;

    const std::string path = FullPath(std::string("import-") + c.name + ".reg");
    WriteFile(path, bytes);
    ASSERT_TRUE(Regedit("/S \"" + path + "\""));
    std::set<std::string> named;
    for (const RegistryExportKey& key : file.keys) named.insert(key.path);
    std::string imported;
    DumpRegistry(base, base, named, &imported);
    EXPECT_EQ(Sorted(imported), Sorted(Dump(file, base)));
    RegDeleteTreeA(HKEY_CURRENT_USER, base.substr(sizeof kRootPrefix - 1).c_str());
}

std::vector<ExportCase> EditorCases() {
    std::vector<ExportCase> cases;
    for (const ExportCase& c : kExportCases) {
        if (c.regedit) cases.push_back(c);
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Regedit, ImportedFile, ::testing::ValuesIn(EditorCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Every field of a settings record, one per line.
std::string Describe(SettingsRecord s) {
    std::ostringstream out;
    out << s.DeleteRecords << ' ' << s.ShowSyncStatus << ' ' << s.QuoteDateFields << ' '
        << s.ReportTitle << ' ' << s.FieldNames << ' ' << s.SingleLineNotes << ' '
        << s.SeparateReports << ' ' << s.DateFormat << ' ' << s.SyncBackupMethod << '\n'
        << s.Directory << '\n'
        << s.ReportSeparator << '\n'
        << s.FieldDelimiter << '|' << s.StringDelimiter << '\n';
    for (int i = 0; i < kReportCount; ++i) {
        out << ReportFileSetting(s, i) << '|' << ReportTitleSetting(s, i) << '\n';
        for (int slot = 0; slot < ColumnSlotCount(i); ++slot) out << ColumnSlots(s, i)[slot] << ',';
        out << '\n';
    }
    return out.str();
}

struct RawValue {
    const char* name;
    DWORD type;
    std::string data;  // text types with wide: UTF-8, written as UTF-16
    bool wide;
};

TEST(ExportedSettings, EqualThoseLoadedFromTheRegistry) {
    const std::string sub = "Software\\Tessel Tests\\Settings";
    const RawValue values[] = {
        {"Conduit", REG_SZ, "C:\\Palm\\TESSEL20.dll\0"s, false},
        {"DeleteRecords", REG_DWORD, "\1\0\0\0"s, false},
        {"ShowSyncStatus", REG_BINARY, ""s, false},
        {"QuoteDateFields", REG_SZ, "1\0"s, false},
        {"ReportTitle", REG_QWORD, std::string(8, '\0'), false},
        {"FieldNames", REG_BINARY, "\x34\x12"s, false},
        {"DateFormat", REG_DWORD, "\x09\0\0\0"s, false},
        {"SyncBackupMethod", REG_DWORD_BIG_ENDIAN, "\0\0\0\1"s, false},
        {"FieldDelimiter", REG_DWORD, "\x2c\x01\0\0"s, false},
        {"StringDelimiter", REG_DWORD, std::string(4, '\0'), false},
        {"Directory", REG_EXPAND_SZ, "%DATA%\\Ledgerly\0"s, false},
        {"ReportSeparator", REG_MULTI_SZ, "a\0b\0\0"s, true},
        {"TaskReportFile", REG_SZ, "Zeit \u0100 \u20ac \u00fc.txt\0"s, true},
        {"ExpenseReportFile", REG_SZ, std::string(260, 'e') + '\0', false},
        {"RouteReportFile", REG_SZ, std::string(259, 'r') + '\0', false},
        {"TaskReportTitle", REG_SZ, "Zeiten \"x\" \\ ;\0"s, false},
        {"ContactReportTitle", REG_BINARY, "abc"s, false},
        {"MemoReportTitle", REG_SZ, std::string(80, 'm') + '\0', false},
        {"TaskColumns", REG_SZ, "A,,B\0"s, false},
        {"RouteColumns", REG_SZ, "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o\0"s, false},
        {"ExpenseColumns", REG_SZ, std::string(256, 'x') + '\0', false},
        {"MemoColumns", REG_SZ, std::string(25, 'n') + ",N\xE4me" + '\0', false},
    };
    RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, sub.c_str(), &key), ERROR_SUCCESS);
    for (const RawValue& v : values) {
        LONG result;
        if (v.wide) {
            std::vector<wchar_t> text(v.data.size() + 1);
            const int units =
                MultiByteToWideChar(CP_UTF8, 0, v.data.data(), static_cast<int>(v.data.size()),
                                    text.data(), static_cast<int>(text.size()));
            const std::wstring name(v.name, v.name + std::strlen(v.name));
            result = RegSetValueExW(key, name.c_str(), 0, v.type,
                                    reinterpret_cast<const BYTE*>(text.data()),
                                    static_cast<DWORD>(units * sizeof(wchar_t)));
        } else {
            result =
                RegSetValueExA(key, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                               static_cast<DWORD>(v.data.size()));
        }
        ASSERT_EQ(result, ERROR_SUCCESS) << v.name;
    }
    RegCloseKey(key);

    ConduitSettings = DefaultSettings();
    ASSERT_TRUE(LoadSettings(sub.c_str()));
    const SettingsRecord fromRegistry = ConduitSettings;
    ASSERT_NE(Describe(fromRegistry), Describe(DefaultSettings()));

    const std::string path = FullPath("settings-export.reg");
    ASSERT_TRUE(Regedit("/E \"" + path + "\" \"" + kRootPrefix + sub + "\""));
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.compare(0, 2, "\xFF\xFE"), 0) << "a version 5 export in UTF-16";
    RegistryExport file;
    RegistryExportError error;
    ASSERT_TRUE(ReadRegistryExport(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                   &file, &error))
        << RegistryExportFaultText(error.fault) << " in line " << error.line;
    const RegistryExportKey* conduit = FindConduitKey(file);
    ASSERT_NE(conduit, nullptr);
    SettingsRecord fromExport = DefaultSettings();
    ExportedKeySettings source(*conduit);
    ReadSettings(source, fromExport);
    EXPECT_EQ(Describe(fromExport), Describe(fromRegistry));
    EXPECT_EQ(std::memcmp(&fromExport, &fromRegistry, sizeof fromExport), 0);
    RegDeleteTreeA(HKEY_CURRENT_USER, sub.c_str());
}

TEST(CodePage, ConvertsAsWindowsDoes) {
    for (int byte = 0; byte < 256; ++byte) {
        const char in = static_cast<char>(byte);
        wchar_t unit = 0;
        MultiByteToWideChar(1252, 0, &in, 1, &unit, 1);
        EXPECT_EQ(Windows1252ToUnit(static_cast<uint8_t>(byte)), unit) << byte;
    }
    int differences = 0;
    for (int unit = 0; unit < 0x10000; ++unit) {
        const wchar_t in = static_cast<wchar_t>(unit);
        char out = 0;
        WideCharToMultiByte(CP_ACP, 0, &in, 1, &out, 1, nullptr, nullptr);
        if (UnitToWindows1252(static_cast<char16_t>(unit)) != static_cast<uint8_t>(out)) {
            ADD_FAILURE() << "unit " << unit;
            if (++differences == 10) break;
        }
    }
}

}  // namespace
