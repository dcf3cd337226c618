// Palm OS record databases (.pdb files): reading, writing and checking.
// Portable C++17; no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace palm {

// Record attribute bits as the .pdb file keeps them: the high nibble of the
// attribute byte. The low nibble is the category.
constexpr uint8_t kRecDeleted = 0x80;
constexpr uint8_t kRecDirty = 0x40;
constexpr uint8_t kRecBusy = 0x20;
constexpr uint8_t kRecSecret = 0x10;
constexpr uint8_t kRecFlagMask = 0xF0;
constexpr uint8_t kRecCategoryMask = 0x0F;

// Header attribute bit of a resource database (.prc), which is not a record database.
constexpr uint16_t kDbResource = 0x0001;

constexpr size_t kHeaderSize = 78;
constexpr size_t kRecordEntrySize = 8;
constexpr size_t kMaxRecords = 0xFFFF;
constexpr uint32_t kMaxUniqueId = 0xFFFFFF;

// Header fields, in file order. Offsets and the record count are computed
// when the file is written; every other field is kept as read.
struct Header {
    uint8_t name[32] = {};
    uint16_t attributes = 0;
    uint16_t version = 0;
    uint32_t creationDate = 0;  // seconds since 1904-01-01
    uint32_t modificationDate = 0;
    uint32_t backupDate = 0;
    uint32_t modificationNumber = 0;
    uint32_t appInfoOffset = 0;  // as read; rewritten on output
    uint32_t sortInfoOffset = 0;
    uint32_t type = 0;  // four characters, big-endian packed
    uint32_t creator = 0;
    uint32_t uniqueIdSeed = 0;
    uint32_t nextRecordListId = 0;
    uint16_t recordCount = 0;
};

struct Record {
    uint8_t flags = 0;      // kRecDeleted | kRecDirty | kRecBusy | kRecSecret
    uint8_t category = 0;   // 0 to 15
    uint32_t uniqueId = 0;  // 24 bits
    std::vector<uint8_t> data;
};

struct Database {
    Header header;
    bool hasAppInfo = false;
    bool hasSortInfo = false;
    std::vector<uint8_t> appInfo;
    std::vector<uint8_t> sortInfo;
    std::vector<Record> records;

    std::string Name() const;               // header name up to its first zero byte
    void SetName(const std::string& name);  // cut to 31 bytes, zero-padded
};

// A record as it lies in a file image, without a copy of its data.
struct RecordView {
    uint8_t flags = 0;
    uint8_t category = 0;
    uint32_t uniqueId = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// A parsed file image whose blocks point into the image, which must outlive it.
struct DatabaseView {
    Header header;
    const uint8_t* appInfo = nullptr;  // null when there is none
    size_t appInfoSize = 0;
    const uint8_t* sortInfo = nullptr;
    size_t sortInfoSize = 0;
    std::vector<RecordView> records;

    std::string Name() const;  // header name up to its first zero byte
};

// Parses a complete file image in place, with the checks of Parse.
bool ParseView(const uint8_t* bytes, size_t size, const std::string& label, DatabaseView& db,
               std::string& error);
// Parses a complete file image. On failure returns false and sets error to a
// text that starts with `label` (normally the file name) and names the fault.
bool Parse(const uint8_t* bytes, size_t size, const std::string& label, Database& db,
           std::string& error);
// The file image of db. Fails (with error) when the database cannot be
// represented: more than 65535 records, a category above 15, a unique id
// above 24 bits, or a file over 4 GiB.
bool Serialize(const Database& db, std::vector<uint8_t>& out, std::string& error);

// Records whose unique id is 0 or repeats an earlier record's: one text per
// such record ("record 2 repeats the unique id 7 of record 0"). A handheld
// gives every record an id of its own; tools that write .pdb files do not
// always.
std::vector<std::string> UniqueIdFaults(const Database& db);
// Gives each record that UniqueIdFaults names a fresh id above every id in
// use, as a handheld assigns them, and raises the header's seed past them.
// Returns the number of records changed; when the 24-bit ids run out, the
// rest keep theirs.
size_t AssignFreshIds(Database& db);

// Reads and parses a file; error names the file and the fault.
bool ReadFile(const std::string& path, Database& db, std::string& error);
// Writes atomically: a temporary file in the same folder, flushed to disk,
// then renamed over path. On failure path is left as it was.
bool WriteFile(const std::string& path, const Database& db, std::string& error);
bool WriteBytesAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                          std::string& error);
bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Four characters packed big-endian ('LDGY' -> 0x4C444759) and back.
uint32_t FourCC(const char* text);
std::string FourCCText(uint32_t code);

}  // namespace palm
