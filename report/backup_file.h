// The backup's bytes, read once: mapped where the platform maps files
// (POSIX), else read into one buffer of the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class BackupFile {
  public:
    BackupFile() = default;
    ~BackupFile();
    BackupFile(const BackupFile&) = delete;
    BackupFile& operator=(const BackupFile&) = delete;

    // False with errno set when the file cannot be opened or read.
    bool Read(const std::string& path);
    const uint8_t* Data() const { return mapped_ != nullptr ? mapped_ : bytes_.data(); }
    size_t Size() const { return mapped_ != nullptr ? mappedSize_ : bytes_.size(); }

  private:
    const uint8_t* mapped_ = nullptr;
    size_t mappedSize_ = 0;
    std::vector<uint8_t> bytes_;
};
