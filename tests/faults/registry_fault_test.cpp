// Registry values of the wrong type, of every length around each buffer size,
// with and without terminators: LoadSettings takes what fits and leaves every
// other field as it was; whole runs over such values stay sound.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "conduit_host.h"

#include "settings.h"

namespace {

const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_NONE};

// Text of `length` characters, Windows-1252 letters included.
std::string Pattern(size_t length) {
    static const char kAlphabet[] = "abcdefghij\344\366\374\337KLMNOP qrstuvwxyz";
    std::string text;
    for (size_t i = 0; i < length; ++i) text += kAlphabet[i % (sizeof kAlphabet - 1)];
    return text;
}

struct TextSetting {
    std::string name;
    size_t offset;  // of the field in SettingsRecord
    size_t size;
};

std::vector<TextSetting> TextSettings() {
    std::vector<TextSetting> all = {
        {"Directory", offsetof(SettingsRecord, Directory), kPathSize},
        {"ReportSeparator", offsetof(SettingsRecord, ReportSeparator), kSeparatorSize}};
    SettingsRecord s{};
    const char* base = reinterpret_cast<const char*>(&s);
    for (int i = 0; i < kReportCount; ++i) {
        all.push_back({std::string(ReportKindName(i)) + "ReportFile",
                       static_cast<size_t>(ReportFileSetting(s, i) - base), kPathSize});
        all.push_back({std::string(ReportKindName(i)) + "ReportTitle",
                       static_cast<size_t>(ReportTitleSetting(s, i) - base), kTitleSize});
    }
    return all;
}

struct NumberSetting {
    const char* name;
    size_t offset;
    enum Kind { Flag, DateFormat, Delimiter } kind;
};

const NumberSetting kNumbers[] = {
    {"DeleteRecords", offsetof(SettingsRecord, DeleteRecords), NumberSetting::Flag},
    {"ShowSyncStatus", offsetof(SettingsRecord, ShowSyncStatus), NumberSetting::Flag},
    {"QuoteDateFields", offsetof(SettingsRecord, QuoteDateFields), NumberSetting::Flag},
    {"ReportTitle", offsetof(SettingsRecord, ReportTitle), NumberSetting::Flag},
    {"FieldNames", offsetof(SettingsRecord, FieldNames), NumberSetting::Flag},
    {"SingleLineNotes", offsetof(SettingsRecord, SingleLineNotes), NumberSetting::Flag},
    {"SeparateReports", offsetof(SettingsRecord, SeparateReports), NumberSetting::Flag},
    {"DateFormat", offsetof(SettingsRecord, DateFormat), NumberSetting::DateFormat},
    {"SyncBackupMethod", offsetof(SettingsRecord, SyncBackupMethod), NumberSetting::Flag},
    {"FieldDelimiter", offsetof(SettingsRecord, FieldDelimiter), NumberSetting::Delimiter},
    {"StringDelimiter", offsetof(SettingsRecord, StringDelimiter), NumberSetting::Delimiter},
};

class RegistryFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = "Software\\Tessel Tests\\" + TestName();
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path_.c_str(), &key_), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    }
    void Set(const std::string& name, DWORD type, const std::string& bytes) {
        ASSERT_EQ(
            RegSetValueExA(key_, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
    }
    void Remove(const std::string& name) { RegDeleteValueA(key_, name.c_str()); }

    // Loads from a key that holds one value; the whole record must equal
    // `expected` afterwards.
    void ExpectLoad(const SettingsRecord& expected) {
        ASSERT_TRUE(LoadSettings(path_.c_str()));
        EXPECT_EQ(std::memcmp(&ConduitSettings, &expected, sizeof expected), 0);
    }

    std::string path_;
    HKEY key_ = nullptr;
};

TEST_F(RegistryFaultTest, TextsOfEveryLengthAndType) {
    for (const TextSetting& setting : TextSettings()) {
        for (size_t length = setting.size - 2; length <= setting.size + 2; ++length) {
            for (DWORD type : kTypes) {
                for (bool terminated : {true, false}) {
                    SCOPED_TRACE(setting.name + ", " + std::to_string(length) +
                                 " characters, type " + std::to_string(type) +
                                 (terminated ? "" : ", no terminator"));
                    const std::string text = Pattern(length);
                    Set(setting.name, type, terminated ? text + '\0' : text);
                    ConduitSettings = DefaultSettings();
                    SettingsRecord expected = DefaultSettings();
                    if (length < setting.size) {
                        char* field = reinterpret_cast<char*>(&expected) + setting.offset;
                        std::memcpy(field, text.c_str(), length + 1);
                    }
                    ExpectLoad(expected);
                }
            }
        }
        Remove(setting.name);
    }
}

TEST_F(RegistryFaultTest, ColumnListsOfEveryLengthAndType) {
    for (int kind = 0; kind < kReportCount; ++kind) {
        const std::string name = std::string(ReportKindName(kind)) + "Columns";
        for (size_t length = kColumnListSize - 2; length <= kColumnListSize + 2; ++length) {
            for (DWORD type : kTypes) {
                for (bool terminated : {true, false}) {
                    SCOPED_TRACE(name + ", " + std::to_string(length) + " characters, type " +
                                 std::to_string(type) + (terminated ? "" : ", no terminator"));
                    // Names of 25 characters: each is cut to 19.
                    std::string list;
                    while (list.size() < length) list += list.size() % 26 == 25 ? ',' : 'n';
                    Set(name, type, terminated ? list + '\0' : list);
                    ConduitSettings = DefaultSettings();
                    SettingsRecord expected = DefaultSettings();
                    if (length < kColumnListSize) {
                        SplitColumnList(list.c_str(), ColumnSlots(expected, kind),
                                        ColumnSlotCount(kind));
                        EXPECT_EQ(std::string(ColumnSlots(expected, kind)[0]),
                                  std::string(19, 'n'));
                    }
                    ExpectLoad(expected);
                }
            }
        }
        Remove(name);
    }
}

TEST_F(RegistryFaultTest, NumbersOfEveryLengthAndType) {
    const std::string bytes = "\003\042\063\104\125";
    for (const NumberSetting& setting : kNumbers) {
        for (size_t length = 0; length <= 5; ++length) {
            for (DWORD type : kTypes) {
                SCOPED_TRACE(std::string(setting.name) + ", " + std::to_string(length) +
                             " bytes, type " + std::to_string(type));
                Set(setting.name, type, bytes.substr(0, length));
                ConduitSettings = DefaultSettings();
                SettingsRecord expected = DefaultSettings();
                if (length <= 4) {
                    uint32_t value = 0;
                    for (size_t i = 0; i < length; ++i) {
                        value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << (8 * i);
                    }
                    char* field = reinterpret_cast<char*>(&expected) + setting.offset;
                    if (setting.kind == NumberSetting::Delimiter) {
                        field[0] = static_cast<char>(value & 0xFF);
                    } else if (setting.kind == NumberSetting::DateFormat) {
                        const int32_t format = value <= 8 ? static_cast<int32_t>(value) : 2;
                        std::memcpy(field, &format, 4);
                    } else {
                        std::memcpy(field, &value, 4);
                    }
                }
                if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
                    // The platform converts texts on the way: a number stored
                    // as one is either read from its first bytes or not at all.
                    ASSERT_TRUE(LoadSettings(path_.c_str()));
                    const SettingsRecord defaults = DefaultSettings();
                    const bool same =
                        std::memcmp(&ConduitSettings, &defaults, sizeof defaults) == 0;
                    const bool read =
                        std::memcmp(&ConduitSettings, &expected, sizeof expected) == 0;
                    EXPECT_TRUE(same || read);
                    if (length > 4) {
                        // Read at all, then only as the first four bytes.
                        SettingsRecord first4 = DefaultSettings();
                        uint32_t value = 0;
                        std::memcpy(&value, bytes.data(), 4);
                        char* field = reinterpret_cast<char*>(&first4) + setting.offset;
                        if (setting.kind == NumberSetting::Delimiter) {
                            field[0] = static_cast<char>(value & 0xFF);
                        } else if (setting.kind == NumberSetting::Flag) {
                            std::memcpy(field, &value, 4);
                        }
                        EXPECT_TRUE(same ||
                                    std::memcmp(&ConduitSettings, &first4, sizeof first4) == 0);
                    }
                } else {
                    ExpectLoad(expected);
                }
            }
        }
        Remove(setting.name);
    }
}

// Whole runs over settings that do not fit: the report is written with the
// fields as they were.
TEST(RegistryRunTest, ValuesThatDoNotFitLeaveTheReportAsByDefault) {
    ConduitCase c;
    c.CopyExampleHandheld();
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, c.registryPath.c_str(), &key), ERROR_SUCCESS);
    auto set = [key](const char* name, DWORD type, const std::string& bytes) {
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    };
    set("TaskReportTitle", REG_BINARY, Pattern(kTitleSize));
    set("TaskColumns", REG_SZ, Pattern(kColumnListSize) + '\0');
    set("ReportSeparator", REG_MULTI_SZ, Pattern(kSeparatorSize));
    set("FieldDelimiter", REG_BINARY, std::string("\073\0\0\0\0", 5));
    set("DeleteRecords", REG_BINARY, std::string("\001\0\0\0\0", 5));
    set("ExpenseReportTitle", REG_BINARY, Pattern(kTitleSize - 1));
    RegCloseKey(key);
    LoadedConduit conduit(c.conduitPath);
    ASSERT_TRUE(conduit.ok());
    SyncRun run = conduit.Sync(c);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(LogHas(run.log, kWarn));  // DeleteRecords stayed 0
    const std::string tasks = c.ReadReport(kFiles[0]);
    EXPECT_EQ(
        tasks.rfind("*** Ledgerly Arbeitszeiten Tabelle ***\r\n\r\nPilotID\tUserID\tDatum\t", 0),
        0u)
        << tasks;
    EXPECT_EQ(c.ReadReport(kFiles[1]).rfind(Pattern(kTitleSize - 1) + "\r\n", 0), 0u);
    EXPECT_EQ(c.ReadDatabase("Ledgerly_DB").records.size(), 8u);
}

// A report file name that fills its buffer without a terminator is refused
// whole; nothing is opened under a cut name.
TEST(RegistryRunTest, UnterminatedFileNameIsNotCut) {
    ConduitCase c;
    c.CopyExampleHandheld();
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, c.registryPath.c_str(), &key), ERROR_SUCCESS);
    const std::string name = Pattern(kPathSize);
    RegSetValueExA(key, "MemoReportFile", 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>(name.data()), kPathSize);
    RegCloseKey(key);
    LoadedConduit conduit(c.conduitPath);
    ASSERT_TRUE(conduit.ok());
    SyncRun run = conduit.Sync(c);
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(c.ReportExists(kFiles[4]));  // the default name stayed
}

}  // namespace
