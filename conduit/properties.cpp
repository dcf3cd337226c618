#include "properties.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "texts.h"

Properties handheldProperties;

namespace {

// The order of CompareFoldingAZ between a key and the first length bytes of
// a text.
int CompareKeyToText(const char* key, const char* text, size_t length) {
    for (size_t i = 0;; ++i) {
        const unsigned char x = static_cast<unsigned char>(FoldAZ(key[i]));
        const unsigned char y = i < length ? static_cast<unsigned char>(FoldAZ(text[i])) : 0;
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

// The entries are kept in key order (Insert), so a look-up is a binary search.
Properties::Atom* Properties::Find(const char* key, size_t length) const {
    // No key holds a zero byte.
    if (std::memchr(key, '\0', length) != nullptr) return nullptr;
    auto found =
        std::lower_bound(atoms_.begin(), atoms_.end(), key, [length](Atom* atom, const char* k) {
            return CompareKeyToText(atom->key(), k, length) < 0;
        });
    if (found == atoms_.end() || CompareKeyToText((*found)->key(), key, length) != 0)
        return nullptr;
    return *found;
}

Properties::Atom* Properties::Find(const char* key) const { return Find(key, std::strlen(key)); }

const char* Properties::Get(const char* key) const {
    Atom* atom = Find(key);
    return atom != nullptr ? atom->value() : nullptr;
}

void Properties::Insert(Atom* atom) {
    auto position = std::lower_bound(atoms_.begin(), atoms_.end(), atom, [](Atom* a, Atom* b) {
        return CompareFoldingAZ(a->key(), b->key()) < 0;
    });
    const auto index = position - atoms_.begin();
    if (atoms_.size() == atoms_.capacity()) atoms_.reserve(atoms_.capacity() + kGrowth);
    atoms_.insert(atoms_.begin() + index, atom);
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
