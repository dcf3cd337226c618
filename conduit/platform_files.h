// The platform's files under one interface for Windows and POSIX: a file
// opened at its end, written and read at offsets, cut, flushed to the disk
// itself, closed and removed; and the data directory looked at and made.
// Paths are Windows-1252 with backslashes, as the settings hold them.
// A system error comes back in the words of the platform (for example
// "There is not enough space on the disk"), in a fixed buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#ifndef _WIN32
#include <string>
#endif

namespace files {

constexpr size_t kReasonSize = 256;
using Reason = char[kReasonSize];

// Between a directory and a name in a path.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The platform's reason for the last failure, for "the file exists" and for
// "the name is too long".
void LastReason(Reason& reason);
void ExistsReason(Reason& reason);
void TooLongReason(Reason& reason);

// Opens path for reading and writing, creating it when it is missing;
// created tells which, size is its length, volume and index its identity
// (0 when the platform gives none). file is a HANDLE or a file descriptor.
bool OpenAtEnd(const char* path, intptr_t& file, bool& created, uint64_t& size, uint64_t& volume,
               uint64_t& index, Reason& reason);
// Writes size bytes at offset; written tells how many reached the file.
bool WriteAt(intptr_t file, uint64_t offset, const char* data, size_t size, size_t& written,
             Reason& reason);
// Reads at most size bytes at offset; got is 0 at the end of the file.
bool ReadAt(intptr_t file, uint64_t offset, char* data, size_t size, size_t& got, Reason& reason);
bool Truncate(intptr_t file, uint64_t size, Reason& reason);
// Flushes what the file holds to the disk itself.
bool SyncToDisk(intptr_t file, Reason& reason);
void CloseFile(intptr_t file);
void RemoveFile(const char* path);

enum class DirectoryState { Missing, Directory, NotDirectory };
DirectoryState QueryDirectory(const char* path);
// Creates one directory level; false when it cannot.
bool CreateOneDirectory(const char* path);

#ifndef _WIN32
// The path as the file system takes it: UTF-8 with slashes (the code page's
// rule in texts.h, which keeps apart names that differ in any byte).
std::string NativePath(const char* path);
#endif

}  // namespace files
