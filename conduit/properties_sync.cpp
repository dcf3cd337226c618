// Reading and writing the handheld's property records through the Sync
// Manager: the conduit library's side of the property set.
#include <cstring>
#include <memory>
#include <new>

#include "hotsync.h"
#include "messages.h"
#include "properties.h"
#include "session.h"

namespace {

// An open database and a record descriptor over one buffer; the buffer has
// one byte more than the Sync Manager is told, so every text read ends in it.
class PropertyDatabase {
  public:
    bool Open(const char* name) {
        if (SyncOpenDB(name, 0, &handle_, kOpenModeReadWriteExclusive) != 0) return false;
        open_ = true;
        return true;
    }
    ~PropertyDatabase() {
        if (open_) SyncCloseDB(handle_);
    }

    void Prepare(uint16_t index) {
        std::memset(&record_, 0, sizeof record_);
        record_.fileHandle = handle_;
        record_.recIndex = index;
        record_.totalBytes = static_cast<uint16_t>(kPropertyRecordSize);
        record_.pBytes = reinterpret_cast<uint8_t*>(buffer_);
    }

    uint16_t Count() {
        uint16_t count = 0;
        SyncGetDBRecordCount(handle_, &count);
        return count;
    }

    // Reads the record at index; its text is terminated inside the buffer.
    bool Read(uint16_t index) {
        Prepare(index);
        if (SyncReadRecordByIndex(&record_) != 0) return false;
        size_t size = record_.recSize < kPropertyRecordSize ? record_.recSize : kPropertyRecordSize;
        buffer_[size] = '\0';
        return true;
    }

    // Writes key=value under recordId (0: a new record). A text that does not
    // fit the record buffer is not written (never cut).
    bool Write(uint32_t recordId, int category, const char* key, const char* value) {
        size_t keyLength = std::strlen(key), valueLength = std::strlen(value);
        if (keyLength + 1 + valueLength + 1 > kPropertyRecordSize) return false;
        std::memcpy(buffer_, key, keyLength);
        buffer_[keyLength] = '=';
        std::memcpy(buffer_ + keyLength + 1, value, valueLength + 1);
        std::memset(&record_, 0, sizeof record_);
        record_.fileHandle = handle_;
        record_.recId = recordId;
        record_.catId = static_cast<int16_t>(category);
        record_.recSize = static_cast<uint32_t>(keyLength + 1 + valueLength + 1);
        record_.totalBytes = static_cast<uint16_t>(kPropertyRecordSize);
        record_.pBytes = reinterpret_cast<uint8_t*>(buffer_);
        return SyncWriteRec(&record_) == 0;
    }

    const CRawRecordInfo& record() const { return record_; }
    const char* text() const { return buffer_; }

  private:
    uint8_t handle_ = 0;
    bool open_ = false;
    CRawRecordInfo record_{};
    char buffer_[kPropertyRecordSize + 1] = {};
};

}  // namespace

bool LoadHandheldProperties(const char* database, int category) {
    std::unique_ptr<PropertyDatabase> db(new (std::nothrow) PropertyDatabase);
    if (!db || !db->Open(database)) return false;
    const uint16_t count = db->Count();
    for (uint16_t index = 0; index < count; ++index) {
        if (!db->Read(index)) break;
        if (db->record().catId == category) {
            handheldProperties.AddFromRecordData(db->text(), db->record().recSize, false);
        }
    }
    return true;
}

bool SaveHandheldProperties(const char* database, int category) {
    std::unique_ptr<PropertyDatabase> db(new (std::nothrow) PropertyDatabase);
    if (!db || !db->Open(database)) return false;
    const uint16_t count = db->Count();
    LogMessage(Msg(msgUpdateProperties));

    // Update pass: rewrite records whose key was changed.
    for (uint16_t index = 0; index < count; ++index) {
        if (!db->Read(index)) break;
        if (db->record().catId != category) continue;
        const char* text = db->text();
        const char* equals = std::strchr(text, '=');
        if (equals == nullptr) continue;
        Properties::Atom* atom = handheldProperties.Find(text, static_cast<size_t>(equals - text));
        if (atom == nullptr || !atom->modified()) continue;
        if (!db->Write(db->record().recId, category, atom->key(), atom->value())) break;
        atom->SetModified(false);
    }

    // Append pass: keys that have no record yet.
    for (size_t i = 0; i < handheldProperties.Count(); ++i) {
        Properties::Atom* atom = handheldProperties.At(i);
        if (!atom->modified()) continue;
        if (!db->Write(0, category, atom->key(), atom->value())) break;
        atom->SetModified(false);
    }
    return true;
}
