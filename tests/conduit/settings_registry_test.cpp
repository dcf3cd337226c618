// Settings and the Registry class against the real registry (under Wine).
// Every test works in a key of its own below HKCU\Software\Tessel Tests.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "registry.h"
#include "settings.h"

namespace {

std::string TestKey() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("Software\\Tessel Tests\\") + info->test_suite_name() + "." + info->name();
}

class RegistryFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = TestKey();
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path_.c_str(), &key_), ERROR_SUCCESS);
        ConduitSettings = DefaultSettings();
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    }
    void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void SetDword(const char* name, DWORD value) { SetRaw(name, REG_DWORD, &value, 4); }
    void SetText(const char* name, const std::string& text) {
        SetRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    bool Query(const char* name, DWORD* type, std::string* data) {
        char buffer[1024];
        DWORD size = sizeof buffer;
        if (RegQueryValueExA(key_, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS) {
            return false;
        }
        data->assign(buffer, size);
        return true;
    }
    std::string path_;
    HKEY key_ = nullptr;
};

// --- Registry ---------------------------------------------------------------

using RegistryTest = RegistryFixture;

TEST_F(RegistryTest, InvalidRootSelectorHoldsNoKey) {
    Registry registry;
    EXPECT_FALSE(registry.Open(path_.c_str(), 6));
    EXPECT_FALSE(registry.IsOpen());
    EXPECT_FALSE(registry.Create(path_.c_str(), -1));
    EXPECT_FALSE(registry.IsOpen());
}

TEST_F(RegistryTest, FailedOpenReleasesTheHeldKey) {
    Registry registry;
    ASSERT_TRUE(registry.Open(path_.c_str(), RegistryCurrentUser));
    EXPECT_TRUE(registry.IsOpen());
    EXPECT_FALSE(registry.Open((path_ + "\\missing").c_str(), RegistryCurrentUser));
    EXPECT_FALSE(registry.IsOpen());
    uint32_t value = 7;
    EXPECT_FALSE(registry.GetDword("anything", &value));
    EXPECT_EQ(value, 7u);
    EXPECT_FALSE(registry.DeleteKey("anything"));
}

TEST_F(RegistryTest, MissingValuesLeaveTheirTargets) {
    Registry registry;
    ASSERT_TRUE(registry.Open(path_.c_str(), RegistryCurrentUser));
    char buffer[16] = "previous";
    EXPECT_FALSE(registry.GetString("missing", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "previous");
    uint32_t value = 42;
    EXPECT_FALSE(registry.GetDword("missing", &value));
    EXPECT_EQ(value, 42u);
}

TEST_F(RegistryTest, StringsMustFitWithTheirTerminator) {
    SetText("fits", "1234567");  // 7 characters and terminator: 8 bytes
    SetText("long", "12345678");
    SetRaw("unterminated", REG_BINARY, "abcdefgh", 8);
    SetRaw("short", REG_BINARY, "abc", 3);
    Registry registry;
    ASSERT_TRUE(registry.Open(path_.c_str(), RegistryCurrentUser));
    char buffer[8];
    std::memcpy(buffer, "-------", 8);
    EXPECT_TRUE(registry.GetString("fits", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "1234567");
    std::memcpy(buffer, "-------", 8);
    EXPECT_FALSE(registry.GetString("long", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "-------");
    // Eight bytes without a terminator fill the buffer: too long.
    EXPECT_FALSE(registry.GetString("unterminated", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "-------");
    // Fewer bytes without a terminator are terminated inside the buffer.
    EXPECT_TRUE(registry.GetString("short", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "abc");
}

TEST_F(RegistryTest, DwordsAreRawBytesOfAnyType) {
    SetRaw("two", REG_BINARY, "\064\022", 2);
    SetRaw("eight", REG_BINARY, "12345678", 8);
    SetText("text", "ab");  // 'a' 'b' 0: three bytes
    Registry registry;
    ASSERT_TRUE(registry.Open(path_.c_str(), RegistryCurrentUser));
    uint32_t value = 0xFFFFFFFF;
    EXPECT_TRUE(registry.GetDword("two", &value));
    EXPECT_EQ(value, 0x1234u);
    EXPECT_TRUE(registry.GetDword("text", &value));
    EXPECT_EQ(value, 0x6261u);
    value = 5;
    EXPECT_FALSE(registry.GetDword("eight", &value));
    EXPECT_EQ(value, 5u);
}

TEST_F(RegistryTest, WritesAndEnumeration) {
    Registry registry;
    ASSERT_TRUE(registry.Open(path_.c_str(), RegistryCurrentUser));
    EXPECT_TRUE(registry.SetString("empty", ""));
    EXPECT_TRUE(registry.SetDword("number", 0x01020304));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(Query("empty", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string(1, '\0'));
    ASSERT_TRUE(Query("number", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data, std::string("\004\003\002\001", 4));

    Registry child;
    ASSERT_TRUE(child.Create("Sub\\Deeper", registry));
    child.Close();
    char name[32];
    EXPECT_TRUE(registry.EnumKey(0, name, sizeof name));
    EXPECT_STREQ(name, "Sub");
    EXPECT_FALSE(registry.EnumKey(1, name, sizeof name));
    EXPECT_TRUE(child.Open("Sub", registry));
    EXPECT_TRUE(child.DeleteKey("Deeper"));
    EXPECT_FALSE(child.DeleteKey("Deeper"));
}

// --- Settings ---------------------------------------------------------------

using SettingsTest = RegistryFixture;

TEST_F(SettingsTest, MissingKeyChangesNothing) {
    ConduitSettings.DeleteRecords = 77;
    EXPECT_FALSE(LoadSettings((path_ + "\\missing").c_str()));
    EXPECT_EQ(ConduitSettings.DeleteRecords, 77u);
}

TEST_F(SettingsTest, EmptyKeyKeepsEveryField) {
    SettingsRecord before = DefaultSettings();
    ASSERT_TRUE(LoadSettings(path_.c_str()));
    EXPECT_EQ(std::memcmp(&before, &ConduitSettings, sizeof before), 0);
}

TEST_F(SettingsTest, DateFormatOutsideItsRangeBecomesTheDefault) {
    const struct {
        DWORD stored;
        int32_t loaded;
    } cases[] = {{9, 2}, {0xFFFFFFFF, 2}, {0x7FFFFFFF, 2}, {8, 8}, {0, 0}};
    for (const auto& c : cases) {
        SetDword("DateFormat", c.stored);
        ConduitSettings = DefaultSettings();
        ASSERT_TRUE(LoadSettings(path_.c_str()));
        EXPECT_EQ(ConduitSettings.DateFormat, c.loaded) << c.stored;
    }
}

TEST_F(SettingsTest, DelimitersTakeTheLowByte) {
    const struct {
        DWORD stored;
        const char* loaded;
    } cases[] = {{59, ";"}, {300, ","}, {0, ""}, {256, ""}, {34, "\""}};
    for (const auto& c : cases) {
        SetDword("FieldDelimiter", c.stored);
        SetDword("StringDelimiter", c.stored);
        ConduitSettings = DefaultSettings();
        ASSERT_TRUE(LoadSettings(path_.c_str()));
        EXPECT_STREQ(ConduitSettings.FieldDelimiter, c.loaded) << c.stored;
        EXPECT_STREQ(ConduitSettings.StringDelimiter, c.loaded) << c.stored;
    }
}

TEST_F(SettingsTest, ColumnListsFillSlotsFromTheFront) {
    SetText("TaskColumns", "Pilot,,User");
    SetText("ExpenseColumns", ",A_very_long_column_name_25,");
    std::string fifteen;
    for (int i = 1; i <= 15; ++i)
        fifteen += (i > 1 ? "," : "") + std::string("R") + std::to_string(i);
    SetText("RouteColumns", fifteen);
    SetText("ContactColumns", std::string(256, 'x'));  // longer than 255: unreadable
    SetText("MemoColumns", " a b , c");
    ASSERT_TRUE(LoadSettings(path_.c_str()));
    const SettingsRecord& s = ConduitSettings;
    EXPECT_STREQ(s.TaskColumns[0], "Pilot");
    EXPECT_STREQ(s.TaskColumns[1], "User");
    EXPECT_STREQ(s.TaskColumns[2], "Datum");
    EXPECT_STREQ(s.TaskColumns[8], "Bemerkungen");
    EXPECT_STREQ(s.ExpenseColumns[0], "A_very_long_column_");
    EXPECT_STREQ(s.ExpenseColumns[1], "UserID");
    EXPECT_STREQ(s.RouteColumns[0], "R1");
    EXPECT_STREQ(s.RouteColumns[11], "R12");
    EXPECT_STREQ(s.ContactColumns[0], "PilotID");
    EXPECT_STREQ(s.ContactColumns[7], "Bemerkungen");
    EXPECT_STREQ(s.MemoColumns[0], " a b ");
    EXPECT_STREQ(s.MemoColumns[1], " c");
    EXPECT_STREQ(s.MemoColumns[2], "Datum");
}

TEST_F(SettingsTest, TextsThatDoNotFitKeepTheirFields) {
    SetText("TaskReportTitle", std::string(79, 't'));
    SetText("ExpenseReportTitle", std::string(80, 'e'));
    SetText("ReportSeparator", std::string(160, '-'));
    SetText("Directory", "Tessel");
    SetText("MemoReportFile", "");
    ASSERT_TRUE(LoadSettings(path_.c_str()));
    EXPECT_EQ(std::string(ConduitSettings.TaskReportTitle), std::string(79, 't'));
    EXPECT_STREQ(ConduitSettings.ExpenseReportTitle, "*** Ledgerly Ausgaben Tabelle ***");
    EXPECT_STREQ(ConduitSettings.ReportSeparator, "");
    EXPECT_STREQ(ConduitSettings.Directory, "Tessel");
    EXPECT_STREQ(ConduitSettings.MemoReportFile, "");
}

TEST_F(SettingsTest, SaveWritesElevenDwordsAndLeavesStrings) {
    SetText("TaskReportFile", "mine.txt");
    SetText("Directory", "Data");
    ConduitSettings.DeleteRecords = 1;
    ConduitSettings.StringDelimiter[0] = '\0';
    ConduitSettings.FieldDelimiter[0] = '\344';
    ConduitSettings.DateFormat = 6;
    ASSERT_TRUE(SaveSettings(path_.c_str()));
    const char* names[] = {"DeleteRecords",   "ShowSyncStatus",  "QuoteDateFields",
                           "ReportTitle",     "FieldNames",      "SingleLineNotes",
                           "SeparateReports", "FieldDelimiter",  "StringDelimiter",
                           "DateFormat",      "SyncBackupMethod"};
    DWORD count = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(count, 13u);
    for (const char* name : names) {
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(Query(name, &type, &data)) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
    }
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(Query("FieldDelimiter", &type, &data));
    EXPECT_EQ(data, std::string("\344\0\0\0", 4));
    ASSERT_TRUE(Query("StringDelimiter", &type, &data));
    EXPECT_EQ(data, std::string(4, '\0'));
    ASSERT_TRUE(Query("TaskReportFile", &type, &data));
    EXPECT_EQ(data, std::string("mine.txt", 9));

    ConduitSettings = DefaultSettings();
    ConduitSettings.StringDelimiter[0] = '"';
    ASSERT_TRUE(LoadSettings(path_.c_str()));
    EXPECT_STREQ(ConduitSettings.StringDelimiter, "");
    EXPECT_STREQ(ConduitSettings.FieldDelimiter, "\344");
    EXPECT_EQ(ConduitSettings.DeleteRecords, 1u);
    EXPECT_EQ(ConduitSettings.DateFormat, 6);
    EXPECT_STREQ(ConduitSettings.TaskReportFile, "mine.txt");
}

}  // namespace
