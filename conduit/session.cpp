#include "session.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "entry.h"
#include "messages.h"
#include "properties.h"
#include "records.h"
#include "report_files.h"
#include "settings.h"
#include "status_window.h"

namespace {

constexpr size_t kStatusLineSize = 128;
constexpr size_t kProgressSize = 4096;
constexpr size_t kRecordBufferBytes = 1024;
constexpr const char* kMainDatabase = "Ledgerly_DB";

}  // namespace

// The log writer's entries go to the HotSync log.
void WriteLogEntry(const char* text, int activity) { LogAddEntry(text, activity, 0); }

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
    char copy[kProgressSize];
    std::snprintf(copy, sizeof copy, "%s", text);
    progress(copy);
}

void ShowRemaining(HWND status, unsigned remaining) {
    if (status == nullptr) return;
    char text[kStatusLineSize];
    std::snprintf(text, sizeof text, "%s #%u", Msg(msgSyncRemaining), remaining);
    SetSyncStatusText(status, text);
}

// How a pass ended: every record done, stopped by a failure already logged,
// at a record that was not added (refused, or no memory for the pass), or at
// a write of the reports that failed.
enum class PassEnd { Complete, Stopped, NotAdded, WriteFailed };

// The records of a batch whose lines are written but which are not yet
// deleted, with where their lines end in their reports.
struct Pending {
    uint32_t recordId;
    ReportStream* stream;  // null for a refused record, which ends the batch
    uint64_t end;          // the stream's end after the record's lines
    size_t logLines;       // held log lines up to and including the record's own
};

constexpr int kBatchSize = 1024;

// Deleting goes in batches: the records of a batch are read and written, the
// reports are flushed to the disk itself once, and then the records are
// deleted one after the other. Log lines are held meanwhile, so that a failure leaves the
// handheld, the reports and the log exactly as deleting each record right
// after its line would: what follows the failure is cut from the reports and
// dropped from the log.
class DeleteBatch {
  public:
    explicit DeleteBatch(uint8_t database) : database_(database) {}

    void Begin() {
        count_ = 0;
        for (int i = 0; i < kReportCount; ++i) {
            starts_[i] = reportFiles[i] != nullptr ? reportFiles[i]->End() : 0;
        }
        HoldLogLines();
    }
    bool Full() const { return count_ == kBatchSize; }
    int Size() const { return count_; }

    void Add(uint32_t recordId, ReportStream* stream) {
        pending_[count_++] = {recordId, stream, stream ? stream->End() : 0, HeldLogLines()};
    }

    // Flushes the reports to the disk itself and deletes the batch's records
    // up to the first that failed; reading ended the batch as read says.
    // Returns how the pass goes on (Complete: it may), deleted tells how
    // many records were deleted.
    PassEnd Commit(PassEnd read, int& deleted) {
        StopHoldingLogLines();
        const bool flushed = FlushReportFiles();
        deleted = 0;
        PassEnd end = PassEnd::Complete;
        for (int i = 0; i < count_; ++i) {
            const Pending& p = pending_[i];
            // A record whose line is not on the disk was never written: its
            // held lines (a cut-field warning) go with it.
            if (p.stream != nullptr && p.end > p.stream->Flushed()) {
                CutBackTo(i - 1);
                end = PassEnd::WriteFailed;
                break;
            }
            ReleaseLogLines(p.logLines);
            if (p.stream == nullptr) {  // refused: its lines are its end
                end = PassEnd::NotAdded;
                break;
            }
            CRawRecordInfo record;
            std::memset(&record, 0, sizeof record);
            record.fileHandle = database_;
            record.recId = p.recordId;
            if (SyncDeleteRec(&record) != 0) {
                LogMessage(Msg(msgErrDeleteRecord));
                CutBackTo(i);
                end = PassEnd::Stopped;
                break;
            }
            ++deleted;
        }
        // A write that failed with the record after the batch, or a flush that
        // failed though every line of the batch is on the disk.
        if (end == PassEnd::Complete && (read == PassEnd::WriteFailed || !flushed)) {
            end = PassEnd::WriteFailed;
        }
        DropLogLines();
        count_ = 0;
        return end;
    }

  private:
    // Cuts every report back to where it stood after pending record last.
    void CutBackTo(int last) {
        for (int s = 0; s < kReportCount; ++s) {
            ReportStream* stream = reportFiles[s];
            if (stream == nullptr) continue;
            uint64_t end = starts_[s];
            for (int i = 0; i <= last; ++i) {
                if (pending_[i].stream == stream) end = pending_[i].end;
            }
            if (end < stream->End()) stream->CutTo(end);
        }
    }

    uint8_t database_;
    Pending pending_[kBatchSize];
    uint64_t starts_[kReportCount] = {};
    int count_ = 0;
};

// The report stream that a record of the category goes to, or null.
ReportStream* StreamOf(int category) {
    RecordKind kind;
    return KindFromCategory(category, &kind) ? reportFiles[ReportIndex(kind)] : nullptr;
}

// Converts the record just read; Complete when the pass goes on. With a
// batch the record joins it, refused or not: the batch's commit ends the
// pass there. A record whose write failed does not join: the commit finds
// the records whose lines did not reach the disk.
PassEnd Convert(const CRawRecordInfo& record, const char* buffer, DeleteBatch* batch) {
    switch (ConvertRecordWithCause(buffer, record.catId, record.recSize)) {
        case Conversion::Written:
            if (batch) batch->Add(record.recId, StreamOf(record.catId));
            return PassEnd::Complete;
        case Conversion::Refused:
            if (batch) batch->Add(record.recId, nullptr);
            return PassEnd::NotAdded;
        case Conversion::WriteFailed:
            break;
    }
    return PassEnd::WriteFailed;
}

// The pass over the main database.
PassEnd RunPass(uint8_t database, uint16_t count, HWND status) {
    std::unique_ptr<char[]> recordBuffer(new (std::nothrow) char[kRecordBufferBytes]);
    if (!recordBuffer) return PassEnd::NotAdded;
    const bool modifiedOnly = ConduitSettings.SyncBackupMethod == 1;
    const bool deleting = ConduitSettings.DeleteRecords != 0;
    std::unique_ptr<DeleteBatch> batch(deleting ? new (std::nothrow) DeleteBatch(database)
                                                : nullptr);
    if (deleting && !batch) return PassEnd::NotAdded;
    uint16_t index = 0;
    PassEnd end = PassEnd::Complete;
    bool more = true;
    if (batch) batch->Begin();
    while (more) {
        // Records of the batch are still counted until they are deleted.
        const int read = batch ? batch->Size() : 0;
        if (static_cast<uint32_t>(index) + static_cast<uint32_t>(read) >= count) {
            more = false;
        } else {
            ShowRemaining(status, static_cast<unsigned>(count - index - read));
            CRawRecordInfo record;
            std::memset(&record, 0, sizeof record);
            record.fileHandle = database;
            record.recIndex = static_cast<uint16_t>(index + read);
            record.totalBytes = static_cast<uint16_t>(kRecordBufferBytes);
            record.pBytes = reinterpret_cast<uint8_t*>(recordBuffer.get());
            long result =
                modifiedOnly ? SyncReadNextModifiedRec(&record) : SyncReadRecordByIndex(&record);
            if (result != 0) {
                // Only "not found" is the end of the records; any other
                // failure leaves records unread, so their marks must stay.
                if (result != kSyncErrNotFound) end = PassEnd::Stopped;
                more = false;
            } else {
                end = Convert(record, recordBuffer.get(), batch.get());
                more = end == PassEnd::Complete;
                if (more && !batch) ++index;
            }
        }
        if (batch && (!more || batch->Full())) {
            int deleted = 0;
            const PassEnd committed = batch->Commit(end, deleted);
            count = static_cast<uint16_t>(count - deleted);
            if (committed != PassEnd::Complete) {
                end = committed;
                more = false;
            } else if (more) {
                batch->Begin();
            }
        }
    }
    return end;
}

// The one place that logs a record that could not be added: after the
// reports whose writes failed, when that was the cause.
void LogNotAdded(PassEnd end) {
    if (end == PassEnd::WriteFailed) LogReportFailures();
    LogMessage(Msg(msgAddEntryFailed));
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
        DiscardReportFiles();
        return false;
    }
    ShowProgress(progress, Msg(msgBackupEntries));

    uint16_t count = 0;
    // Without a count nothing would be read, and the marks of every record
    // would be reset: a failed count fails the pass.
    bool success = SyncGetDBRecordCount(database, &count) == 0;
    // The reports are emptied (their former lines kept in the history when
    // records are deleted) only now that the pass begins.
    bool began = success && BeginReportPass(ConduitSettings.DeleteRecords != 0);
    PassEnd end = began ? RunPass(database, count, status) : PassEnd::Stopped;
    // Marks are cleared only when every line is on the disk itself.
    if (end == PassEnd::Complete && !FlushReportFiles()) end = PassEnd::WriteFailed;
    if (end == PassEnd::NotAdded || end == PassEnd::WriteFailed) LogNotAdded(end);
    success = end == PassEnd::Complete;
    if (success && SyncResetSyncFlags(database) != 0) LogMessage(Msg(msgResetSyncFlagsFailed));
    if (SyncCloseDB(database) != 0 && began) {
        // The handheld kept its database as it was before this HotSync: no
        // record was deleted and no mark cleared.
        LogMessage(Msg(msgErrSyncCloseDB));
        success = false;
    }
    SetSyncStatusText(status, Msg(msgSyncFinishing));
    SaveHandheldProperties(kPropertyDatabase, kPropertyCategory);
    if (began) {
        if (!CloseReportFiles() && success) {
            LogReportFailures();
            success = false;
        }
    } else {
        DiscardReportFiles();
    }
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
        LogSectionOfOneLine(line);
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
