#include "session.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "entry.h"
#include "messages.h"
#include "properties.h"
#include "records.h"
#include "report_files.h"
#include "settings.h"
#include "status_window.h"

char pilotId[kIdSize];
char userId[kIdSize];

namespace {

constexpr size_t kLogLineSize = 4096;
constexpr size_t kStatusLineSize = 128;
constexpr size_t kRecordBufferBytes = 1024;
constexpr const char* kMainDatabase = "Ledgerly_DB";

bool logHeaderWritten = false;

void WriteHeader() {
    if (!logHeaderWritten) {
        LogAddEntry("", kLogActivityStart, 0);
        LogAddEntry(kConduitName, kLogActivityText, 0);
        logHeaderWritten = true;
    }
}

// Appends text to line (bounded), turning "%%" into "%" when percent is set.
size_t AppendText(char* line, size_t used, const char* text, bool percent) {
    for (const char* p = text; *p != '\0' && used < kLogLineSize - 1; ++p) {
        if (percent && p[0] == '%' && p[1] == '%') ++p;
        line[used++] = *p;
    }
    line[used] = '\0';
    return used;
}

}  // namespace

void ResetLogHeader() { logHeaderWritten = false; }

void LogMessage(const char* text) {
    WriteHeader();
    char line[kLogLineSize];
    AppendText(line, 0, text != nullptr ? text : "", true);
    LogAddEntry(line, kLogActivityText, 0);
}

void LogMessage(const char* format, const char* argument) {
    WriteHeader();
    char line[kLogLineSize];
    size_t used = 0;
    line[0] = '\0';
    bool argumentUsed = false;
    for (const char* p = format != nullptr ? format : ""; *p != '\0' && used < kLogLineSize - 1;
         ++p) {
        if (p[0] == '%' && p[1] == 's' && !argumentUsed) {
            used = AppendText(line, used, argument != nullptr ? argument : "", false);
            argumentUsed = true;
            ++p;
            continue;
        }
        if (p[0] == '%' && p[1] == '%') ++p;
        line[used++] = *p;
        line[used] = '\0';
    }
    LogAddEntry(line, kLogActivityText, 0);
}

void LogFinish() {
    if (!logHeaderWritten) {
        LogAddEntry("", kLogActivityStart, 0);
        LogAddEntry(kConduitName, kLogActivityText, 0);
    }
    LogAddEntry("", kLogActivityFinish, 0);
}

void LogAbort() {
    if (!logHeaderWritten) {
        LogAddEntry("", kLogActivityStart, 0);
        LogAddEntry(kConduitName, kLogActivityAbort, 0);
    } else {
        LogAddEntry("", kLogActivityAbort, 0);
    }
}

namespace {

// Copies the HotSync user name: as many characters as its length says (at
// most 63), stopping at a zero byte.
void CopyUserName(const CUserIDInfo& user) {
    int32_t length = user.userNameLength;
    if (length < 0) length = 0;
    if (length > kIdSize - 1) length = kIdSize - 1;
    std::memset(pilotId, 0, sizeof pilotId);
    for (int32_t i = 0; i < length && user.userName[i] != '\0'; ++i) pilotId[i] = user.userName[i];
    pilotId[length] = '\0';
}

void CopyUserId() {
    const char* uid = handheldProperties.Get("UID");
    std::snprintf(userId, sizeof userId, "%s", uid != nullptr ? uid : "");
}

void ShowProgress(ProgressFn progress, const char* text) {
    if (progress == nullptr) return;
    // The host gets a copy: it never reaches into the message table.
    char copy[kLogLineSize];
    std::snprintf(copy, sizeof copy, "%s", text);
    progress(copy);
}

void ShowRemaining(HWND status, unsigned remaining) {
    if (status == nullptr) return;
    char text[kStatusLineSize];
    std::snprintf(text, sizeof text, "%s #%u", Msg(msgSyncRemaining), remaining);
    SetSyncStatusText(status, text);
}

// Steps from the open report files to their closing. Returns the success flag.
bool CopyRecords(ProgressFn progress, HWND status) {
    if (!OpenReportFiles(dataDirectory)) {
        LogMessage(Msg(msgErrOpenDataFiles));
        return false;
    }
    uint8_t database = 0;
    if (SyncOpenDB(kMainDatabase, 0, &database, kOpenModeReadWriteExclusive) != 0) {
        LogMessage(Msg(msgErrSyncOpenDB));
        CloseReportFiles();
        return false;
    }
    ShowProgress(progress, Msg(msgBackupEntries));

    // One more byte than the Sync Manager is told of: a record always ends
    // inside the buffer.
    char* recordBuffer = new (std::nothrow) char[kRecordBufferBytes + 1];
    uint16_t count = 0;
    // Without a count nothing would be read, and the marks of every record
    // would be reset: a failed count fails the pass.
    bool success = SyncGetDBRecordCount(database, &count) == 0;
    if (success && recordBuffer == nullptr) {
        LogMessage(Msg(msgAddEntryFailed));
        success = false;
    }
    const bool modifiedOnly = ConduitSettings.SyncBackupMethod == 1;
    const bool deleting = ConduitSettings.DeleteRecords != 0;
    uint16_t index = 0;

    while (success && index < count) {
        ShowRemaining(status, static_cast<unsigned>(count - index));
        CRawRecordInfo record;
        std::memset(&record, 0, sizeof record);
        record.fileHandle = database;
        record.recIndex = index;
        record.totalBytes = static_cast<uint16_t>(kRecordBufferBytes);
        record.pBytes = reinterpret_cast<uint8_t*>(recordBuffer);
        long result =
            modifiedOnly ? SyncReadNextModifiedRec(&record) : SyncReadRecordByIndex(&record);
        if (result != 0) {
            // Only "not found" is the end of the records; any other failure
            // leaves records unread, so their marks must stay.
            if (result != kSyncErrNotFound) success = false;
            break;
        }
        if (record.recSize < kRecordBufferBytes) recordBuffer[record.recSize] = '\0';
        recordBuffer[kRecordBufferBytes] = '\0';

        if (ConvertRecord(recordBuffer, record.catId) == 0) {
            LogMessage(Msg(msgAddEntryFailed));
            success = false;
            break;
        }
        if (deleting) {
            // The record leaves the handheld only once its line is on disk.
            if (!FlushReportFiles()) {
                LogMessage(Msg(msgAddEntryFailed));
                success = false;
                break;
            }
            SyncDeleteRec(&record);
            --count;
        } else {
            ++index;
        }
    }
    delete[] recordBuffer;

    if (success) {
        // Marks are cleared only when every line is on disk.
        if (!FlushReportFiles()) {
            LogMessage(Msg(msgAddEntryFailed));
            success = false;
        } else if (SyncResetSyncFlags(database) != 0) {
            LogMessage(Msg(msgResetSyncFlagsFailed));
        }
    }
    SyncCloseDB(database);
    SetSyncStatusText(status, Msg(msgSyncFinishing));
    SaveHandheldProperties(kPropertyDatabase, kPropertyCategory);
    CloseReportFiles();
    return success;
}

}  // namespace

int32_t SyncSession(ProgressFn progress, const SyncProperties& properties) {
    CONDHANDLE conduit = 0;
    if (SyncRegisterConduit(&conduit) != 0) {
        LogMessage(Msg(msgErrRegisterConduit));
        return -1;
    }
    if (properties.syncType == kSyncTypeDoNothing) {
        char line[kStatusLineSize];
        std::snprintf(line, sizeof line, "%s - %s", kConduitName, Msg(msgSyncDoNothing));
        LogAddEntry("", kLogActivityStart, 0);
        LogAddEntry(line, kLogActivityText, 0);
        LogAddEntry("", kLogActivityFinish, 0);
        SyncUnRegisterConduit(conduit);
        return 0;
    }

    bool success = false;
    HWND status = ConduitSettings.ShowSyncStatus != 0 ? CreateSyncStatusWindow() : nullptr;
    CUserIDInfo user;
    std::memset(&user, 0, sizeof user);
    if (SyncReadUserID(&user) == 0) {
        CopyUserName(user);
        LoadHandheldProperties(kPropertyDatabase, kPropertyCategory);
        CopyUserId();
        if (ConduitSettings.DeleteRecords == 0) LogMessage(Msg(msgWarnKeepRecords));
        success = CopyRecords(progress, status);
    }

    DestroySyncStatusWindow(status);
    if (success) {
        LogFinish();
    } else {
        LogAbort();
    }
    SyncUnRegisterConduit(conduit);
    return success ? 0 : -1;
}
