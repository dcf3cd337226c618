// File access for .pdb databases: whole-file reads and atomic replacement.
#include "palm/pdb.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace palm {
namespace {

std::string SystemError() {
#ifdef _WIN32
    DWORD code = GetLastError();
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) --n;
    std::string message(text, n);
    return message.empty() ? "error " + std::to_string(code) : message;
#else
    return std::strerror(errno);
#endif
}

std::string TemporaryName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    unsigned long pid = GetCurrentProcessId();
#else
    unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return path + ".tmp" + std::to_string(pid) + "-" + std::to_string(++counter);
}

}  // namespace

bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    // One buffer of the size of a regular file, filled by one read; anything
    // else (and a file that grows meanwhile) is read on in chunks.
    std::vector<uint8_t> data;
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
        if (static_cast<uint64_t>(info.st_size) > 0xFFFFFFFFu) {
            std::fclose(file);
            error = path + ": too large for a database";
            return false;
        }
        data.resize(static_cast<size_t>(info.st_size));
        data.resize(std::fread(data.data(), 1, data.size(), file));
    }
    uint8_t chunk[65536];
    size_t n;
    while (data.size() <= 0xFFFFFFFFu && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        data.insert(data.end(), chunk, chunk + n);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = path + ": cannot read";
        return false;
    }
    if (data.size() > 0xFFFFFFFFu) {
        error = path + ": too large for a database";
        return false;
    }
    bytes = std::move(data);
    return true;
}

bool ReadFile(const std::string& path, Database& db, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadBytes(path, bytes, error)) return false;
    return Parse(bytes.data(), bytes.size(), path, db, error);
}

bool WriteBytesAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                          std::string& error) {
    const std::string temp = TemporaryName(path);
#ifdef _WIN32
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = path + ": cannot create " + temp + ": " + SystemError();
        return false;
    }
    size_t done = 0;
    bool ok = true;
    std::string fault;
    while (ok && done < bytes.size()) {
        DWORD part = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        ok = ::WriteFile(file, bytes.data() + done, part, &written, nullptr) != 0;
        if (!ok) {
            fault = SystemError();
        } else if (written == 0) {
            // A write that takes nothing without an error: the disk is full.
            SetLastError(ERROR_DISK_FULL);
            fault = SystemError();
            ok = false;
        }
        done += written;
    }
    if (ok && !FlushFileBuffers(file)) {
        ok = false;
        fault = SystemError();
    }
    CloseHandle(file);
    if (ok && !MoveFileExA(temp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        fault = SystemError();
    }
    if (!ok) {
        DeleteFileA(temp.c_str());
        error = path + ": cannot write: " + fault;
    }
    return ok;
#else
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
        error = path + ": cannot create " + temp + ": " + SystemError();
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    std::string fault = ok ? "" : SystemError();
    ::close(fd);
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        fault = SystemError();
    }
    if (!ok) {
        std::remove(temp.c_str());
        error = path + ": cannot write: " + fault;
    }
    return ok;
#endif
}

bool WriteFile(const std::string& path, const Database& db, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!Serialize(db, bytes, error)) {
        error = path + ": " + error;
        return false;
    }
    return WriteBytesAtomically(path, bytes, error);
}

}  // namespace palm
