// SYNC20.dll: the Sync Manager over a handheld folder. Each database is read
// into memory when first opened and written back, atomically, when its last
// handle closes after a change.
#define SYNC20_BUILD
#include "palm/sync20.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "live_index.h"
#include "palm/pdb.h"

namespace {

constexpr int kMaxOpen = 32;
constexpr uint32_t kMaxRecordSize = 0xFFFF;

// One database file, shared by every handle that has it open.
struct OpenFile {
    std::string key;   // lower-case database name
    std::string name;  // as the conduit spelled it
    std::string path;
    palm::Database db;
    palm::LiveIndex live;
    std::unordered_map<uint32_t, size_t> positions;  // unique id -> position
    uint32_t nextId = 1;
    int users = 0;
    bool exclusive = false;
    bool changed = false;
};

struct Handle {
    std::shared_ptr<OpenFile> file;
    uint8_t mode = 0;
    size_t cursor = 0;  // position where the next modified-record search starts
};

struct State {
    std::mutex lock;
    bool inHotSync = false;
    std::string folder;
    SyncHostReporter reporter = nullptr;
    palm::CondHandle registered = 0;
    palm::CondHandle lastHandle = 0;
    std::unique_ptr<Handle> handles[256];  // index = database handle; 0 unused
    // Calls that the host asked to fail: function name -> the call that fails
    // (counting from 1), its result, and the calls so far.
    struct Fault {
        long nth = 0, result = 0, calls = 0;
    };
    std::unordered_map<std::string, Fault> faults;
    SyncHostObserver observer = nullptr;
    SyncHostResultObserver resultObserver = nullptr;
};

State& Sync() {
    static State state;
    return state;
}

void Report(const std::string& text) {
    if (Sync().reporter) Sync().reporter(("SYNC20: " + text).c_str());
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// A database name becomes a file name in the handheld folder: no path parts,
// no characters that Windows file names cannot hold.
bool ValidName(const char* name) {
    size_t n = std::strlen(name);
    if (n == 0 || n > 31 || name[n - 1] == '.' || name[n - 1] == ' ') return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return false;
    }
    return std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

// Record flags of the .pdb attribute byte as raw descriptor bits, and back.
uint8_t RawAttributes(uint8_t pdbFlags) {
    uint8_t raw = 0;
    if (pdbFlags & palm::kRecDeleted) raw |= palm::kRawDeleted;
    if (pdbFlags & palm::kRecDirty) raw |= palm::kRawDirty;
    if (pdbFlags & palm::kRecBusy) raw |= palm::kRawBusy;
    if (pdbFlags & palm::kRecSecret) raw |= palm::kRawSecret;
    return raw;
}

uint8_t WrittenFlags(uint8_t raw) {
    uint8_t flags = 0;
    if (raw & palm::kRawDirty) flags |= palm::kRecDirty;
    if (raw & palm::kRawSecret) flags |= palm::kRecSecret;
    return flags;
}

long CheckRegistered() {
    State& s = Sync();
    return s.inHotSync && s.registered != 0 ? palm::kSyncOk : palm::kSyncErrNotRegistered;
}

Handle* FindHandle(uint8_t handle) { return handle ? Sync().handles[handle].get() : nullptr; }

// Writes a changed file back with only the records still present.
bool WriteBack(OpenFile& f) {
    std::vector<palm::Record> kept;
    kept.reserve(f.live.Count());
    for (size_t pos = 0; pos < f.db.records.size(); ++pos) {
        if (f.live.IsLive(pos)) kept.push_back(std::move(f.db.records[pos]));
    }
    f.db.records = std::move(kept);
    f.live.Reset(f.db.records.size());
    f.positions.clear();
    for (size_t pos = 0; pos < f.db.records.size(); ++pos) {
        f.positions[f.db.records[pos].uniqueId] = pos;
    }
    std::string error;
    if (!palm::WriteFile(f.path, f.db, error)) {
        Report(error + " (the database keeps its contents from before this HotSync)");
        return false;
    }
    f.changed = false;
    return true;
}

long Close(uint8_t handle) {
    State& s = Sync();
    std::unique_ptr<Handle> h = std::move(s.handles[handle]);
    if (!h) return palm::kSyncErrBadHandle;
    OpenFile& f = *h->file;
    if (--f.users > 0) return palm::kSyncOk;
    if (f.changed && !WriteBack(f)) return palm::kSyncErrFailed;
    return palm::kSyncOk;
}

long CloseAll() {
    long open = 0;
    for (int i = 1; i < 256; ++i) {
        if (Sync().handles[i]) {
            Close(static_cast<uint8_t>(i));
            ++open;
        }
    }
    return open;
}

long Open(const char* name, int card, uint8_t* handle, uint8_t mode) {
    State& s = Sync();
    if (!name || !handle || !(mode & (palm::kOpenRead | palm::kOpenWrite))) {
        return palm::kSyncErrBadArgument;
    }
    if (card != 0 || !ValidName(name)) return palm::kSyncErrNotFound;
    const bool exclusive = (mode & palm::kOpenExclusive) != 0;
    const std::string key = Lower(name);

    std::shared_ptr<OpenFile> file;
    int freeSlot = 0, openCount = 0;
    for (int i = 255; i >= 1; --i) {
        if (!s.handles[i]) {
            freeSlot = i;
            continue;
        }
        ++openCount;
        if (s.handles[i]->file->key == key) file = s.handles[i]->file;
    }
    if (file && (exclusive || file->exclusive)) return palm::kSyncErrInUse;
    if (openCount >= kMaxOpen || freeSlot == 0) return palm::kSyncErrTooManyOpen;

    if (!file) {
        file = std::make_shared<OpenFile>();
        file->key = key;
        file->name = name;
        file->path = s.folder + "\\" + name + ".pdb";
        DWORD attributes = GetFileAttributesA(file->path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return palm::kSyncErrNotFound;
        }
        std::string error;
        std::vector<uint8_t> bytes;
        if (!palm::ReadBytes(file->path, bytes, error)) {
            Report(error);
            return palm::kSyncErrFailed;
        }
        if (!palm::Parse(bytes.data(), bytes.size(), file->path, file->db, error)) {
            Report(error);
            return palm::kSyncErrCorrupt;
        }
        // A record is deleted by its unique id, so every id must be a
        // record's own: repeated ids and id 0 get fresh ones, as the
        // handheld would have given them.
        const std::vector<std::string> faults = palm::UniqueIdFaults(file->db);
        if (!faults.empty()) {
            std::vector<uint32_t> before;
            for (const palm::Record& r : file->db.records) before.push_back(r.uniqueId);
            palm::AssignFreshIds(file->db);
            std::string text = file->path + ":";
            size_t n = 0;
            for (size_t i = 0; i < before.size(); ++i) {
                if (before[i] == file->db.records[i].uniqueId) continue;
                text += std::string(n == 0 ? " " : "; ") + faults[n] + ", given the id " +
                        std::to_string(file->db.records[i].uniqueId);
                ++n;
            }
            Report(text);
            file->changed = true;
        }
        const auto& records = file->db.records;
        file->live.Reset(records.size());
        uint32_t highest = 0;
        for (size_t pos = 0; pos < records.size(); ++pos) {
            file->positions[records[pos].uniqueId] = pos;
            highest = std::max(highest, records[pos].uniqueId);
        }
        file->nextId = std::max<uint32_t>({file->db.header.uniqueIdSeed, highest + 1, 1});
    }
    ++file->users;
    file->exclusive = exclusive;
    auto h = std::make_unique<Handle>();
    h->file = file;
    h->mode = mode;
    s.handles[freeSlot] = std::move(h);
    *handle = static_cast<uint8_t>(freeSlot);
    return palm::kSyncOk;
}

long FillRecord(palm::RawRecord* rec, const palm::Record& r, size_t index) {
    if (!rec->pBytes && rec->totalBytes > 0) return palm::kSyncErrBadArgument;
    rec->recId = r.uniqueId;
    rec->recIndex = static_cast<uint16_t>(index);
    rec->attribs = RawAttributes(r.flags);
    rec->catId = r.category;
    rec->recSize = static_cast<uint32_t>(r.data.size());
    size_t n = std::min<size_t>(r.data.size(), rec->totalBytes);
    if (n > 0) std::memcpy(rec->pBytes, r.data.data(), n);
    return palm::kSyncOk;
}

long ReadByIndex(palm::RawRecord* rec) {
    Handle* h = FindHandle(rec->fileHandle);
    if (!h) return palm::kSyncErrBadHandle;
    OpenFile& f = *h->file;
    if (rec->recIndex >= f.live.Count()) return palm::kSyncErrNotFound;
    size_t pos = f.live.Find(rec->recIndex);
    return FillRecord(rec, f.db.records[pos], rec->recIndex);
}

long ReadNextModified(palm::RawRecord* rec) {
    Handle* h = FindHandle(rec->fileHandle);
    if (!h) return palm::kSyncErrBadHandle;
    OpenFile& f = *h->file;
    for (size_t pos = h->cursor; pos < f.db.records.size(); ++pos) {
        if (f.live.IsLive(pos) && (f.db.records[pos].flags & palm::kRecDirty)) {
            long result = FillRecord(rec, f.db.records[pos], f.live.Rank(pos));
            if (result == palm::kSyncOk) h->cursor = pos + 1;
            return result;
        }
    }
    h->cursor = f.db.records.size();
    return palm::kSyncErrNotFound;
}

long Write(palm::RawRecord* rec) {
    Handle* h = FindHandle(rec->fileHandle);
    if (!h) return palm::kSyncErrBadHandle;
    if (!(h->mode & palm::kOpenWrite)) return palm::kSyncErrReadOnly;
    if (rec->catId < 0 || rec->catId > 15 || rec->recSize > kMaxRecordSize ||
        (!rec->pBytes && rec->recSize > 0)) {
        return palm::kSyncErrBadArgument;
    }
    OpenFile& f = *h->file;
    std::vector<uint8_t> data(rec->pBytes, rec->pBytes + rec->recSize);
    size_t pos;
    if (rec->recId == 0) {
        if (f.live.Count() >= palm::kMaxRecords || f.nextId > palm::kMaxUniqueId) {
            return palm::kSyncErrFull;
        }
        palm::Record r;
        r.uniqueId = f.nextId++;
        f.db.header.uniqueIdSeed = f.nextId;
        f.db.records.push_back(std::move(r));
        f.live.Append();
        pos = f.db.records.size() - 1;
        f.positions[f.db.records[pos].uniqueId] = pos;
    } else {
        auto found = f.positions.find(rec->recId);
        if (found == f.positions.end()) return palm::kSyncErrNotFound;
        pos = found->second;
    }
    palm::Record& r = f.db.records[pos];
    r.data = std::move(data);
    r.category = static_cast<uint8_t>(rec->catId);
    r.flags = WrittenFlags(rec->attribs);
    rec->recId = r.uniqueId;
    rec->recIndex = static_cast<uint16_t>(f.live.Rank(pos));
    f.changed = true;
    return palm::kSyncOk;
}

long Delete(palm::RawRecord* rec) {
    Handle* h = FindHandle(rec->fileHandle);
    if (!h) return palm::kSyncErrBadHandle;
    if (!(h->mode & palm::kOpenWrite)) return palm::kSyncErrReadOnly;
    OpenFile& f = *h->file;
    auto found = f.positions.find(rec->recId);
    if (found == f.positions.end()) return palm::kSyncErrNotFound;
    f.live.Remove(found->second);
    std::vector<uint8_t>().swap(f.db.records[found->second].data);
    f.positions.erase(found);
    f.changed = true;
    return palm::kSyncOk;
}

long ResetFlags(uint8_t handle) {
    Handle* h = FindHandle(handle);
    if (!h) return palm::kSyncErrBadHandle;
    if (!(h->mode & palm::kOpenWrite)) return palm::kSyncErrReadOnly;
    OpenFile& f = *h->file;
    for (size_t pos = 0; pos < f.db.records.size(); ++pos) {
        palm::Record& r = f.db.records[pos];
        if (f.live.IsLive(pos) && (r.flags & palm::kRecDirty)) {
            r.flags &= static_cast<uint8_t>(~palm::kRecDirty);
            f.changed = true;
        }
    }
    return palm::kSyncOk;
}

std::string HandheldUser(bool& found) {
    std::vector<uint8_t> bytes;
    std::string error;
    found = palm::ReadBytes(Sync().folder + "\\User.txt", bytes, error);
    std::string name(bytes.begin(), bytes.end());
    name = name.substr(0, name.find_first_of("\r\n"));
    name = name.substr(0, name.find('\0'));
    return name;
}

// Runs an export's body under the lock; no exception leaves the DLL. A call
// that the host asked to fail returns its result without doing anything.
// The host's observers see the call before and its result after, outside
// the lock.
template <typename Body>
long Guarded(const char* function, bool needRegistration, Body body,
             const palm::RawRecord* record = nullptr) {
    if (Sync().observer) Sync().observer(function, record);
    long result = palm::kSyncErrFailed;
    try {
        std::lock_guard<std::mutex> guard(Sync().lock);
        auto fault = Sync().faults.find(function);
        if (needRegistration && CheckRegistered() != palm::kSyncOk) {
            result = CheckRegistered();
        } else if (fault != Sync().faults.end() && ++fault->second.calls == fault->second.nth) {
            result = fault->second.result;
        } else {
            result = body();
        }
    } catch (...) {
        result = palm::kSyncErrFailed;
    }
    if (Sync().resultObserver) Sync().resultObserver(function, record, result);
    return result;
}

}  // namespace

extern "C" {

long __cdecl SyncRegisterConduit(palm::CondHandle* handle) {
    return Guarded("SyncRegisterConduit", false, [&]() -> long {
        State& s = Sync();
        if (!handle) return palm::kSyncErrBadArgument;
        if (!s.inHotSync) return palm::kSyncErrNotRegistered;
        if (s.registered != 0) return palm::kSyncErrInUse;
        s.registered = ++s.lastHandle;
        *handle = s.registered;
        return palm::kSyncOk;
    });
}

long __cdecl SyncUnRegisterConduit(palm::CondHandle handle) {
    return Guarded("SyncUnRegisterConduit", true, [&]() -> long {
        State& s = Sync();
        if (handle != s.registered) return palm::kSyncErrBadHandle;
        long open = CloseAll();
        if (open > 0) {
            Report("the conduit unregistered with " + std::to_string(open) +
                   " database(s) still open; they were closed");
        }
        s.registered = 0;
        return palm::kSyncOk;
    });
}

long __cdecl SyncReadUserID(palm::UserIdInfo* user) {
    return Guarded("SyncReadUserID", true, [&]() -> long {
        if (!user) return palm::kSyncErrBadArgument;
        bool found;
        std::string name = HandheldUser(found);
        if (!found) return palm::kSyncErrNotFound;
        if (name.size() > 63) {
            Report("the handheld's user name is longer than 63 bytes; it was cut");
            name.resize(63);
        }
        std::memset(user, 0, sizeof *user);
        std::memcpy(user->userName, name.data(), name.size());
        user->userNameLength = static_cast<int32_t>(name.size() + 1);
        return palm::kSyncOk;
    });
}

long __cdecl SyncOpenDB(const char* name, int card, uint8_t* handle, uint8_t mode) {
    return Guarded("SyncOpenDB", true, [&] { return Open(name, card, handle, mode); });
}

long __cdecl SyncCloseDB(uint8_t handle) {
    return Guarded("SyncCloseDB", true, [&] { return Close(handle); });
}

long __cdecl SyncGetDBRecordCount(uint8_t handle, uint16_t* count) {
    return Guarded("SyncGetDBRecordCount", true, [&]() -> long {
        Handle* h = FindHandle(handle);
        if (!h) return palm::kSyncErrBadHandle;
        if (!count) return palm::kSyncErrBadArgument;
        *count = static_cast<uint16_t>(h->file->live.Count());
        return palm::kSyncOk;
    });
}

long __cdecl SyncReadRecordByIndex(palm::RawRecord* record) {
    return Guarded(
        "SyncReadRecordByIndex", true,
        [&] { return record ? ReadByIndex(record) : palm::kSyncErrBadArgument; }, record);
}

long __cdecl SyncReadNextModifiedRec(palm::RawRecord* record) {
    return Guarded(
        "SyncReadNextModifiedRec", true,
        [&] { return record ? ReadNextModified(record) : palm::kSyncErrBadArgument; }, record);
}

long __cdecl SyncWriteRec(palm::RawRecord* record) {
    return Guarded(
        "SyncWriteRec", true, [&] { return record ? Write(record) : palm::kSyncErrBadArgument; },
        record);
}

long __cdecl SyncDeleteRec(palm::RawRecord* record) {
    return Guarded(
        "SyncDeleteRec", true, [&] { return record ? Delete(record) : palm::kSyncErrBadArgument; },
        record);
}

long __cdecl SyncResetSyncFlags(uint8_t handle) {
    return Guarded("SyncResetSyncFlags", true, [&] { return ResetFlags(handle); });
}

long __cdecl SyncHostFailCall(const char* function, long nth, long result) {
    return Guarded("SyncHostFailCall", false, [&]() -> long {
        if (!function || nth < 0) return palm::kSyncErrBadArgument;
        State::Fault& fault = Sync().faults[function];
        fault.nth = nth;
        fault.result = result;
        fault.calls = 0;
        return palm::kSyncOk;
    });
}

long __cdecl SyncHostObserve(SyncHostObserver observer) {
    Sync().observer = observer;
    return palm::kSyncOk;
}

long __cdecl SyncHostObserveResults(SyncHostResultObserver observer) {
    Sync().resultObserver = observer;
    return palm::kSyncOk;
}

long __cdecl SyncHostBegin(const char* handheldFolder, SyncHostReporter reporter) {
    return Guarded("SyncHostBegin", false, [&]() -> long {
        if (!handheldFolder || !*handheldFolder) return palm::kSyncErrBadArgument;
        State& s = Sync();
        CloseAll();
        s.folder = handheldFolder;
        while (s.folder.size() > 1 && (s.folder.back() == '\\' || s.folder.back() == '/')) {
            s.folder.pop_back();
        }
        s.reporter = reporter;
        s.registered = 0;
        s.inHotSync = true;
        return palm::kSyncOk;
    });
}

long __cdecl SyncHostEnd() {
    return Guarded("SyncHostEnd", false, [&]() -> long {
        State& s = Sync();
        long open = CloseAll();
        s.registered = 0;
        s.inHotSync = false;
        s.reporter = nullptr;
        return open;
    });
}

long __cdecl SyncHostUserName(char* buffer, int size) {
    return Guarded("SyncHostUserName", false, [&]() -> long {
        if (!buffer || size <= 0) return palm::kSyncErrBadArgument;
        if (!Sync().inHotSync) return palm::kSyncErrNotRegistered;
        bool found;
        std::string name = HandheldUser(found);
        if (!found) return palm::kSyncErrNotFound;
        size_t n = std::min(name.size(), static_cast<size_t>(size - 1));
        std::memcpy(buffer, name.data(), n);
        buffer[n] = '\0';
        return palm::kSyncOk;
    });
}

}  // extern "C"
