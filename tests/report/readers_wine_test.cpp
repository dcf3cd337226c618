// tessel-report's portable readers beside Windows under Wine: each file of
// reader_cases.txt imported by the registry editor and read by the export
// reader, or read by the profile functions and the profile reader; and the
// code page conversion is the platform's.
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
#include "profile_file.h"
#include "registry_export.h"
#include "windows_1252.h"

namespace {

const char kRoot[] = "HKEY_CURRENT_USER\\";

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

void CheckImport(const std::string& folder, const std::string& base, std::string bytes,
                 bool utf16) {
    std::string lower = base;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (size_t at; (at = bytes.find('$')) != std::string::npos;) {
        bytes.replace(at, 2, bytes[at + 1] == 'K' ? base : lower);
    }
    if (utf16) {
        std::u16string units;
        AppendUtf8Units(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &units);
        bytes = "\xFF\xFE";
        for (char16_t unit : units)
            bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, base.substr(sizeof kRoot - 1).c_str());
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
    WriteFileBytes(folder + "\\import.reg", bytes);
    ASSERT_EQ(RunProgram("regedit.exe /S \"" + folder + "\\import.reg\""), 0u);
    DumpRegistry(base, named, &imported);
    std::sort(read.begin(), read.end());
    std::sort(imported.begin(), imported.end());
    EXPECT_EQ(imported, read);
    RegDeleteTreeA(HKEY_CURRENT_USER, base.substr(sizeof kRoot - 1).c_str());
}

// q: SECTION SIZES DEFAULT KEY...
void CheckQuery(const ProfileFile& file, const std::string& path,
                const std::vector<std::string>& q) {
    std::istringstream sizes(q[1]);
    for (std::string number; std::getline(sizes, number, ',');) {
        for (size_t k = 3; k < q.size(); ++k) {
            SCOPED_TRACE("[" + q[0] + "] " + q[k] + " size " + number);
            const uint32_t size = static_cast<uint32_t>(std::stoul(number));
            std::string expected(size + 1, '#'), actual(size + 1, '#');
            const DWORD length = GetPrivateProfileStringA(q[0].c_str(), q[k].c_str(), q[2].c_str(),
                                                          &expected[0], size, path.c_str());
            EXPECT_EQ(file.GetString(q[0].c_str(), q[k].c_str(), q[2].c_str(), &actual[0], size),
                      length);
            EXPECT_EQ(actual.substr(0, length + 1), expected.substr(0, length + 1));
            EXPECT_EQ(file.GetInt(q[0].c_str(), q[k].c_str(), 99),
                      GetPrivateProfileIntA(q[0].c_str(), q[k].c_str(), 99, path.c_str()));
        }
    }
}

class Reader : public ::testing::TestWithParam<FileCase> {};

TEST_P(Reader, ReadsAsWindowsDoes) {
    std::string text, form;
    std::vector<std::vector<std::string>> queries;
    for (const auto& command : GetParam().commands) {
        std::vector<Word> w;
        std::string error;
        ASSERT_TRUE(SplitWords(command.second, w, error, false)) << error;
        if (w[0].text == "file") text += w[1].text;
        if (w[0].text == "regedit") form = w[1].text;
        if (w[0].text == "query") queries.push_back({});
        for (size_t i = 1; w[0].text == "query" && i < w.size(); ++i) {
            queries.back().push_back(w[i].text);
        }
    }
    ConduitCase c;
    if (!form.empty()) {
        CheckImport(c.root,
                    std::string(kRoot) + "Software\\Tessel Tests\\Export." + GetParam().name, text,
                    form == "utf16");
    }
    const std::string path = c.root + "\\profile.ini";
    WriteFileBytes(path, text);
    const ProfileFile file(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    for (const auto& q : queries) CheckQuery(file, path, q);
}

INSTANTIATE_TEST_SUITE_P(Wine, Reader, ::testing::ValuesIn(ReadCaseFile(READER_CASES)),
                         [](const auto& info) { return info.param.name; });

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
