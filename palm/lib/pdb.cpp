// Parsing and serialising .pdb file images. Everything here works on bytes in
// memory; file access lives in pdb_file.cpp.
#include "palm/pdb.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace palm {
namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// Names a block of a file image for messages: the appInfo block (index -2),
// the sortInfo block (-1) or a record.
std::string SectionName(long index) {
    if (index == -2) return "appInfo block";
    if (index == -1) return "sortInfo block";
    return "record " + std::to_string(index);
}

std::string HeaderName(const Header& h) {
    const auto* end = std::find(h.name, h.name + sizeof h.name, 0);
    return std::string(h.name, end);
}

}  // namespace

std::string Database::Name() const { return HeaderName(header); }
std::string DatabaseView::Name() const { return HeaderName(header); }

void Database::SetName(const std::string& name) {
    std::memset(header.name, 0, sizeof header.name);
    std::memcpy(header.name, name.data(), std::min(name.size(), sizeof header.name - 1));
}

uint32_t FourCC(const char* text) {
    uint32_t code = 0;
    size_t n = std::strlen(text);
    for (size_t i = 0; i < 4; ++i) code = code << 8 | (i < n ? static_cast<uint8_t>(text[i]) : 0);
    return code;
}

std::string FourCCText(uint32_t code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>(code >> shift & 0xFF);
    return text;
}

bool ParseView(const uint8_t* bytes, size_t size, const std::string& label, DatabaseView& db,
               std::string& error) {
    auto fail = [&](const std::string& fault) {
        error = label + ": " + fault;
        return false;
    };
    if (size < kHeaderSize) {
        return fail("truncated header: the file has " + std::to_string(size) +
                    " bytes, a database header needs " + std::to_string(kHeaderSize));
    }
    DatabaseView result;
    Header& h = result.header;
    std::memcpy(h.name, bytes, sizeof h.name);
    h.attributes = Get16(bytes + 32);
    h.version = Get16(bytes + 34);
    h.creationDate = Get32(bytes + 36);
    h.modificationDate = Get32(bytes + 40);
    h.backupDate = Get32(bytes + 44);
    h.modificationNumber = Get32(bytes + 48);
    h.appInfoOffset = Get32(bytes + 52);
    h.sortInfoOffset = Get32(bytes + 56);
    h.type = Get32(bytes + 60);
    h.creator = Get32(bytes + 64);
    h.uniqueIdSeed = Get32(bytes + 68);
    h.nextRecordListId = Get32(bytes + 72);
    h.recordCount = Get16(bytes + 76);

    if (h.attributes & kDbResource) {
        return fail("is a resource database (header attribute 0x0001), not a record database");
    }
    if (h.nextRecordListId != 0) {
        return fail("next record list id is " + std::to_string(h.nextRecordListId) + ", must be 0");
    }
    const size_t listEnd = kHeaderSize + kRecordEntrySize * h.recordCount;
    if (listEnd > size) {
        return fail("record count " + std::to_string(h.recordCount) +
                    " does not match the file: its record list would end at byte " +
                    std::to_string(listEnd) + ", the file has " + std::to_string(size) + " bytes");
    }

    // The blocks in file order: the appInfo block, the sortInfo block, then
    // the records; each runs to the next one's offset, the last to the end.
    result.records.resize(h.recordCount);
    const long extra = (h.appInfoOffset != 0) + (h.sortInfoOffset != 0);
    const long total = extra + h.recordCount;
    auto indexAt = [&](long k) -> long {  // -2 appInfo, -1 sortInfo, else a record
        if (k >= extra) return k - extra;
        return k == 0 && h.appInfoOffset != 0 ? -2 : -1;
    };
    auto offsetAt = [&](long k) -> uint32_t {
        const long index = indexAt(k);
        if (index == -2) return h.appInfoOffset;
        if (index == -1) return h.sortInfoOffset;
        return Get32(bytes + kHeaderSize + kRecordEntrySize * static_cast<size_t>(index));
    };
    uint32_t previous = 0;
    for (long k = 0; k < total; ++k) {
        const uint32_t offset = offsetAt(k);
        auto what = [&] { return SectionName(indexAt(k)) + " offset " + std::to_string(offset); };
        if (offset > size) {
            return fail(what() + " lies outside the file (" + std::to_string(size) + " bytes)");
        }
        if (offset < listEnd) {
            return fail(what() + " lies inside the header and record list (which end at byte " +
                        std::to_string(listEnd) + ")");
        }
        if (offset < previous) {
            return fail(what() + " is below the " + SectionName(indexAt(k - 1)) + " offset " +
                        std::to_string(previous));
        }
        previous = offset;
    }
    for (long k = 0; k < total; ++k) {
        const uint32_t offset = offsetAt(k);
        const size_t end = k + 1 < total ? offsetAt(k + 1) : size;
        const uint8_t* data = bytes + offset;
        const long index = indexAt(k);
        if (index == -2) {
            result.appInfo = data, result.appInfoSize = end - offset;
        } else if (index == -1) {
            result.sortInfo = data, result.sortInfoSize = end - offset;
        } else {
            const uint8_t* entry =
                bytes + kHeaderSize + kRecordEntrySize * static_cast<size_t>(index);
            RecordView& r = result.records[static_cast<size_t>(index)];
            r.flags = entry[4] & kRecFlagMask;
            r.category = entry[4] & kRecCategoryMask;
            r.uniqueId = static_cast<uint32_t>(entry[5]) << 16 | entry[6] << 8 | entry[7];
            r.data = data, r.size = end - offset;
        }
    }
    db = std::move(result);
    return true;
}

bool Parse(const uint8_t* bytes, size_t size, const std::string& label, Database& db,
           std::string& error) {
    DatabaseView view;
    if (!ParseView(bytes, size, label, view, error)) return false;
    Database result;
    result.header = view.header;
    result.hasAppInfo = view.appInfo != nullptr;
    result.hasSortInfo = view.sortInfo != nullptr;
    if (view.appInfo) result.appInfo.assign(view.appInfo, view.appInfo + view.appInfoSize);
    if (view.sortInfo) result.sortInfo.assign(view.sortInfo, view.sortInfo + view.sortInfoSize);
    result.records.resize(view.records.size());
    for (size_t i = 0; i < view.records.size(); ++i) {
        const RecordView& v = view.records[i];
        Record& r = result.records[i];
        r.flags = v.flags;
        r.category = v.category;
        r.uniqueId = v.uniqueId;
        r.data.assign(v.data, v.data + v.size);
    }
    db = std::move(result);
    return true;
}

namespace {

// Calls fault(index, earlier) for every record whose id is 0 (earlier = -1)
// or repeats the id of record earlier.
template <typename Fault>
void ForEachIdFault(const Database& db, Fault fault) {
    std::unordered_map<uint32_t, size_t> first;
    for (size_t i = 0; i < db.records.size(); ++i) {
        const uint32_t id = db.records[i].uniqueId;
        if (id == 0) {
            fault(i, -1);
            continue;
        }
        auto seen = first.emplace(id, i);
        if (!seen.second) fault(i, static_cast<long>(seen.first->second));
    }
}

}  // namespace

std::vector<std::string> UniqueIdFaults(const Database& db) {
    std::vector<std::string> faults;
    ForEachIdFault(db, [&](size_t i, long earlier) {
        const std::string id = std::to_string(db.records[i].uniqueId);
        faults.push_back("record " + std::to_string(i) +
                         (earlier < 0 ? " has the unique id 0"
                                      : " repeats the unique id " + id + " of record " +
                                            std::to_string(earlier)));
    });
    return faults;
}

size_t AssignFreshIds(Database& db) {
    std::vector<size_t> faulty;
    ForEachIdFault(db, [&](size_t i, long) { faulty.push_back(i); });
    uint32_t next = db.header.uniqueIdSeed & kMaxUniqueId;
    for (const Record& r : db.records) next = std::max(next, r.uniqueId);
    size_t changed = 0;
    for (size_t i : faulty) {
        if (next >= kMaxUniqueId) break;
        db.records[i].uniqueId = ++next;
        ++changed;
    }
    if (changed > 0) db.header.uniqueIdSeed = next + 1;
    return changed;
}

bool Serialize(const Database& db, std::vector<uint8_t>& out, std::string& error) {
    const size_t count = db.records.size();
    if (count > kMaxRecords) {
        error = "too many records: " + std::to_string(count) + ", a database holds at most " +
                std::to_string(kMaxRecords);
        return false;
    }
    uint64_t total =
        kHeaderSize + kRecordEntrySize * count + 2 + db.appInfo.size() + db.sortInfo.size();
    for (size_t i = 0; i < count; ++i) {
        const Record& r = db.records[i];
        if (r.category > kRecCategoryMask || (r.flags & ~kRecFlagMask) ||
            r.uniqueId > kMaxUniqueId) {
            error = "record " + std::to_string(i) +
                    " cannot be stored: category, flags or unique id out of range";
            return false;
        }
        total += r.data.size();
    }
    if (total > 0xFFFFFFFFu) {
        error = "database too large for the file format";
        return false;
    }

    const Header& h = db.header;
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(total));
    bytes.insert(bytes.end(), h.name, h.name + sizeof h.name);
    Put16(bytes, h.attributes);
    Put16(bytes, h.version);
    Put32(bytes, h.creationDate);
    Put32(bytes, h.modificationDate);
    Put32(bytes, h.backupDate);
    Put32(bytes, h.modificationNumber);
    uint32_t pos = static_cast<uint32_t>(kHeaderSize + kRecordEntrySize * count + 2);
    const uint32_t appInfoOffset = db.hasAppInfo ? pos : 0;
    pos += static_cast<uint32_t>(db.appInfo.size());
    const uint32_t sortInfoOffset = db.hasSortInfo ? pos : 0;
    pos += static_cast<uint32_t>(db.sortInfo.size());
    Put32(bytes, appInfoOffset);
    Put32(bytes, sortInfoOffset);
    Put32(bytes, h.type);
    Put32(bytes, h.creator);
    Put32(bytes, h.uniqueIdSeed);
    Put32(bytes, h.nextRecordListId);
    Put16(bytes, static_cast<uint16_t>(count));
    for (const Record& r : db.records) {
        Put32(bytes, pos);
        bytes.push_back(static_cast<uint8_t>(r.flags | r.category));
        bytes.push_back(static_cast<uint8_t>(r.uniqueId >> 16));
        bytes.push_back(static_cast<uint8_t>(r.uniqueId >> 8));
        bytes.push_back(static_cast<uint8_t>(r.uniqueId));
        pos += static_cast<uint32_t>(r.data.size());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    bytes.insert(bytes.end(), db.appInfo.begin(), db.appInfo.end());
    bytes.insert(bytes.end(), db.sortInfo.begin(), db.sortInfo.end());
    for (const Record& r : db.records) bytes.insert(bytes.end(), r.data.begin(), r.data.end());
    out = std::move(bytes);
    return true;
}

}  // namespace palm
