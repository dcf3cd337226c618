#include "report_stream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "texts.h"

using namespace files;

namespace {

constexpr size_t kBufferSize = 64 * 1024;
// A unit holds at least a date and a line end, so the buffer never holds
// more units than this.
constexpr size_t kMaxUnits = kBufferSize / 8;
constexpr size_t kCopyChunk = 64 * 1024;

template <size_t N>
void CopyText(char (&target)[N], const char* text) {
    std::snprintf(target, N, "%s", text);
}

}  // namespace

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
    return EqualFoldingAZ(path_, other.path_);
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
    std::memcpy(buffer_.get() + used_, &"\r\n"[2 - tornDue_], tornDue_);
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
    bool ok =
        history.tornDue_ == 0 || history.WriteOut(&"\r\n"[2 - history.tornDue_], history.tornDue_);
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
