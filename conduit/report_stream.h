// A report file open for appending: ReportStream.
//
// A report file is written at its end through a buffer of its own. What
// reaches the disk always ends with a whole report line: the report writer
// hands over each record's lines (title, names or separator first where due)
// as one unit, the buffer is written out only between units, and when a write
// fails the file is cut back to the end of the last unit it holds whole.
//
// Written is not yet on the disk itself: FlushToDisk makes it so (the
// platform's flush), and a record leaves the handheld only after that. A
// file that a crash left ending inside a line gets a line end before the
// first unit appended to it, so that the fragment stays a line of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform_files.h"
#include "settings.h"

class ReportStream {
  public:
    // A system error in the words of the platform, in a fixed buffer.
    static constexpr size_t kReasonSize = files::kReasonSize;

    ReportStream() = default;
    ~ReportStream();
    ReportStream(const ReportStream&) = delete;
    ReportStream& operator=(const ReportStream&) = delete;

    // Opens path for writing at its end, creating the file when it is
    // missing; nothing is truncated. False with reason set when the platform
    // refuses.
    bool Open(const char* path, char (&reason)[kReasonSize]);
    bool IsOpen() const;
    // True when both streams have one file open, whatever the spelling of
    // their paths: decided by the file's identity (volume and file index).
    bool SameFile(const ReportStream& other) const;

    // Appends one unit (the lines of one record). Writes the buffer out first
    // when the unit does not fit. False when the stream has failed.
    bool Append(const char* data, size_t size);
    // The same in two steps, without a copy: room for a unit of at most
    // kMaxUnit bytes in the buffer (null when the stream has failed), then
    // the unit's size once it is written there.
    static constexpr size_t kMaxUnit = 16 * 1024;
    char* Reserve();
    void Commit(size_t size);
    // Writes the buffer to the file. On failure the file is cut back to the
    // end of its last whole unit and the stream stays failed.
    bool Flush();
    // Writes the buffer to the file and, when bytes reached the file since
    // the last time, flushes the file to the disk itself. When the write
    // fails, what the file holds whole is still flushed; when the flush
    // fails, the stream fails with the platform's reason.
    bool FlushToDisk();
    // Cuts the file (and what is buffered) back to offset, which lies at the
    // end of a unit. False when the file cannot be cut.
    bool CutTo(uint64_t offset);
    // Where a history stood before a report was appended to it.
    struct HistoryMark {
        uint64_t start;
        bool created;
    };
    // Appends the file's whole contents to the file at historyPath, which is
    // flushed to the disk; the history is cut back to its former end when
    // that fails. others are the run's report streams: a history that is one
    // of them is refused.
    bool AppendTo(const char* historyPath, ReportStream* const* others, int count,
                  HistoryMark& mark);
    // Fills the emptied file again with the last size bytes of the history
    // at historyPath (where AppendTo put its former contents) and flushes it
    // to the disk; false when that fails.
    bool FillFrom(const char* historyPath, uint64_t size);
    // Flushes and closes; false when the last write fails.
    bool Close();
    // Closes and removes the file when this stream created it.
    void Discard();

    // Offset after everything appended, after what was written to the file,
    // and after what is flushed to the disk itself (or was in the file when
    // it was opened).
    uint64_t End() const { return durable_ + used_; }
    uint64_t Durable() const { return durable_; }
    uint64_t Flushed() const { return flushed_; }
    bool Failed() const { return failed_; }
    bool Created() const { return created_; }
    const char* Path() const { return path_; }
    // Why the last operation failed.
    const char* Reason() const { return reason_; }

  private:
    bool WriteOut(const char* data, size_t size);
    void Fail();
    // Puts the line end that a torn last line needs into the buffer.
    void EndTornLine();

    intptr_t file_ = -1;  // HANDLE or file descriptor; -1 when closed
    uint64_t volume_ = 0, index_ = 0;
    char path_[kPathSize] = "";
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    uint64_t durable_ = 0;
    uint64_t flushed_ = 0;
    bool unflushed_ = false;  // bytes reached the file since the last flush
    // A file that ended inside a line when it was opened: its size then, and
    // the bytes of the line end it still needs (0: none).
    uint64_t tornAt_ = 0;
    size_t tornNeed_ = 0, tornDue_ = 0;
    // Ends of the units in the buffer, relative to its start.
    std::unique_ptr<uint32_t[]> unitEnds_;
    size_t units_ = 0;
    bool created_ = false;
    bool failed_ = false;
    char reason_[kReasonSize] = "";
};
