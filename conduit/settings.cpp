#include "settings.h"

#include <cstring>

#ifdef _WIN32
#include "registry.h"
#endif

namespace {

void CopyText(char* target, size_t size, const char* text) {
    std::strncpy(target, text, size - 1);
    target[size - 1] = '\0';
}

template <size_t N>
void SetColumns(char (*slots)[kColumnNameSize], const char* const (&names)[N]) {
    for (size_t i = 0; i < N; ++i) CopyText(slots[i], kColumnNameSize, names[i]);
}

const char* const kTaskDefaults[kTaskColumnCount] = {"PilotID",   "UserID",  "Datum",
                                                     "Kunde",     "Projekt", "T\344tigkeit",
                                                     "Startzeit", "Dauer",   "Bemerkungen"};
const char* const kExpenseDefaults[kExpenseColumnCount] = {
    "PilotID",    "UserID", "Datum",  "Kunde",  "Projekt",
    "Verwendung", "Menge",  "Einzel", "Gesamt", "Bemerkungen"};
const char* const kRouteDefaults[kRouteColumnCount] = {
    "PilotID", "UserID",  "Datum",      "Kunde",      "Projekt",       "T\344tigkeit",
    "Abfahrt", "Ankunft", "Abfahrt_KM", "Ankunft_KM", "Entfernung_KM", "Bemerkungen"};
const char* const kContactDefaults[kContactColumnCount] = {
    "PilotID", "UserID", "Datum", "Kunde", "Projekt", "Thema", "Name", "Bemerkungen"};
const char* const kMemoDefaults[kMemoColumnCount] = {"PilotID", "UserID", "Datum",      "Kunde",
                                                     "Projekt", "Thema",  "Bemerkungen"};

}  // namespace

SettingsRecord DefaultSettings() {
    SettingsRecord s;
    std::memset(&s, 0, sizeof s);
    s.DeleteRecords = 0;
    s.ShowSyncStatus = 1;
    s.QuoteDateFields = 1;
    s.ReportTitle = 1;
    s.FieldNames = 1;
    s.SingleLineNotes = 1;
    s.SeparateReports = 1;
    s.DateFormat = 2;
    s.SyncBackupMethod = 0;
    s.FieldDelimiter[0] = '\t';
    CopyText(s.TaskReportFile, kPathSize, "Ledgerly Arbeitszeiten.txt");
    CopyText(s.ExpenseReportFile, kPathSize, "Ledgerly Ausgaben.txt");
    CopyText(s.RouteReportFile, kPathSize, "Ledgarly Fahrten.txt");
    CopyText(s.ContactReportFile, kPathSize, "Ledgerly Kontakte.txt");
    CopyText(s.MemoReportFile, kPathSize, "Ledgerly Notizen.txt");
    CopyText(s.TaskReportTitle, kTitleSize, "*** Ledgerly Arbeitszeiten Tabelle ***");
    CopyText(s.ExpenseReportTitle, kTitleSize, "*** Ledgerly Ausgaben Tabelle ***");
    CopyText(s.RouteReportTitle, kTitleSize, "*** Ledgerly Fahrten Tabelle ***");
    CopyText(s.ContactReportTitle, kTitleSize, "*** Ledgerly Kontakt Tabelle ***");
    CopyText(s.MemoReportTitle, kTitleSize, "*** Ledgerly Notiz Tabelle ***");
    SetColumns(s.TaskColumns, kTaskDefaults);
    SetColumns(s.ExpenseColumns, kExpenseDefaults);
    SetColumns(s.RouteColumns, kRouteDefaults);
    SetColumns(s.ContactColumns, kContactDefaults);
    SetColumns(s.MemoColumns, kMemoDefaults);
    return s;
}

SettingsRecord ConduitSettings = DefaultSettings();

char* ReportFileSetting(SettingsRecord& s, int index) {
    switch (index) {
        case 0:
            return s.TaskReportFile;
        case 1:
            return s.ExpenseReportFile;
        case 2:
            return s.RouteReportFile;
        case 3:
            return s.ContactReportFile;
        default:
            return s.MemoReportFile;
    }
}

char* ReportTitleSetting(SettingsRecord& s, int index) {
    switch (index) {
        case 0:
            return s.TaskReportTitle;
        case 1:
            return s.ExpenseReportTitle;
        case 2:
            return s.RouteReportTitle;
        case 3:
            return s.ContactReportTitle;
        default:
            return s.MemoReportTitle;
    }
}

char (*ColumnSlots(SettingsRecord& s, int index))[kColumnNameSize] {
    switch (index) {
        case 0:
            return s.TaskColumns;
        case 1:
            return s.ExpenseColumns;
        case 2:
            return s.RouteColumns;
        case 3:
            return s.ContactColumns;
        default:
            return s.MemoColumns;
    }
}

int ColumnSlotCount(int index) {
    static const int counts[kReportCount] = {kTaskColumnCount, kExpenseColumnCount,
                                             kRouteColumnCount, kContactColumnCount,
                                             kMemoColumnCount};
    return counts[index >= 0 && index < kReportCount ? index : kReportCount - 1];
}

const char* ReportKindName(int index) {
    static const char* const names[kReportCount] = {"Task", "Expense", "Route", "Contact", "Memo"};
    return names[index >= 0 && index < kReportCount ? index : kReportCount - 1];
}

void SplitColumnList(const char* list, char (*slots)[kColumnNameSize], int slotCount) {
    size_t length = 0;
    while (length < kColumnListSize && list[length] != '\0') ++length;
    int slot = 0;
    size_t pos = 0;
    while (pos < length && slot < slotCount) {
        while (pos < length && list[pos] == ',') ++pos;
        if (pos == length) break;
        size_t start = pos;
        while (pos < length && list[pos] != ',') ++pos;
        size_t nameLength = pos - start;
        if (nameLength > kColumnNameSize - 1) nameLength = kColumnNameSize - 1;
        std::memcpy(slots[slot], list + start, nameLength);
        slots[slot][nameLength] = '\0';
        ++slot;
    }
}

#ifdef _WIN32

bool LoadSettings(const char* registryPath) {
    Registry key;
    if (!key.Open(registryPath, RegistryCurrentUser)) return false;
    ReadSettings(key, ConduitSettings);
    return true;
}

bool SaveSettings(const char* registryPath) {
    Registry key;
    if (!key.Create(registryPath, RegistryCurrentUser)) return false;
    const SettingsRecord& s = ConduitSettings;
    key.SetDword("DeleteRecords", s.DeleteRecords);
    key.SetDword("ShowSyncStatus", s.ShowSyncStatus);
    key.SetDword("QuoteDateFields", s.QuoteDateFields);
    key.SetDword("ReportTitle", s.ReportTitle);
    key.SetDword("FieldNames", s.FieldNames);
    key.SetDword("SingleLineNotes", s.SingleLineNotes);
    key.SetDword("SeparateReports", s.SeparateReports);
    key.SetDword("FieldDelimiter", static_cast<uint8_t>(s.FieldDelimiter[0]));
    key.SetDword("StringDelimiter", static_cast<uint8_t>(s.StringDelimiter[0]));
    key.SetDword("DateFormat", static_cast<uint32_t>(s.DateFormat));
    key.SetDword("SyncBackupMethod", s.SyncBackupMethod);
    return true;
}

#endif
