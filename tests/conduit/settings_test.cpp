// The settings as LoadSettings reads them from the real registry, and as
// tessel-report reads them from the registry editor's export of the same key:
// cases in settings_cases.txt give the values of a key (any type, any
// length) and the fields that differ from the defaults afterwards; every
// other field keeps its default. Both readers must give the same record.
// What SaveSettings writes is in the dialog cases.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "case_file.h"
#include "conduit_host.h"
#include "palm/text.h"
#include "registry_export.h"
#include "settings.h"

namespace {

// Every field by its registry name, as text: numbers in decimal, a
// delimiter as its code, a column list as its slots joined by commas.
std::map<std::string, std::string> Fields(SettingsRecord& s) {
    std::map<std::string, std::string> f;
    const uint32_t* numbers[] = {&s.DeleteRecords,   &s.ShowSyncStatus,  &s.QuoteDateFields,
                                 &s.ReportTitle,     &s.FieldNames,      &s.SingleLineNotes,
                                 &s.SeparateReports, &s.SyncBackupMethod};
    const char* names[] = {"DeleteRecords",   "ShowSyncStatus",  "QuoteDateFields",
                           "ReportTitle",     "FieldNames",      "SingleLineNotes",
                           "SeparateReports", "SyncBackupMethod"};
    for (int i = 0; i < 8; ++i) f[names[i]] = std::to_string(*numbers[i]);
    f["DateFormat"] = std::to_string(s.DateFormat);
    f["FieldDelimiter"] = std::to_string(static_cast<unsigned char>(s.FieldDelimiter[0]));
    f["StringDelimiter"] = std::to_string(static_cast<unsigned char>(s.StringDelimiter[0]));
    f["Directory"] = s.Directory;
    f["ReportSeparator"] = s.ReportSeparator;
    for (int i = 0; i < kReportCount; ++i) {
        const std::string kind = ReportKindName(i);
        f[kind + "ReportFile"] = ReportFileSetting(s, i);
        f[kind + "ReportTitle"] = ReportTitleSetting(s, i);
        std::string columns;
        for (int slot = 0; slot < ColumnSlotCount(i); ++slot) {
            columns += (slot ? "," : "") + std::string(ColumnSlots(s, i)[slot]);
        }
        f[kind + "Columns"] = columns;
    }
    return f;
}

// A registry type by its name in the cases, or its number.
DWORD Type(const std::string& word) {
    const std::map<std::string, DWORD> types = {
        {"sz", REG_SZ},          {"expand", REG_EXPAND_SZ},
        {"multi", REG_MULTI_SZ}, {"binary", REG_BINARY},
        {"dword", REG_DWORD},    {"none", REG_NONE},
        {"qword", REG_QWORD},    {"bigendian", REG_DWORD_BIG_ENDIAN}};
    auto found = types.find(word);
    return found != types.end() ? found->second : static_cast<DWORD>(std::stoul(word));
}

class Settings : public ::testing::TestWithParam<FileCase> {};

// Commands: value NAME TYPE TEXT (the bytes as given), wide NAME TYPE TEXT
// (the UTF-8 text written as UTF-16, terminated), expect NAME TEXT.
TEST_P(Settings, LoadAsTheRegistryAndTheExportSayBoth) {
    ConduitCase c;
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, c.registryPath.c_str(), &key), ERROR_SUCCESS);
    SettingsRecord defaults = DefaultSettings();
    std::map<std::string, std::string> expected = Fields(defaults);
    for (const auto& command : GetParam().commands) {
        std::vector<Word> words;
        std::string error;
        ASSERT_TRUE(SplitWords(command.second, words, error, false)) << error;
        std::vector<std::string> w;
        for (const Word& word : words) w.push_back(word.text);
        if (w[0] == "value") {
            RegSetValueExA(key, w[1].c_str(), 0, Type(w[2]),
                           reinterpret_cast<const BYTE*>(w[3].data()),
                           static_cast<DWORD>(w[3].size()));
        } else if (w[0] == "wide") {
            std::wstring text(w[3].size() + 1, L'\0'), name(w[1].begin(), w[1].end());
            const int units =
                MultiByteToWideChar(CP_UTF8, 0, w[3].data(), static_cast<int>(w[3].size()),
                                    &text[0], static_cast<int>(text.size()));
            RegSetValueExW(key, name.c_str(), 0, Type(w[2]),
                           reinterpret_cast<const BYTE*>(text.data()),
                           static_cast<DWORD>((units + 1) * sizeof(wchar_t)));
        } else if (w[0] == "expect") {
            std::string value, error;
            expected[w[1]] = palm::Utf8ToCp1252(w[2], value, error) ? value : w[2];
        }
    }
    RegCloseKey(key);

    ConduitSettings = DefaultSettings();
    ASSERT_TRUE(LoadSettings(c.registryPath.c_str()));
    SettingsRecord fromRegistry = ConduitSettings;
    for (const auto& field : Fields(fromRegistry)) {
        EXPECT_EQ(field.second, expected[field.first]) << field.first;
    }

    const std::string path = c.root + "\\settings.reg";
    ASSERT_EQ(
        RunProgram("regedit.exe /E \"" + path + "\" \"HKEY_CURRENT_USER\\" + c.registryPath + "\""),
        0u);
    const std::string bytes = ReadFileBytes(path);
    RegistryExport file;
    RegistryExportError error;
    ASSERT_TRUE(ReadRegistryExport(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                   &file, &error))
        << RegistryExportFaultText(error.fault) << " in line " << error.line;
    ASSERT_NE(FindConduitKey(file), nullptr);
    SettingsRecord fromExport = DefaultSettings();
    ExportedKeySettings source(*FindConduitKey(file));
    ReadSettings(source, fromExport);
    EXPECT_EQ(Fields(fromExport), Fields(fromRegistry)) << "the export reads otherwise";
    EXPECT_EQ(std::memcmp(&fromExport, &fromRegistry, sizeof fromExport), 0);
}

INSTANTIATE_TEST_SUITE_P(Registry, Settings,
                         ::testing::ValuesIn(ReadCaseFile(BinFolder() + "\\settings_cases.txt")),
                         [](const auto& info) { return info.param.name; });

}  // namespace
