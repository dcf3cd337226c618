#include "report_files.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "messages.h"
#include "session.h"

using namespace files;

ReportStream* reportFiles[kReportCount];
uint32_t reportCounters[kReportCount];

namespace {

ReportStream streams[kReportCount];

template <size_t N>
void CopyText(char (&target)[N], const char* text) {
    std::snprintf(target, N, "%s", text);
}

// The distinct open streams, each once.
int UniqueStreams(ReportStream* (&unique)[kReportCount]) {
    int n = 0;
    for (ReportStream* stream : reportFiles) {
        bool seen = stream == nullptr;
        for (int j = 0; j < n && !seen; ++j) seen = unique[j] == stream;
        if (!seen) unique[n++] = stream;
    }
    return n;
}

void UndoHistory(const char* path, const ReportStream::HistoryMark& mark) {
    ReportStream history;
    Reason ignored;
    if (!history.Open(path, ignored)) return;
    if (mark.created) {
        history.Discard();
        RemoveFile(path);
        return;
    }
    history.CutTo(mark.start);
    history.Close();
}

}  // namespace

bool HistoryFileName(const char* reportPath, char* out, size_t size) {
    std::string path = reportPath;
    // The platform drops trailing dots and blanks of a file name.
    while (!path.empty() && (path.back() == '.' || path.back() == ' ')) path.pop_back();
    size_t name = path.find_last_of("\\/");
    name = name == std::string::npos ? 0 : name + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= name) dot = path.size();
    path.insert(dot, ".history");
    if (path.size() + 1 > size) return false;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

bool OpenReportFiles(const char* directory, char* failedPath, char* failedReason) {
    switch (QueryDirectory(directory)) {
        case DirectoryState::Missing:
            if (!CreateOneDirectory(directory)) {
                LogMessage(Msg(msgErrCreateDataDir));
                return false;
            }
            break;
        case DirectoryState::NotDirectory:
            LogMessage(Msg(msgErrInvalidDataDir));
            return false;
        case DirectoryState::Directory:
            break;
    }
    for (ReportStream*& file : reportFiles) file = nullptr;
    for (int i = 0; i < kReportCount; ++i) {
        reportCounters[i] = 0;
        char path[kPathSize];
        const char* name = ReportFileSetting(ConduitSettings, i);
        int length = std::snprintf(path, sizeof path, "%s%c%s", directory, kSeparator, name);
        // A path that does not fit is logged cut and never opened under a
        // shortened name.
        LogMessage("Using: %s", path);
        Reason reason;
        bool fits = length >= 0 && length < static_cast<int>(sizeof path);
        if (!fits) TooLongReason(reason);
        if (!fits || !streams[i].Open(path, reason)) {
            if (failedPath != nullptr && failedReason != nullptr) {
                std::memcpy(failedPath, path, sizeof path);
                std::memcpy(failedReason, reason, sizeof reason);
            }
            DiscardReportFiles();
            return false;
        }
        reportFiles[i] = &streams[i];
        for (int j = 0; j < i; ++j) {
            if (reportFiles[j] != nullptr && reportFiles[j]->SameFile(streams[i])) {
                // One file under two spellings: one stream, so that no write
                // overtakes another.
                streams[i].Close();
                reportFiles[i] = reportFiles[j];
                break;
            }
        }
    }
    return true;
}

bool BeginReportPass(bool keepHistory) {
    if (ConduitSettings.SyncBackupMethod == 1) return true;
    ReportStream* unique[kReportCount];
    const int count = UniqueStreams(unique);
    char histories[kReportCount][kPathSize] = {};
    ReportStream::HistoryMark marks[kReportCount] = {};
    bool kept[kReportCount] = {};
    if (keepHistory) {
        // Every former report goes into its history before any is emptied.
        for (int i = 0; i < count; ++i) {
            ReportStream& report = *unique[i];
            if (report.End() == 0) continue;
            Reason reason;
            bool named = HistoryFileName(report.Path(), histories[i], kPathSize);
            if (!named) {
                TooLongReason(reason);
            } else if (!report.AppendTo(histories[i], unique, count, marks[i])) {
                CopyText(reason, report.Reason());
            } else {
                kept[i] = true;
                continue;
            }
            LogMessage(Msg(msgErrSaveHistory), named ? histories[i] : report.Path(), reason);
            // The histories written so far go back to what they were, so
            // that the next HotSync does not keep the same lines twice.
            for (int j = 0; j < i; ++j) {
                if (kept[j]) UndoHistory(histories[j], marks[j]);
            }
            return false;
        }
    }
    uint64_t former[kReportCount] = {};
    for (int i = 0; i < count; ++i) {
        former[i] = unique[i]->End();
        if (unique[i]->CutTo(0)) continue;
        LogReportFailures();
        // The reports emptied so far get their lines back from their
        // histories, and every history of the run goes back to what it was;
        // a report that cannot be filled again keeps its lines in its history.
        for (int j = 0; j < count; ++j) {
            if (kept[j] && (j >= i || unique[j]->FillFrom(histories[j], former[j]))) {
                UndoHistory(histories[j], marks[j]);
            }
        }
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (kept[i]) LogMessage(Msg(msgSaveHistory), histories[i]);
    }
    return true;
}

bool FlushReportFiles() {
    ReportStream* unique[kReportCount];
    const int count = UniqueStreams(unique);
    bool ok = true;
    for (int i = 0; i < count; ++i) ok = unique[i]->FlushToDisk() && ok;
    return ok;
}

void LogReportFailures() {
    ReportStream* unique[kReportCount];
    const int count = UniqueStreams(unique);
    for (int i = 0; i < count; ++i) {
        if (unique[i]->Failed()) {
            LogMessage(Msg(msgErrWriteReport), unique[i]->Path(), unique[i]->Reason());
        }
    }
}

bool CloseReportFiles() {
    ReportStream* unique[kReportCount];
    const int count = UniqueStreams(unique);
    bool ok = true;
    for (int i = 0; i < count; ++i) ok = unique[i]->Close() && ok;
    for (ReportStream*& file : reportFiles) file = nullptr;
    return ok;
}

void DiscardReportFiles() {
    for (ReportStream& stream : streams) stream.Discard();
    for (ReportStream*& file : reportFiles) file = nullptr;
}
