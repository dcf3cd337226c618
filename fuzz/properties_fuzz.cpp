// Property records from the handheld's auxiliary database, and the set's own
// operations, checked against a plain model of the set.
// The input is a list of operations separated by line feeds; the first byte
// of each picks the operation, the rest is its text ("key\x01value" where an
// operation takes both).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "properties.h"

namespace {

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

std::string Folded(std::string key) {
    for (char& c : key) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return key;
}

int Compare(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = Fold(static_cast<unsigned char>(*a));
        unsigned char y = Fold(static_cast<unsigned char>(*b));
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

struct Entry {
    std::string key, value;
    bool modified;
};

// The model keeps its entries by folded key, so that checking the whole set
// after every operation stays cheap for inputs of many entries.
class Model {
  public:
    Entry* Find(const std::string& key) {
        auto found = entries_.find(Folded(key));
        return found == entries_.end() ? nullptr : &found->second;
    }
    void Add(const std::string& key, const std::string& value, bool modified) {
        entries_.emplace(Folded(key), Entry{key, value, modified});
    }
    void Clear() { entries_.clear(); }
    size_t Count() const { return entries_.size(); }

  private:
    std::map<std::string, Entry> entries_;
};

// The set and the model agree on key: the same entry, or none.
void CheckKey(const Properties& set, Model& model, const std::string& key) {
    if (set.Count() != model.Count()) __builtin_trap();
    const Properties::Atom* atom = set.Find(key.c_str());
    const Entry* e = model.Find(key);
    if ((atom == nullptr) != (e == nullptr)) __builtin_trap();
    if (atom != nullptr &&
        (e->key != atom->key() || e->value != atom->value() || e->modified != atom->modified())) {
        __builtin_trap();
    }
}

// The set holds exactly the model's entries, in order, without duplicates:
// checked whole before the set is cleared and at the end of an input, and
// for the key of each operation in between.
void Check(const Properties& set, Model& model) {
    if (set.Count() != model.Count()) __builtin_trap();
    for (size_t i = 0; i < set.Count(); ++i) {
        const Properties::Atom* atom = set.At(i);
        if (i > 0 && Compare(set.At(i - 1)->key(), atom->key()) >= 0) __builtin_trap();
        Entry* e = model.Find(atom->key());
        if (e == nullptr || e->key != atom->key() || e->value != atom->value() ||
            e->modified != atom->modified()) {
            __builtin_trap();
        }
        if (set.Find(atom->key()) != atom) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Properties set;
    Model model;
    const char* p = reinterpret_cast<const char*>(data);
    const char* end = p + size;
    while (p < end) {
        const char* line = p;
        while (p < end && *p != '\n') ++p;
        std::string op(line, p);
        if (p < end) ++p;
        if (op.empty()) continue;
        const unsigned char code = static_cast<unsigned char>(op[0]);
        // Texts end at a zero byte, as they do in the record buffer.
        std::string text = op.substr(1).c_str();
        const size_t split = text.find('\x01');
        std::string key = text.substr(0, split);
        std::string value = split == std::string::npos ? "" : text.substr(split + 1);
        const bool modified = (code & 0x80) != 0;

        switch (code % 6) {
            case 0: {  // a record as the handheld keeps it
                set.AddFromRecord(text.c_str(), modified);
                const size_t equals = text.find('=');
                if (!text.empty() && equals != std::string::npos) {
                    key = text.substr(0, equals);
                    model.Add(key, text.substr(equals + 1), modified);
                }
                break;
            }
            case 1:
                set.Add(key.c_str(), value.c_str(), modified);
                model.Add(key, value, modified);
                break;
            case 2: {
                set.Set(key.c_str(), value.c_str(), modified);
                if (Entry* e = model.Find(key)) {
                    e->value = value;
                    e->modified = modified;
                }
                break;
            }
            case 3: {  // a lookup by the first characters of a text
                const size_t length = key.empty() ? 0 : code % (key.size() + 1);
                const Properties::Atom* atom = set.Find(key.c_str(), length);
                const Entry* e = model.Find(key.substr(0, length));
                if ((atom == nullptr) != (e == nullptr)) __builtin_trap();
                if (atom != nullptr && e->key != atom->key()) __builtin_trap();
                break;
            }
            case 4: {
                const char* got = set.Get(key.c_str());
                const Entry* e = model.Find(key);
                if ((got == nullptr) != (e == nullptr)) __builtin_trap();
                if (got != nullptr && e->value != got) __builtin_trap();
                break;
            }
            default:
                if (code == 5) {
                    Check(set, model);
                    set.Clear();
                    model.Clear();
                }
                break;
        }
        CheckKey(set, model, key);
    }
    Check(set, model);
    return 0;
}
