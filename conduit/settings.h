// The conduit's per-user settings record. Each field bears the name of its
// registry value. Texts are zero-terminated Windows-1252 bytes in fixed buffers.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int kReportCount = 5;       // Task, Expense, Route, Contact, Memo
constexpr int kPathSize = 260;        // file and folder names
constexpr int kTitleSize = 80;        // report titles
constexpr int kSeparatorSize = 160;   // ReportSeparator
constexpr int kColumnNameSize = 20;   // one column name
constexpr int kColumnListSize = 256;  // a column list in the registry
constexpr int kMaxColumns = 12;

constexpr int kTaskColumnCount = 9;
constexpr int kExpenseColumnCount = 10;
constexpr int kRouteColumnCount = 12;
constexpr int kContactColumnCount = 8;
constexpr int kMemoColumnCount = 7;

struct SettingsRecord {
    uint32_t DeleteRecords;
    uint32_t ShowSyncStatus;
    uint32_t QuoteDateFields;
    uint32_t ReportTitle;
    uint32_t FieldNames;
    uint32_t SingleLineNotes;
    uint32_t SeparateReports;
    int32_t DateFormat;         // 0..8
    uint32_t SyncBackupMethod;  // 1 = only new and changed records
    char Directory[kPathSize];
    char ReportSeparator[kSeparatorSize];
    char FieldDelimiter[2];   // one character or empty
    char StringDelimiter[2];  // one character or empty
    char TaskReportFile[kPathSize];
    char ExpenseReportFile[kPathSize];
    char RouteReportFile[kPathSize];
    char ContactReportFile[kPathSize];
    char MemoReportFile[kPathSize];
    char TaskReportTitle[kTitleSize];
    char ExpenseReportTitle[kTitleSize];
    char RouteReportTitle[kTitleSize];
    char ContactReportTitle[kTitleSize];
    char MemoReportTitle[kTitleSize];
    char TaskColumns[kTaskColumnCount][kColumnNameSize];
    char ExpenseColumns[kExpenseColumnCount][kColumnNameSize];
    char RouteColumns[kRouteColumnCount][kColumnNameSize];
    char ContactColumns[kContactColumnCount][kColumnNameSize];
    char MemoColumns[kMemoColumnCount][kColumnNameSize];
};

// The conduit's one settings record.
extern SettingsRecord ConduitSettings;

// The record as the library starts with it.
SettingsRecord DefaultSettings();

// Per report index (Task, Expense, Route, Contact, Memo).
char* ReportFileSetting(SettingsRecord& settings, int index);
char* ReportTitleSetting(SettingsRecord& settings, int index);
char (*ColumnSlots(SettingsRecord& settings, int index))[kColumnNameSize];
int ColumnSlotCount(int index);
const char* ReportKindName(int index);  // "Task", "Expense", ... (registry value prefix)

// Splits a comma-separated column list the way a standard tokenizer does
// (runs of commas are one separator, no empty names) into the first
// slotCount slots, each name cut to 19 characters. Slots without a name in
// the list keep their contents. The list is read up to its terminator or
// kColumnListSize bytes, whichever comes first.
void SplitColumnList(const char* list, char (*slots)[kColumnNameSize], int slotCount);

// Reads the settings from source over the fields of settings, in load
// order: the numbers, Directory and ReportSeparator, the delimiters (their
// low 8 bits), the DateFormat clamp, the report file names, the titles and
// the column lists. A value that is missing or does not fit leaves its field
// as it was. Source reads values the way Registry does:
//   bool GetDword(const char* name, uint32_t* target);
//   bool GetString(const char* name, char* buffer, uint32_t size);
template <typename Source>
void ReadSettings(Source& source, SettingsRecord& s) {
    source.GetDword("DeleteRecords", &s.DeleteRecords);
    source.GetDword("ShowSyncStatus", &s.ShowSyncStatus);
    source.GetDword("QuoteDateFields", &s.QuoteDateFields);
    source.GetDword("ReportTitle", &s.ReportTitle);
    source.GetDword("FieldNames", &s.FieldNames);
    source.GetDword("SingleLineNotes", &s.SingleLineNotes);
    source.GetDword("SeparateReports", &s.SeparateReports);
    uint32_t dateFormat = static_cast<uint32_t>(s.DateFormat);
    if (source.GetDword("DateFormat", &dateFormat)) s.DateFormat = static_cast<int32_t>(dateFormat);
    source.GetDword("SyncBackupMethod", &s.SyncBackupMethod);
    source.GetString("Directory", s.Directory, sizeof s.Directory);
    source.GetString("ReportSeparator", s.ReportSeparator, sizeof s.ReportSeparator);
    uint32_t code = 0;
    if (source.GetDword("FieldDelimiter", &code))
        s.FieldDelimiter[0] = static_cast<char>(code & 0xFF);
    if (source.GetDword("StringDelimiter", &code)) {
        s.StringDelimiter[0] = static_cast<char>(code & 0xFF);
    }
    if (s.DateFormat < 0 || s.DateFormat > 8) s.DateFormat = 2;

    char name[64];
    for (int i = 0; i < kReportCount; ++i) {
        std::snprintf(name, sizeof name, "%sReportFile", ReportKindName(i));
        source.GetString(name, ReportFileSetting(s, i), kPathSize);
    }
    for (int i = 0; i < kReportCount; ++i) {
        std::snprintf(name, sizeof name, "%sReportTitle", ReportKindName(i));
        source.GetString(name, ReportTitleSetting(s, i), kTitleSize);
    }
    for (int i = 0; i < kReportCount; ++i) {
        std::snprintf(name, sizeof name, "%sColumns", ReportKindName(i));
        char list[kColumnListSize];
        if (source.GetString(name, list, sizeof list)) {
            SplitColumnList(list, ColumnSlots(s, i), ColumnSlotCount(i));
        }
    }
}

#ifdef _WIN32
// Fills ConduitSettings from HKEY_CURRENT_USER\registryPath with
// ReadSettings; values that are missing or do not fit keep their fields.
// False (nothing changed) when the key cannot be opened.
bool LoadSettings(const char* registryPath);
// Writes the eleven numeric settings into HKEY_CURRENT_USER\registryPath,
// creating the key. False when the key can be neither opened nor created.
bool SaveSettings(const char* registryPath);
#endif
