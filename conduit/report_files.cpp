#include "report_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "messages.h"
#include "session.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

ReportStream* reportFiles[kReportCount];
uint32_t reportCounters[kReportCount];

namespace {

constexpr size_t kBufferSize = 64 * 1024;
// A unit holds at least a date and a line end, so the buffer never holds
// more units than this.
constexpr size_t kMaxUnits = kBufferSize / 8;
constexpr size_t kCopyChunk = 64 * 1024;
// Between the data directory and a report's name.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

ReportStream streams[kReportCount];

template <size_t N>
void CopyText(char (&target)[N], const char* text) {
    std::snprintf(target, N, "%s", text);
}

// ---- the platform's files ---------------------------------------------------

#ifdef _WIN32

using Reason = char[ReportStream::kReasonSize];

void SystemReason(Reason& reason, DWORD code) {
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, reason, sizeof reason, nullptr);
    while (n > 0 && (reason[n - 1] == '\n' || reason[n - 1] == '\r' || reason[n - 1] == ' ' ||
                     reason[n - 1] == '.')) {
        --n;
    }
    reason[n] = '\0';
    if (n == 0) std::snprintf(reason, sizeof reason, "error %lu", static_cast<unsigned long>(code));
}

void LastReason(Reason& reason) { SystemReason(reason, GetLastError()); }
void ExistsReason(Reason& reason) { SystemReason(reason, ERROR_FILE_EXISTS); }
void TooLongReason(Reason& reason) { SystemReason(reason, ERROR_FILENAME_EXCED_RANGE); }

HANDLE AsHandle(intptr_t file) { return reinterpret_cast<HANDLE>(file); }

bool OpenAtEnd(const char* path, intptr_t& file, bool& created, uint64_t& size, uint64_t& volume,
               uint64_t& index, Reason& reason) {
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        LastReason(reason);
        return false;
    }
    created = GetLastError() != ERROR_ALREADY_EXISTS;
    LARGE_INTEGER length;
    size = GetFileSizeEx(h, &length) ? static_cast<uint64_t>(length.QuadPart) : 0;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        volume = info.dwVolumeSerialNumber;
        index = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    }
    file = reinterpret_cast<intptr_t>(h);
    return true;
}

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// Writes size bytes at offset; written tells how many reached the file.
bool WriteAt(intptr_t file, uint64_t offset, const char* data, size_t size, size_t& written,
             Reason& reason) {
    written = 0;
    while (written < size) {
        DWORD part = static_cast<DWORD>(size - written < (1u << 20) ? size - written : 1u << 20);
        DWORD done = 0;
        OVERLAPPED at = At(offset + written);
        if (!WriteFile(AsHandle(file), data + written, part, &done, &at)) {
            LastReason(reason);
            return false;
        }
        if (done == 0) {
            SystemReason(reason, ERROR_DISK_FULL);
            return false;
        }
        written += done;
    }
    return true;
}

bool ReadAt(intptr_t file, uint64_t offset, char* data, size_t size, size_t& got, Reason& reason) {
    DWORD done = 0;
    OVERLAPPED at = At(offset);
    if (!ReadFile(AsHandle(file), data, static_cast<DWORD>(size), &done, &at) &&
        GetLastError() != ERROR_HANDLE_EOF) {
        LastReason(reason);
        return false;
    }
    got = done;
    return true;
}

bool Truncate(intptr_t file, uint64_t size, Reason& reason) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(AsHandle(file), at, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(AsHandle(file))) {
        LastReason(reason);
        return false;
    }
    return true;
}

bool SyncToDisk(intptr_t file, Reason& reason) {
    if (!FlushFileBuffers(AsHandle(file))) {
        LastReason(reason);
        return false;
    }
    return true;
}

void CloseFile(intptr_t file) { CloseHandle(AsHandle(file)); }
void RemoveFile(const char* path) { DeleteFileA(path); }

#else

using Reason = char[ReportStream::kReasonSize];

void ErrnoReason(Reason& reason, int code) { CopyText(reason, std::strerror(code)); }
void LastReason(Reason& reason) { ErrnoReason(reason, errno); }
void ExistsReason(Reason& reason) { ErrnoReason(reason, EEXIST); }
void TooLongReason(Reason& reason) { ErrnoReason(reason, ENAMETOOLONG); }

// Report paths are Windows-1252 with backslashes; the file system takes
// UTF-8 with slashes.
std::string NativePath(const char* path) {
    static const char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::string out;
    for (const char* p = path; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\\') {
            out += '/';
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            unsigned code = c >= 0xA0 ? c : kHigh[c - 0x80];
            if (code < 0x800) {
                out += static_cast<char>(0xC0 | code >> 6);
            } else {
                out += static_cast<char>(0xE0 | code >> 12);
                out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            }
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

bool OpenAtEnd(const char* path, intptr_t& file, bool& created, uint64_t& size, uint64_t& volume,
               uint64_t& index, Reason& reason) {
    const std::string native = NativePath(path);
    int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = ::open(native.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        LastReason(reason);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0) {
        size = S_ISREG(info.st_mode) ? static_cast<uint64_t>(info.st_size) : 0;
        volume = static_cast<uint64_t>(info.st_dev);
        index = static_cast<uint64_t>(info.st_ino);
    }
    file = fd;
    return true;
}

bool WriteAt(intptr_t file, uint64_t offset, const char* data, size_t size, size_t& written,
             Reason& reason) {
    written = 0;
    while (written < size) {
        ssize_t n = ::pwrite(static_cast<int>(file), data + written, size - written,
                             static_cast<off_t>(offset + written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ErrnoReason(reason, n < 0 ? errno : ENOSPC);
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

bool ReadAt(intptr_t file, uint64_t offset, char* data, size_t size, size_t& got, Reason& reason) {
    ssize_t n;
    do {
        n = ::pread(static_cast<int>(file), data, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        LastReason(reason);
        return false;
    }
    got = static_cast<size_t>(n);
    return true;
}

bool Truncate(intptr_t file, uint64_t size, Reason& reason) {
    if (::ftruncate(static_cast<int>(file), static_cast<off_t>(size)) != 0) {
        LastReason(reason);
        return false;
    }
    return true;
}

bool SyncToDisk(intptr_t file, Reason& reason) {
    if (::fsync(static_cast<int>(file)) != 0 && errno != EINVAL && errno != EROFS) {
        LastReason(reason);
        return false;
    }
    return true;
}

void CloseFile(intptr_t file) { ::close(static_cast<int>(file)); }
void RemoveFile(const char* path) { ::unlink(NativePath(path).c_str()); }

#endif

// ---- the data directory ----------------------------------------------------

enum class DirectoryState { Missing, Directory, NotDirectory };

DirectoryState QueryDirectory(const char* path) {
#ifdef _WIN32
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return DirectoryState::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? DirectoryState::Directory
                                                   : DirectoryState::NotDirectory;
#else
    struct stat info;
    if (stat(NativePath(path).c_str(), &info) != 0) return DirectoryState::Missing;
    return S_ISDIR(info.st_mode) ? DirectoryState::Directory : DirectoryState::NotDirectory;
#endif
}

bool CreateOneDirectory(const char* path) {
#ifdef _WIN32
    return CreateDirectoryA(path, nullptr) != 0;
#else
    return mkdir(NativePath(path).c_str(), 0777) == 0;
#endif
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

}  // namespace

// ---- ReportStream ------------------------------------------------------------

ReportStream::~ReportStream() {
    if (IsOpen()) Close();
}

bool ReportStream::IsOpen() const { return file_ != -1; }

bool ReportStream::Open(const char* path, char (&reason)[kReasonSize]) {
    if (IsOpen()) Close();
    CopyText(path_, path);
    failed_ = false;
    reason_[0] = '\0';
    used_ = 0;
    units_ = 0;
    volume_ = index_ = 0;
    buffer_.reset(new (std::nothrow) char[kBufferSize]);
    unitEnds_.reset(new (std::nothrow) uint32_t[kMaxUnits]);
    if (!buffer_ || !unitEnds_) {
        CopyText(reason, std::strerror(ENOMEM));
        return false;
    }
    uint64_t size = 0;
    if (!OpenAtEnd(path, file_, created_, size, volume_, index_, reason)) {
        file_ = -1;
        return false;
    }
    durable_ = flushed_ = size;
    unflushed_ = false;
    tornAt_ = 0;
    tornNeed_ = tornDue_ = 0;
    if (size > 0) {
        // A crash may have kept only part of the last line.
        char last = '\n';
        size_t got = 0;
        if (!ReadAt(file_, size - 1, &last, 1, got, reason)) {
            CloseFile(file_);
            file_ = -1;
            return false;
        }
        if (got == 1 && last != '\n') {
            tornAt_ = size;
            tornNeed_ = tornDue_ = last == '\r' ? 1 : 2;
        }
    }
    return true;
}

bool ReportStream::SameFile(const ReportStream& other) const {
    if (!IsOpen() || !other.IsOpen()) return false;
    if (index_ != 0 || other.index_ != 0) {
        return volume_ == other.volume_ && index_ == other.index_;
    }
    // No identity from the platform: the same path, A-Z folded.
    const char* a = path_;
    const char* b = other.path_;
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

void ReportStream::Fail() { failed_ = true; }

bool ReportStream::WriteOut(const char* data, size_t size) {
    size_t written = 0;
    const bool ok = WriteAt(file_, durable_, data, size, written, reason_);
    unflushed_ = unflushed_ || written > 0;
    if (ok) {
        durable_ += size;
        return true;
    }
    // Keep what reached the file up to its last whole unit.
    size_t keep = 0;
    for (size_t i = 0; i < units_ && unitEnds_[i] <= written; ++i) keep = unitEnds_[i];
    if (written > keep) {
        char ignored[kReasonSize];
        Truncate(file_, durable_ + keep, ignored);
    }
    durable_ += keep;
    Fail();
    return false;
}

bool ReportStream::Flush() {
    if (failed_ || !IsOpen()) return false;
    if (used_ == 0) return true;
    bool ok = WriteOut(buffer_.get(), used_);
    used_ = 0;
    units_ = 0;
    return ok;
}

bool ReportStream::FlushToDisk() {
    if (!IsOpen()) return false;
    bool ok = Flush();
    if (unflushed_) {
        char ignored[kReasonSize];
        if (SyncToDisk(file_, ok ? reason_ : ignored)) {
            flushed_ = durable_;
            unflushed_ = false;
        } else if (ok) {
            Fail();
            ok = false;
        }
    }
    return ok;
}

void ReportStream::EndTornLine() {
    if (tornDue_ == 0) return;
    std::memcpy(buffer_.get() + used_, "\r\n" + (2 - tornDue_), tornDue_);
    used_ += tornDue_;
    unitEnds_[units_++] = static_cast<uint32_t>(used_);
    tornDue_ = 0;
}

bool ReportStream::Append(const char* data, size_t size) {
    if (failed_ || !IsOpen()) return false;
    EndTornLine();
    if ((size > kBufferSize - used_ || units_ == kMaxUnits) && !Flush()) return false;
    if (size > kBufferSize) {
        // Larger than the whole buffer: written at once, as one unit.
        units_ = 1;
        unitEnds_[0] = static_cast<uint32_t>(size);
        bool ok = WriteOut(data, size);
        units_ = 0;
        return ok;
    }
    std::memcpy(buffer_.get() + used_, data, size);
    used_ += size;
    unitEnds_[units_++] = static_cast<uint32_t>(used_);
    return true;
}

char* ReportStream::Reserve() {
    if (failed_ || !IsOpen()) return nullptr;
    EndTornLine();
    if ((kMaxUnit > kBufferSize - used_ || units_ == kMaxUnits) && !Flush()) return nullptr;
    return buffer_.get() + used_;
}

void ReportStream::Commit(size_t size) {
    used_ += size;
    unitEnds_[units_++] = static_cast<uint32_t>(used_);
}

bool ReportStream::CutTo(uint64_t offset) {
    if (!IsOpen()) return false;
    // Cut back to a torn last line, the file needs its line end again.
    tornDue_ = offset != 0 && offset == tornAt_ ? tornNeed_ : 0;
    if (offset >= durable_) {
        size_t keep = static_cast<size_t>(offset - durable_);
        if (keep < used_) {
            used_ = keep;
            while (units_ > 0 && unitEnds_[units_ - 1] > keep) --units_;
        }
        return true;
    }
    used_ = 0;
    units_ = 0;
    if (!Truncate(file_, offset, reason_)) {
        Fail();
        return false;
    }
    durable_ = offset;
    if (flushed_ > offset) flushed_ = offset;
    return true;
}

bool ReportStream::AppendTo(const char* historyPath, ReportStream* const* others, int count,
                            HistoryMark& mark) {
    if (!Flush()) return false;
    ReportStream history;
    if (!history.Open(historyPath, reason_)) return false;
    bool clash = history.SameFile(*this);
    for (int i = 0; i < count && !clash; ++i) clash = others[i] && history.SameFile(*others[i]);
    if (clash) {
        ExistsReason(reason_);
        history.Close();
        return false;
    }
    const uint64_t start = history.Durable();
    mark.start = start;
    mark.created = history.Created();
    // A history that ends inside a line gets its line end first.
    bool ok = history.tornDue_ == 0 ||
              history.WriteOut("\r\n" + (2 - history.tornDue_), history.tornDue_);
    if (!ok) CopyText(reason_, history.reason_);
    for (uint64_t offset = 0; ok && offset < durable_;) {
        size_t got = 0;
        size_t want =
            durable_ - offset < kCopyChunk ? static_cast<size_t>(durable_ - offset) : kCopyChunk;
        ok = ReadAt(file_, offset, history.buffer_.get(), want, got, reason_);
        if (ok && got == 0) break;  // the file is shorter than it was
        ok = ok && history.WriteOut(history.buffer_.get(), got);
        if (!ok && history.failed_) CopyText(reason_, history.reason_);
        offset += got;
    }
    if (ok && !SyncToDisk(history.file_, reason_)) ok = false;
    if (!ok) {
        char ignored[kReasonSize];
        Truncate(history.file_, start, ignored);
        if (history.created_) {
            history.Discard();
            return false;
        }
    }
    history.Close();
    return ok;
}

bool ReportStream::FillFrom(const char* historyPath, uint64_t size) {
    ReportStream history;
    if (!history.Open(historyPath, reason_)) return false;
    // The report's lines are the history's last size bytes.
    bool ok = history.Durable() >= size;
    const uint64_t from = ok ? history.Durable() - size : 0;
    for (uint64_t offset = 0; ok && offset < size;) {
        size_t got = 0;
        size_t want = size - offset < kCopyChunk ? static_cast<size_t>(size - offset) : kCopyChunk;
        ok = ReadAt(history.file_, from + offset, history.buffer_.get(), want, got, reason_) &&
             got > 0 && WriteOut(history.buffer_.get(), got);
        offset += got;
    }
    history.Close();
    return ok && FlushToDisk();
}

bool ReportStream::Close() {
    if (!IsOpen()) return true;
    bool ok = !failed_ && Flush();
    CloseFile(file_);
    file_ = -1;
    buffer_.reset();
    unitEnds_.reset();
    return ok;
}

void ReportStream::Discard() {
    if (!IsOpen()) return;
    used_ = 0;
    CloseFile(file_);
    file_ = -1;
    buffer_.reset();
    unitEnds_.reset();
    if (created_) RemoveFile(path_);
}

// ---- the run's report files ----------------------------------------------------

namespace {

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
        // histories, which then go back to what they were; a report that
        // cannot be filled again keeps its lines in its history.
        for (int j = 0; j < i; ++j) {
            if (kept[j] && unique[j]->FillFrom(histories[j], former[j])) {
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

bool AnyReportFailed() {
    for (ReportStream* stream : reportFiles) {
        if (stream != nullptr && stream->Failed()) return true;
    }
    return false;
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
