// The handheld's property set: named text values kept as "key=value" records
// in category 14 of the auxiliary database, read at the start of a run and
// written back (the modified ones) at its end.
#pragma once

#include <cstddef>
#include <vector>

// Buffer through which property records are read and written.
constexpr size_t kPropertyRecordSize = 4024;

class Properties {
  public:
    // One property. Key and value are owned copies.
    class Atom {
      public:
        Atom(const char* key, size_t keyLength, const char* value, bool modified);
        ~Atom();
        Atom(const Atom&) = delete;
        Atom& operator=(const Atom&) = delete;

        const char* key() const { return key_; }
        const char* value() const { return value_; }
        bool modified() const { return modified_; }
        void SetValue(const char* value, bool modified);
        void SetModified(bool modified) { modified_ = modified; }

      private:
        char* key_;
        char* value_;
        bool modified_;
    };

    Properties();
    ~Properties();
    Properties(const Properties&) = delete;
    Properties& operator=(const Properties&) = delete;

    // The entry whose key has exactly length characters and equals the first
    // length characters of key, ignoring the case of A-Z; null if none.
    Atom* Find(const char* key, size_t length) const;
    Atom* Find(const char* key) const;
    // Value of key, or null.
    const char* Get(const char* key) const;
    // Parses "key=value" (the key ends at the first "="); a text without "="
    // or with a key already present is ignored.
    void AddFromRecord(const char* text, bool modified);
    // The same for a record of size bytes as read from the database: its
    // text ends at its first zero byte or at kPropertyRecordSize bytes.
    void AddFromRecordData(const char* data, size_t size, bool modified);
    // Inserts key unless it is present.
    void Add(const char* key, const char* value, bool modified);
    // Replaces the value of an existing key; does nothing for a missing one.
    void Set(const char* key, const char* value, bool modified);
    // Removes every entry.
    void Clear();

    size_t Count() const { return atoms_.size(); }
    Atom* At(size_t index) const { return atoms_[index]; }

  private:
    void Insert(Atom* atom);
    std::vector<Atom*> atoms_;
};

// The property set of the current run.
extern Properties handheldProperties;

// Category of the property records and the auxiliary database.
constexpr int kPropertyCategory = 14;
constexpr const char* kPropertyDatabase = "LedgerlyAux_DB";
#ifdef _WIN32
// Adds the category's property records of the database to handheldProperties.
// False (set unchanged, nothing logged) when the database cannot be opened.
bool LoadHandheldProperties(const char* database, int category);
// Writes the modified entries back: in place over records of the same key,
// then appended as new records. False (nothing logged) when the database
// cannot be opened.
bool SaveHandheldProperties(const char* database, int category);
#endif
