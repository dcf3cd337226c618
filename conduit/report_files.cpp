#include "report_files.h"

#include <cstring>

#include "messages.h"
#include "session.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

std::FILE* reportFiles[kReportCount];
uint32_t reportCounters[kReportCount];

namespace {

enum class DirectoryState { Missing, Directory, NotDirectory };

DirectoryState QueryDirectory(const char* path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return DirectoryState::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? DirectoryState::Directory
                                                   : DirectoryState::NotDirectory;
#else
    struct stat info;
    if (stat(path, &info) != 0) return DirectoryState::Missing;
    return S_ISDIR(info.st_mode) ? DirectoryState::Directory : DirectoryState::NotDirectory;
#endif
}

bool CreateOneDirectory(const char* path) {
#ifdef _WIN32
    return CreateDirectoryA(path, nullptr) != 0;
#else
    return mkdir(path, 0777) == 0;
#endif
}

bool SameFileName(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

}  // namespace

std::FILE* OpenReportFile(const char* directory, const char* fileName) {
    char path[kPathSize];
    int length = std::snprintf(path, sizeof path, "%s\\%s", directory, fileName);
    if (length < 0 || length >= static_cast<int>(sizeof path)) {
        // Logged cut; never opened under a shortened name.
        LogMessage("Using: %s", path);
        return nullptr;
    }
    LogMessage("Using: %s", path);
#ifndef _WIN32
    // Native builds write to the same files with forward slashes.
    for (char* p = path; *p != '\0'; ++p) {
        if (*p == '\\') *p = '/';
    }
#endif
    // Binary streams: the report writer writes carriage return and line feed
    // itself, so the bytes on disk are the same on every platform.
    const bool append = ConduitSettings.SyncBackupMethod == 1;
    std::FILE* file = std::fopen(path, append ? "ab" : "wb");
    if (file != nullptr && append) std::fseek(file, 0, SEEK_END);
    return file;
}

bool OpenReportFiles(const char* directory) {
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
    for (int i = 0; i < kReportCount; ++i) {
        reportCounters[i] = 0;
        const char* name = ReportFileSetting(ConduitSettings, i);
        std::FILE* shared = nullptr;
        for (int j = 0; j < i; ++j) {
            if (SameFileName(name, ReportFileSetting(ConduitSettings, j))) shared = reportFiles[j];
        }
        if (shared != nullptr) {
            char path[kPathSize];
            std::snprintf(path, sizeof path, "%s\\%s", directory, name);
            LogMessage("Using: %s", path);
            reportFiles[i] = shared;
            continue;
        }
        reportFiles[i] = OpenReportFile(directory, name);
        if (reportFiles[i] == nullptr) {
            CloseReportFiles();
            return false;
        }
    }
    return true;
}

void CloseReportFiles() {
    for (int i = 0; i < kReportCount; ++i) {
        if (reportFiles[i] == nullptr) continue;
        std::FILE* file = reportFiles[i];
        for (int j = i; j < kReportCount; ++j) {
            if (reportFiles[j] == file) reportFiles[j] = nullptr;
        }
        std::fclose(file);
    }
}

bool FlushReportFiles() {
    bool ok = true;
    for (std::FILE* file : reportFiles) {
        if (file != nullptr && (std::fflush(file) != 0 || std::ferror(file))) ok = false;
    }
    return ok;
}
