#include "platform_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "texts.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace files {

#ifdef _WIN32

namespace {

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

HANDLE AsHandle(intptr_t file) { return reinterpret_cast<HANDLE>(file); }

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

}  // namespace

void LastReason(Reason& reason) { SystemReason(reason, GetLastError()); }
void ExistsReason(Reason& reason) { SystemReason(reason, ERROR_FILE_EXISTS); }
void TooLongReason(Reason& reason) { SystemReason(reason, ERROR_FILENAME_EXCED_RANGE); }

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

namespace {

void ErrnoReason(Reason& reason, int code) {
    std::snprintf(reason, sizeof reason, "%s", std::strerror(code));
}

}  // namespace

void LastReason(Reason& reason) { ErrnoReason(reason, errno); }
void ExistsReason(Reason& reason) { ErrnoReason(reason, EEXIST); }
void TooLongReason(Reason& reason) { ErrnoReason(reason, ENAMETOOLONG); }

std::string NativePath(const char* path) {
    std::string slashes = path;
    for (char& c : slashes) {
        if (c == '\\') c = '/';
    }
    return Windows1252ToUtf8(slashes.c_str());
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

}  // namespace files
