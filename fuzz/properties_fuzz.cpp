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

struct Entry {
    std::string key, value;
    bool modified;
};

// The model: entries by their key with A to Z folded, in the order of the
// folded keys' bytes, as the set keeps them.
using Model = std::map<std::string, Entry>;

std::string Folded(std::string key) {
    for (char& c : key) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return key;
}

Entry* Find(Model& model, const std::string& key) {
    auto found = model.find(Folded(key));
    return found == model.end() ? nullptr : &found->second;
}

bool Same(const Entry* e, const Properties::Atom* atom) {
    return (e == nullptr) == (atom == nullptr) &&
           (e == nullptr || (e->key == atom->key() && e->value == atom->value() &&
                             e->modified == atom->modified()));
}

// The set holds exactly the model's entries, in order: checked whole before
// the set is cleared and at the end of an input, and for the key of each
// operation in between.
void Check(const Properties& set, Model& model) {
    if (set.Count() != model.size()) __builtin_trap();
    size_t i = 0;
    for (const auto& entry : model) {
        const Properties::Atom* atom = set.At(i++);
        if (!Same(&entry.second, atom) || set.Find(atom->key()) != atom) __builtin_trap();
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
                    model.emplace(Folded(key), Entry{key, text.substr(equals + 1), modified});
                }
                break;
            }
            case 1:
                set.Add(key.c_str(), value.c_str(), modified);
                model.emplace(Folded(key), Entry{key, value, modified});
                break;
            case 2: {
                set.Set(key.c_str(), value.c_str(), modified);
                if (Entry* e = Find(model, key)) {
                    e->value = value;
                    e->modified = modified;
                }
                break;
            }
            case 3: {  // a lookup by the first characters of a text
                const size_t length = key.empty() ? 0 : code % (key.size() + 1);
                const Properties::Atom* atom = set.Find(key.c_str(), length);
                const Entry* e = Find(model, key.substr(0, length));
                if ((atom == nullptr) != (e == nullptr)) __builtin_trap();
                if (atom != nullptr && e->key != atom->key()) __builtin_trap();
                break;
            }
            case 4: {
                const char* got = set.Get(key.c_str());
                const Entry* e = Find(model, key);
                if ((got == nullptr) != (e == nullptr)) __builtin_trap();
                if (got != nullptr && e->value != got) __builtin_trap();
                break;
            }
            default:
                if (code == 5) {
                    Check(set, model);
                    set.Clear();
                    model.clear();
                }
                break;
        }
        if (set.Count() != model.size() || !Same(Find(model, key), set.Find(key.c_str())))
            __builtin_trap();
    }
    Check(set, model);
    return 0;
}
