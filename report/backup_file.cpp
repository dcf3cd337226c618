#include "backup_file.h"

#include <cerrno>

#include "palm/pdb.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

BackupFile::~BackupFile() {
#ifndef _WIN32
    if (mapped_ != nullptr) munmap(const_cast<uint8_t*>(mapped_), mappedSize_);
#endif
}

bool BackupFile::Read(const std::string& path) {
#ifndef _WIN32
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        static_cast<uint64_t>(info.st_size) <= 0xFFFFFFFFu) {
        void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            mapped_ = static_cast<const uint8_t*>(map);
            mappedSize_ = static_cast<size_t>(info.st_size);
            ::close(fd);
            return true;
        }
    }
    ::close(fd);
#endif
    // Anything that cannot be mapped: one read into a buffer of its size.
    std::string error;
    return palm::ReadBytes(path, bytes_, error);
}
