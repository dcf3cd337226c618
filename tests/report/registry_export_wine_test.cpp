// The export reader beside the real registry under Wine: every file of the
// table that the registry editor reads the same way gives, once the editor
// has imported it, the keys and values that the reader gives; and the code
// page conversion is the platform's.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <vector>

#include "conduit_host.h"
#include "export_cases.h"
#include "registry_export.h"
#include "windows_1252.h"

using namespace std::string_literals;

namespace {

const char kRootPrefix[] = "HKEY_CURRENT_USER\\";

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

    ConduitCase folder;
    const std::string path = folder.root + "\\import.reg";
    WriteFileBytes(path, bytes);
    ASSERT_EQ(RunProgram("regedit.exe /S \"" + path + "\""), 0u);
    std::set<std::string> named;
    for (const RegistryExportKey& key : file.keys) named.insert(key.path);
    std::string imported;
    DumpRegistry(base, base, named, &imported);
    EXPECT_EQ(Sorted(imported), Sorted(Dump(file, base)));
    RegDeleteTreeA(HKEY_CURRENT_USER, base.substr(sizeof kRootPrefix - 1).c_str());
}

std::vector<ExportCase> EditorCases() {
    std::vector<ExportCase> cases;
    for (const ExportCase& c : ExportCases()) {
        if (c.regedit) cases.push_back(c);
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Regedit, ImportedFile, ::testing::ValuesIn(EditorCases()),
                         [](const auto& info) { return std::string(info.param.name); });

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
