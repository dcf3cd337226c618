#include "staged_reports.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "messages.h"
#include "report_files.h"
#include "report_paths.h"
#include "session.h"
#include "settings.h"
#include "system_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr char kStagedSuffix[] = ".tessel-new";
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

ReportStream streams[kReportCount];
std::string reports[kReportCount];  // each report's path
std::string staged[kReportCount];   // the new file beside it
std::string createdFolder;          // the output folder, when this run made it

// The new file of report i is its own, not one shared with an earlier kind.
bool Owns(int i) { return reportFiles[i] == &streams[i]; }

#ifdef _WIN32
// The platform's words for the last error.
std::string LastReason() {
    char text[ReportStream::kReasonSize] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             GetLastError(), 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) --n;
    return std::string(text, n);
}
#endif

bool MakeFolder(const std::string& folder) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
        SetLastError(ERROR_DIRECTORY);
        LogMessage(Msg(msgReportNotFolder), folder.c_str(), LastReason().c_str());
        return false;
    }
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
        LogMessage(Msg(msgReportCannotCreateFolder), folder.c_str(), LastReason().c_str());
        return false;
    }
#else
    const std::string native = NativePath(folder);
    struct stat info;
    if (stat(native.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        LogMessage(Msg(msgReportNotFolder), folder.c_str(), SystemReason(ENOTDIR).c_str());
        return false;
    }
    if (mkdir(native.c_str(), 0777) != 0) {
        LogMessage(Msg(msgReportCannotCreateFolder), folder.c_str(), SystemReason(errno).c_str());
        return false;
    }
#endif
    createdFolder = folder;
    return true;
}

// Copies the report at from, when there is one, to the new file at to.
bool CopyReport(const std::string& from, const std::string& to) {
    std::FILE* in = std::fopen(NativePath(from).c_str(), "rb");
    if (in == nullptr) {
        if (errno == ENOENT) return true;
        LogMessage(Msg(msgReportCannotRead), from.c_str(), SystemReason(errno).c_str());
        return false;
    }
    std::FILE* out = std::fopen(NativePath(to).c_str(), "wb");
    if (out == nullptr) {
        LogMessage(Msg(msgErrWriteReport), to.c_str(), SystemReason(errno).c_str());
        std::fclose(in);
        return false;
    }
    static char chunk[1 << 16];
    bool ok = true;
    for (size_t n; ok && (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) {
        ok = std::fwrite(chunk, 1, n, out) == n;
    }
    if (std::ferror(in)) {
        LogMessage(Msg(msgReportCannotRead), from.c_str(), SystemReason(errno).c_str());
        ok = false;
    } else if (std::fclose(out) != 0 || !ok) {
        out = nullptr;
        LogMessage(Msg(msgErrWriteReport), to.c_str(), SystemReason(errno).c_str());
        ok = false;
    } else {
        out = nullptr;
    }
    if (out != nullptr) std::fclose(out);
    std::fclose(in);
    return ok;
}

void RemoveStaged() {
    for (const std::string& path : staged) {
        if (!path.empty()) std::remove(NativePath(path).c_str());
    }
}

// Puts the new file in place of the report; the reason on failure.
bool Replace(const std::string& from, const std::string& to, std::string& reason) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    reason = LastReason();
    return false;
#else
    if (std::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0) return true;
    reason = SystemReason(errno);
    return false;
#endif
}

}  // namespace

bool OpenStagedReports(const std::string& folder, bool append) {
    for (ReportStream*& file : reportFiles) file = nullptr;
    for (std::string& path : staged) path.clear();
    createdFolder.clear();
    if (!MakeFolder(folder)) return false;
    for (int i = 0; i < kReportCount; ++i) {
        reports[i] = folder + kSeparator + ReportFileSetting(ConduitSettings, i);
        LogMessage("Using: %s", reports[i].c_str());
        if (reports[i].size() + sizeof kStagedSuffix > static_cast<size_t>(kPathSize)) {
            LogMessage(Msg(msgErrWriteReport), reports[i].c_str(),
                       SystemReason(ENAMETOOLONG).c_str());
            DiscardStagedReports();
            return false;
        }
        staged[i] = reports[i] + kStagedSuffix;
    }
    // Left over from a run that was broken off.
    RemoveStaged();
    for (int i = 0; i < kReportCount && append; ++i) {
        if (!CopyReport(reports[i], staged[i])) {
            DiscardStagedReports();
            return false;
        }
    }
    for (int i = 0; i < kReportCount; ++i) {
        reportCounters[i] = 0;
        char reason[ReportStream::kReasonSize] = "";
        if (!streams[i].Open(staged[i].c_str(), reason)) {
            LogMessage(Msg(msgErrWriteReport), reports[i].c_str(), reason);
            DiscardStagedReports();
            return false;
        }
        reportFiles[i] = &streams[i];
        for (int j = 0; j < i; ++j) {
            if (Owns(j) && streams[j].SameFile(streams[i])) {
                // Two kinds whose names lead to one file share one stream.
                streams[i].Close();
                reportFiles[i] = &streams[j];
                break;
            }
        }
    }
    return true;
}

bool CommitStagedReports() {
    bool ok = true;
    for (int i = 0; i < kReportCount; ++i) {
        if (Owns(i) && !streams[i].Close()) ok = false;
    }
    if (!ok) {
        LogReportFailures();
        DiscardStagedReports();
        return false;
    }
    for (int i = 0; i < kReportCount; ++i) {
        std::string reason;
        if (Owns(i) && !Replace(staged[i], reports[i], reason)) {
            LogMessage(Msg(msgErrWriteReport), reports[i].c_str(), reason.c_str());
            ok = false;
        }
    }
    for (ReportStream*& file : reportFiles) file = nullptr;
    RemoveStaged();  // those that were not put in place
    return ok;
}

void DiscardStagedReports() {
    for (ReportStream& stream : streams) stream.Close();
    for (ReportStream*& file : reportFiles) file = nullptr;
    RemoveStaged();
    if (!createdFolder.empty()) {
#ifdef _WIN32
        RemoveDirectoryA(createdFolder.c_str());
#else
        rmdir(NativePath(createdFolder).c_str());
#endif
    }
}
