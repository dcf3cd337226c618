// The conduit's per-user settings record. Each field bears the name of its
// registry value. Texts are zero-terminated Windows-1252 bytes in fixed buffers.
#pragma once

#include <cstdint>

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

#ifdef _WIN32
// Fills ConduitSettings from HKEY_CURRENT_USER\registryPath; values that are
// missing or do not fit keep their fields. False (nothing changed) when the
// key cannot be opened.
bool LoadSettings(const char* registryPath);
// Writes the eleven numeric settings into HKEY_CURRENT_USER\registryPath,
// creating the key. False when the key can be neither opened nor created.
bool SaveSettings(const char* registryPath);
#endif
