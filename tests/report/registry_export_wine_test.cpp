// The export reader beside the real registry under Wine: every file of
// export_cases.txt gives, once the registry editor has imported it, the keys
// and values that the reader gives; and the code page conversion is the
// platform's.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>
#include <vector>

#include "case_file.h"
#include "conduit_host.h"
#include "registry_export.h"
#include "windows_1252.h"

namespace {

const char kRoot[] = "HKEY_CURRENT_USER\\";
const char kBase[] = "HKEY_CURRENT_USER\\Software\\Tessel Tests\\Export.";

// The case's file: $K is base, $k base in small letters; utf16 as UTF-16LE
// with its mark.
std::string FileBytes(const FileCase& c, const std::string& base) {
    std::string text, lower = base;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const auto& command : c.commands) {
        std::vector<Word> w;
        std::string error;
        if (SplitWords(command.second, w, error, false) && w.size() > 1) text += w[1].text;
    }
    for (size_t at; (at = text.find('$')) != std::string::npos;) {
        text.replace(at, 2, text[at + 1] == 'K' ? base : lower);
    }
    if (c.name.find("utf16") == std::string::npos) return text;
    std::u16string units;
    AppendUtf8Units(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &units);
    std::string out = "\xFF\xFE";
    for (char16_t unit : units)
        out += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return out;
}

// One line per value, "[key] name type: bytes" in hex ("@" for the default
// value), and "[key]" for a key without values; sorted, as the registry does
// not keep the order of the file.
std::string Line(const std::string& key, const std::string& name, DWORD type,
                 const std::string& data) {
    std::string line = "[" + key + "] " + (name.empty() ? "@" : "\"" + name + "\"") + " " +
                       std::to_string(type) + ":";
    for (unsigned char byte : data) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", byte);
        line += hex;
    }
    return line;
}

// The registry's keys at and below path: values as RegEnumValueA hands them
// over, and the keys without values that the file named.
void DumpRegistry(const std::string& path, const std::set<std::string>& named,
                  std::vector<std::string>* dump) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.substr(sizeof kRoot - 1).c_str(), &key) != 0) return;
    std::vector<char> name(16384);
    std::vector<BYTE> data(65536);
    DWORD i = 0;
    for (;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = 65536, type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize))
            break;
        dump->push_back(Line(path, std::string(name.data(), nameSize), type,
                             std::string(data.begin(), data.begin() + dataSize)));
    }
    if (i == 0 && named.count(path) > 0) dump->push_back("[" + path + "]");
    char subkey[1024];
    std::vector<std::string> subkeys;
    for (DWORD k = 0; RegEnumKeyA(key, k, subkey, sizeof subkey) == ERROR_SUCCESS; ++k) {
        subkeys.push_back(subkey);
    }
    RegCloseKey(key);
    for (const std::string& sub : subkeys) DumpRegistry(path + "\\" + sub, named, dump);
}

class ImportedFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(ImportedFile, HoldsWhatTheReaderGives) {
    const std::string base = kBase + GetParam().name.substr(0, GetParam().name.find(' '));
    RegDeleteTreeA(HKEY_CURRENT_USER, base.substr(sizeof kRoot - 1).c_str());
    const std::string bytes = FileBytes(GetParam(), base);
    RegistryExport file;
    RegistryExportError error;
    ASSERT_TRUE(ReadRegistryExport(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                   &file, &error))
        << error.line;
    std::set<std::string> named;
    std::vector<std::string> read, imported;
    for (const RegistryExportKey& key : file.keys) {
        named.insert(key.path);
        if (key.values.empty()) read.push_back("[" + key.path + "]");
        for (const RegistryExportValue& v : key.values) {
            read.push_back(
                Line(key.path, v.name, v.type, std::string(v.data.begin(), v.data.end())));
        }
    }
    ConduitCase folder;
    WriteFileBytes(folder.root + "\\import.reg", bytes);
    ASSERT_EQ(RunProgram("regedit.exe /S \"" + folder.root + "\\import.reg\""), 0u);
    DumpRegistry(base, named, &imported);
    std::sort(read.begin(), read.end());
    std::sort(imported.begin(), imported.end());
    EXPECT_EQ(imported, read);
    RegDeleteTreeA(HKEY_CURRENT_USER, base.substr(sizeof kRoot - 1).c_str());
}

INSTANTIATE_TEST_SUITE_P(Regedit, ImportedFile, ::testing::ValuesIn(ReadCaseFile(EXPORT_CASES)),
                         [](const auto& info) {
                             return info.param.name.substr(0, info.param.name.find(' '));
                         });

TEST(CodePage, ConvertsAsWindowsDoes) {
    for (int byte = 0; byte < 256; ++byte) {
        const char in = static_cast<char>(byte);
        wchar_t unit = 0;
        MultiByteToWideChar(1252, 0, &in, 1, &unit, 1);
        EXPECT_EQ(Windows1252ToUnit(static_cast<uint8_t>(byte)), unit) << byte;
    }
    int differences = 0;
    for (int unit = 0; unit < 0x10000 && differences < 10; ++unit) {
        const wchar_t in = static_cast<wchar_t>(unit);
        char out = 0;
        WideCharToMultiByte(CP_ACP, 0, &in, 1, &out, 1, nullptr, nullptr);
        if (UnitToWindows1252(static_cast<char16_t>(unit)) != static_cast<uint8_t>(out)) {
            ADD_FAILURE() << "unit " << unit;
            ++differences;
        }
    }
}

}  // namespace
