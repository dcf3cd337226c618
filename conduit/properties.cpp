#include "properties.h"

#include <cstring>
#include <new>

#include <memory>

#ifdef _WIN32
#include "hotsync.h"
#include "messages.h"
#include "session.h"
#endif

Properties handheldProperties;

namespace {

unsigned char Fold(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// Byte-wise order with A-Z folded to a-z.
int CompareKeys(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = Fold(*a), y = Fold(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

char* CopyOf(const char* text, size_t length) {
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

constexpr size_t kInitialRoom = 10;
constexpr size_t kGrowth = 5;

}  // namespace

Properties::Atom::Atom(const char* key, size_t keyLength, const char* value, bool modified)
    : key_(CopyOf(key, keyLength)),
      value_(CopyOf(value, std::strlen(value))),
      modified_(modified) {}

Properties::Atom::~Atom() {
    delete[] key_;
    delete[] value_;
}

void Properties::Atom::SetValue(const char* value, bool modified) {
    char* copy = CopyOf(value, std::strlen(value));
    delete[] value_;
    value_ = copy;
    modified_ = modified;
}

Properties::Properties() { atoms_.reserve(kInitialRoom); }

Properties::~Properties() { Clear(); }

void Properties::Clear() {
    for (Atom* atom : atoms_) delete atom;
    atoms_.clear();
}

Properties::Atom* Properties::Find(const char* key, size_t length) const {
    for (Atom* atom : atoms_) {
        const char* k = atom->key();
        size_t i = 0;
        while (i < length && k[i] != '\0' && Fold(k[i]) == Fold(key[i])) ++i;
        if (i == length && k[i] == '\0') return atom;
    }
    return nullptr;
}

Properties::Atom* Properties::Find(const char* key) const { return Find(key, std::strlen(key)); }

const char* Properties::Get(const char* key) const {
    Atom* atom = Find(key);
    return atom != nullptr ? atom->value() : nullptr;
}

void Properties::Insert(Atom* atom) {
    size_t position = 0;
    while (position < atoms_.size() && CompareKeys(atoms_[position]->key(), atom->key()) < 0) {
        ++position;
    }
    if (atoms_.size() == atoms_.capacity()) atoms_.reserve(atoms_.capacity() + kGrowth);
    atoms_.insert(atoms_.begin() + static_cast<std::ptrdiff_t>(position), atom);
}

void Properties::AddFromRecord(const char* text, bool modified) {
    if (text == nullptr || text[0] == '\0') return;
    const char* equals = std::strchr(text, '=');
    if (equals == nullptr) return;
    size_t keyLength = static_cast<size_t>(equals - text);
    if (Find(text, keyLength) != nullptr) return;
    Insert(new Atom(text, keyLength, equals + 1, modified));
}

void Properties::AddFromRecordData(const char* data, size_t size, bool modified) {
    std::unique_ptr<char[]> text(new (std::nothrow) char[kPropertyRecordSize + 1]);
    if (!text) return;
    if (size > kPropertyRecordSize) size = kPropertyRecordSize;
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    AddFromRecord(text.get(), modified);
}

void Properties::Add(const char* key, const char* value, bool modified) {
    if (Find(key) != nullptr) return;
    Insert(new Atom(key, std::strlen(key), value, modified));
}

void Properties::Set(const char* key, const char* value, bool modified) {
    Atom* atom = Find(key);
    if (atom != nullptr) atom->SetValue(value, modified);
}

#ifdef _WIN32

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

#endif
