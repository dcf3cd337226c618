#include "registry_export.h"

#include <map>
#include <utility>

#include "windows_1252.h"

namespace {

using Units = std::u16string;
using Fault = RegistryExportFault;

enum class Version { None, Four, Five };

const char16_t* const kRoots[] = {u"HKEY_LOCAL_MACHINE", u"HKEY_USERS",
                                  u"HKEY_CLASSES_ROOT",  u"HKEY_CURRENT_CONFIG",
                                  u"HKEY_CURRENT_USER",  u"HKEY_DYN_DATA"};

bool Blank(char16_t c) { return c == u' ' || c == u'\t'; }

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

size_t SkipBlanks(const Units& s, size_t pos) {
    while (pos < s.size() && Blank(s[pos])) ++pos;
    return pos;
}

// Nothing but blanks and perhaps a comment from pos on.
bool RestIsComment(const Units& s, size_t pos) {
    pos = SkipBlanks(s, pos);
    return pos == s.size() || s[pos] == u';';
}

Units Folded(Units s) {
    for (char16_t& c : s) c = UpperCaseUnit(c);
    return s;
}

// Whether s holds tag at pos.
bool HasTag(const Units& s, size_t pos, const char16_t* tag) {
    for (; *tag != u'\0'; ++tag, ++pos) {
        if (pos >= s.size() || s[pos] != *tag) return false;
    }
    return true;
}

Version HeaderVersion(const Units& line) {
    size_t begin = SkipBlanks(line, 0);
    size_t end = line.size();
    while (end > begin && Blank(line[end - 1])) --end;
    const Units header = line.substr(begin, end - begin);
    if (header == u"REGEDIT4") return Version::Four;
    if (header == u"Windows Registry Editor Version 5.00") return Version::Five;
    return Version::None;
}

// Start and length of each line; lines end at CR LF, LF or CR.
template <typename Unit>
std::vector<std::pair<size_t, size_t>> SplitLines(const Unit* text, size_t size) {
    std::vector<std::pair<size_t, size_t>> lines;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(start, i - start);
        if (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < size) lines.emplace_back(start, size - start);
    return lines;
}

struct Line {
    Units text;
    bool valid = true;  // its bytes were text of the file's encoding
};

// The file's lines as UTF-16. A file with the UTF-16LE mark is UTF-16LE,
// one with the UTF-8 mark UTF-8. Without a mark a REGEDIT4 file is
// Windows-1252, a version 5 file UTF-8 if it is valid UTF-8 throughout and
// Windows-1252 otherwise.
std::vector<Line> DecodeLines(const uint8_t* data, size_t size) {
    std::vector<Line> lines;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        Units all;
        all.reserve((size - 2) / 2);
        for (size_t i = 2; i + 1 < size; i += 2) {
            all.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
        }
        for (const auto& [start, length] : SplitLines(all.data(), all.size())) {
            lines.push_back({all.substr(start, length), true});
        }
        if ((size - 2) % 2 != 0) {  // the file ends inside a character
            if (lines.empty()) lines.emplace_back();
            lines.back().valid = false;
        }
        return lines;
    }

    const bool utf8Mark = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
    if (utf8Mark) {
        data += 3;
        size -= 3;
    }
    const auto ranges = SplitLines(data, size);
    const auto asText = [&](size_t i) {
        return Windows1252ToUnits(reinterpret_cast<const char*>(data) + ranges[i].first,
                                  ranges[i].second);
    };
    bool utf8 = utf8Mark;
    if (!utf8 && !ranges.empty() && HeaderVersion(asText(0)) == Version::Five) {
        utf8 = true;
        Units scratch;
        for (const auto& [start, length] : ranges) {
            if (!AppendUtf8Units(data + start, length, &scratch)) utf8 = false;
            scratch.clear();
        }
    }
    for (size_t i = 0; i < ranges.size(); ++i) {
        Line line;
        if (utf8) {
            line.valid = AppendUtf8Units(data + ranges[i].first, ranges[i].second, &line.text);
        } else {
            line.text = asText(i);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

enum class HexEnd { Done, More, Bad };

// Comma-separated bytes of one or two hexadecimal digits from pos on. More
// when the line ends in a backslash after a comma (the data go on in the
// next line).
HexEnd ReadHexBytes(const Units& s, size_t pos, std::vector<uint8_t>* bytes) {
    for (;;) {
        pos = SkipBlanks(s, pos);
        if (pos == s.size() || s[pos] == u';') return HexEnd::Done;
        if (s[pos] == u'\\') return RestIsComment(s, pos + 1) ? HexEnd::More : HexEnd::Bad;
        int digits = 0;
        int value = 0;
        for (; pos < s.size() && HexDigit(s[pos]) >= 0 && digits <= 2; ++pos, ++digits) {
            value = value * 16 + HexDigit(s[pos]);
        }
        if (digits == 0 || digits > 2) return HexEnd::Bad;
        bytes->push_back(static_cast<uint8_t>(value));
        pos = SkipBlanks(s, pos);
        if (pos == s.size() || s[pos] == u';') return HexEnd::Done;
        if (s[pos] != u',') return HexEnd::Bad;
        ++pos;
    }
}

// A quoted text from pos (just after the opening quote) to its closing quote,
// with \\, \", \n and \r resolved; pos ends after the closing quote.
bool ReadQuoted(const Units& s, size_t* pos, Units* text) {
    for (size_t i = *pos; i < s.size(); ++i) {
        if (s[i] == u'"') {
            *pos = i + 1;
            return true;
        }
        if (s[i] != u'\\') {
            text->push_back(s[i]);
            continue;
        }
        if (++i == s.size()) return false;
        switch (s[i]) {
            case u'\\':
            case u'"':
                text->push_back(s[i]);
                break;
            case u'n':
                text->push_back(u'\n');
                break;
            case u'r':
                text->push_back(u'\r');
                break;
            default:
                return false;
        }
    }
    return false;
}

struct ValueBuild {
    Units name;
    uint32_t type;
    std::vector<uint8_t> data;
    bool removed = false;
};

struct KeyBuild {
    Units path;
    std::vector<ValueBuild> values;
    std::map<Units, size_t> byName;  // folded name: index of the value in force
    bool removed = false;
};

class Parser {
  public:
    explicit Parser(Version version) : version_(version) {}

    // Reads one line (after the header); false with the fault.
    bool Read(const Units& s, size_t number) {
        line_ = number;
        if (continuing_) return ReadContinuation(s);
        size_t pos = SkipBlanks(s, 0);
        if (pos == s.size() || s[pos] == u';') return true;
        if (s[pos] == u'[') return ReadKey(s, pos + 1);
        if (s[pos] == u'@' || s[pos] == u'"') return ReadValue(s, pos);
        return Fail(Fault::UnexpectedText);
    }

    // After the last line; false if a value is still waiting for its data.
    bool Finish(size_t lastLine) {
        line_ = lastLine;
        return !continuing_ || Fail(Fault::Continuation);
    }

    RegistryExport Result() {
        RegistryExport file;
        for (KeyBuild& build : keys_) {
            if (build.removed) continue;
            RegistryExportKey key;
            key.path = UnitsToWindows1252(build.path);
            for (ValueBuild& value : build.values) {
                if (value.removed) continue;
                key.values.push_back({UnitsToWindows1252(value.name), std::move(value.name),
                                      value.type, std::move(value.data)});
            }
            file.keys.push_back(std::move(key));
        }
        return file;
    }

    Fault fault() const { return fault_; }
    size_t line() const { return line_; }

  private:
    static constexpr size_t kNoKey = static_cast<size_t>(-1);

    bool Fail(Fault fault) {
        fault_ = fault;
        return false;
    }

    bool ReadKey(const Units& s, size_t pos) {
        const size_t close = s.rfind(u']');
        if (close == Units::npos || close < pos || !RestIsComment(s, close + 1)) {
            return Fail(Fault::KeyName);
        }
        Units path = s.substr(pos, close - pos);
        const bool deletion = !path.empty() && path[0] == u'-';
        if (deletion) path.erase(0, 1);
        while (!path.empty() && path.back() == u'\\') path.pop_back();
        if (path.empty()) return Fail(Fault::KeyName);
        const size_t slash = path.find(u'\\');
        const Units root = path.substr(0, slash);
        bool known = false;
        for (const char16_t* name : kRoots) known = known || SameUnitsIgnoringCase(root, name);
        if (!known) return Fail(Fault::Root);
        if (path.find(u"\\\\") != Units::npos) return Fail(Fault::KeyName);
        if (deletion) {
            if (slash == Units::npos) return Fail(Fault::KeyName);  // a whole root
            DeleteTree(Folded(path));
            current_ = kNoKey;
            return true;
        }
        Units folded = Folded(path);
        const auto found = keyIndex_.find(folded);
        if (found != keyIndex_.end()) {
            current_ = found->second;
        } else {
            current_ = keys_.size();
            keys_.push_back({std::move(path), {}, {}, false});
            keyIndex_.emplace(std::move(folded), current_);
        }
        return true;
    }

    // Removes the key at the folded path and every key below it.
    void DeleteTree(const Units& folded) {
        const auto remove = [&](std::map<Units, size_t>::iterator it) {
            keys_[it->second].removed = true;
            return keyIndex_.erase(it);
        };
        const auto exact = keyIndex_.find(folded);
        if (exact != keyIndex_.end()) remove(exact);
        const Units below = folded + u'\\';
        auto it = keyIndex_.lower_bound(below);
        while (it != keyIndex_.end() && it->first.compare(0, below.size(), below) == 0) {
            it = remove(it);
        }
    }

    bool ReadValue(const Units& s, size_t pos) {
        if (current_ == kNoKey) return Fail(Fault::ValueOutsideKey);
        Units name;
        if (s[pos] == u'"') {
            ++pos;
            if (!ReadQuoted(s, &pos, &name)) return Fail(Fault::ValueName);
        } else {
            ++pos;  // @, the default value
        }
        pos = SkipBlanks(s, pos);
        if (pos == s.size() || s[pos] != u'=') return Fail(Fault::Assignment);
        pos = SkipBlanks(s, pos + 1);

        if (pos < s.size() && s[pos] == u'-') {
            if (!RestIsComment(s, pos + 1)) return Fail(Fault::Assignment);
            DeleteValue(name);
            return true;
        }
        if (pos < s.size() && s[pos] == u'"') {
            ++pos;
            Units text;
            if (!ReadQuoted(s, &pos, &text) || !RestIsComment(s, pos)) return Fail(Fault::Text);
            text.push_back(u'\0');
            const std::string bytes = UnitsToWindows1252(text);
            SetValue(std::move(name), RegistryTypeString,
                     std::vector<uint8_t>(bytes.begin(), bytes.end()));
            return true;
        }
        if (HasTag(s, pos, u"dword:")) return ReadDwordValue(s, pos + 6, std::move(name));

        uint32_t type = RegistryTypeBinary;
        if (HasTag(s, pos, u"hex:")) {
            pos += 4;
        } else if (HasTag(s, pos, u"hex(")) {
            pos += 4;
            int digits = 0;
            type = 0;
            for (; pos < s.size() && HexDigit(s[pos]) >= 0 && digits <= 8; ++pos, ++digits) {
                type = type << 4 | static_cast<uint32_t>(HexDigit(s[pos]));
            }
            if (digits == 0 || digits > 8 || !HasTag(s, pos, u"):")) return Fail(Fault::ValueType);
            pos += 2;
        } else {
            return Fail(Fault::ValueType);
        }
        pendingName_ = std::move(name);
        pendingType_ = type;
        pendingData_.clear();
        return ReadHex(s, pos);
    }

    bool ReadDwordValue(const Units& s, size_t pos, Units name) {
        pos = SkipBlanks(s, pos);
        uint32_t value = 0;
        int digits = 0;
        for (; pos < s.size() && HexDigit(s[pos]) >= 0 && digits <= 8; ++pos, ++digits) {
            value = value << 4 | static_cast<uint32_t>(HexDigit(s[pos]));
        }
        if (digits == 0 || digits > 8 || !RestIsComment(s, pos)) return Fail(Fault::Dword);
        std::vector<uint8_t> data(4);
        for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(value >> (8 * i));
        SetValue(std::move(name), RegistryTypeDword, std::move(data));
        return true;
    }

    bool ReadHex(const Units& s, size_t pos) {
        switch (ReadHexBytes(s, pos, &pendingData_)) {
            case HexEnd::Bad:
                return Fail(Fault::HexData);
            case HexEnd::More:
                continuing_ = true;
                return true;
            case HexEnd::Done:
                break;
        }
        continuing_ = false;
        SetValue(std::move(pendingName_), pendingType_, StoredData(std::move(pendingData_)));
        return true;
    }

    // A line after one that ended in a backslash: blank and comment lines
    // are passed over, the next one goes on with the data.
    bool ReadContinuation(const Units& s) {
        const size_t pos = SkipBlanks(s, 0);
        if (pos == s.size() || s[pos] == u';') return true;
        if (HexDigit(s[pos]) < 0) return Fail(Fault::Continuation);
        return ReadHex(s, pos);
    }

    // The data of a hex value as the registry holds and hands them over.
    // Text types get a terminator when they lack one; in a version 5 file
    // their bytes are UTF-16LE (an odd last byte is no character), converted
    // to Windows-1252.
    std::vector<uint8_t> StoredData(std::vector<uint8_t> raw) const {
        if (!IsRegistryTextType(pendingType_) || raw.empty()) return raw;
        if (version_ == Version::Four) {
            if (raw.back() != 0) raw.push_back(0);
            return raw;
        }
        Units units;
        for (size_t i = 0; i + 1 < raw.size(); i += 2) {
            units.push_back(static_cast<char16_t>(raw[i] | raw[i + 1] << 8));
        }
        if (!units.empty() && units.back() != u'\0') units.push_back(u'\0');
        const std::string bytes = UnitsToWindows1252(units);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }

    void SetValue(Units name, uint32_t type, std::vector<uint8_t> data) {
        KeyBuild& key = keys_[current_];
        Units folded = Folded(name);
        const auto found = key.byName.find(folded);
        if (found != key.byName.end()) {
            key.values[found->second].type = type;
            key.values[found->second].data = std::move(data);
            return;
        }
        key.byName.emplace(std::move(folded), key.values.size());
        key.values.push_back({std::move(name), type, std::move(data), false});
    }

    void DeleteValue(const Units& name) {
        KeyBuild& key = keys_[current_];
        const auto found = key.byName.find(Folded(name));
        if (found == key.byName.end()) return;
        key.values[found->second].removed = true;
        key.byName.erase(found);
    }

    Version version_;
    std::vector<KeyBuild> keys_;
    std::map<Units, size_t> keyIndex_;  // folded path: index of the key in force
    size_t current_ = kNoKey;
    bool continuing_ = false;
    Units pendingName_;
    uint32_t pendingType_ = RegistryTypeNone;
    std::vector<uint8_t> pendingData_;
    Fault fault_ = Fault::None;
    size_t line_ = 0;
};

bool Reject(RegistryExport* file, RegistryExportError* error, Fault fault, size_t line) {
    file->keys.clear();
    error->fault = fault;
    error->line = line;
    return false;
}

bool IsConduitLibrary(const RegistryExportValue& value) {
    std::string text;
    for (uint8_t byte : value.data) {
        if (byte == 0) break;
        text.push_back(static_cast<char>(byte));
    }
    const size_t slash = text.find_last_of("\\/");
    const Units file =
        Windows1252ToUnits(text.c_str() + (slash == std::string::npos ? 0 : slash + 1));
    return SameUnitsIgnoringCase(file, u"Tessel20.dll");
}

}  // namespace

bool ReadRegistryExport(const uint8_t* data, size_t size, RegistryExport* file,
                        RegistryExportError* error) {
    std::vector<Line> lines = DecodeLines(data, size);
    if (lines.empty() || !lines[0].valid) return Reject(file, error, Fault::Header, 1);
    const Version version = HeaderVersion(lines[0].text);
    if (version == Version::None) return Reject(file, error, Fault::Header, 1);

    Parser parser(version);
    for (size_t i = 1; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (!line.valid || line.text.find(u'\0') != Units::npos) {
            return Reject(file, error, Fault::Encoding, i + 1);
        }
        if (!parser.Read(line.text, i + 1)) {
            return Reject(file, error, parser.fault(), parser.line());
        }
    }
    if (!parser.Finish(lines.size())) return Reject(file, error, parser.fault(), parser.line());
    *file = parser.Result();
    *error = RegistryExportError{};
    return true;
}

const char* RegistryExportFaultText(RegistryExportFault fault) {
    switch (fault) {
        case Fault::None:
            return "no fault";
        case Fault::Header:
            return "not a registry export file (no REGEDIT4 or version 5.00 header)";
        case Fault::Encoding:
            return "bytes that are no text of the file's encoding";
        case Fault::KeyName:
            return "malformed key name";
        case Fault::Root:
            return "key outside the predefined registry roots";
        case Fault::ValueOutsideKey:
            return "value outside a key";
        case Fault::ValueName:
            return "malformed value name";
        case Fault::Assignment:
            return "value name without a proper \"=\"";
        case Fault::Text:
            return "malformed text value";
        case Fault::Dword:
            return "malformed dword value";
        case Fault::HexData:
            return "malformed hex data";
        case Fault::ValueType:
            return "unknown value type";
        case Fault::Continuation:
            return "continued value without its next line";
        case Fault::UnexpectedText:
            return "line that is neither key, value nor comment";
    }
    return "unknown fault";
}

const RegistryExportValue* RegistryExportKey::Find(const char* name) const {
    const Units wanted = Windows1252ToUnits(name != nullptr ? name : "");
    for (const RegistryExportValue& value : values) {
        if (SameUnitsIgnoringCase(value.unicodeName, wanted)) return &value;
    }
    return nullptr;
}

const RegistryExportKey* FindConduitKey(const RegistryExport& file) {
    for (const RegistryExportKey& key : file.keys) {
        const RegistryExportValue* conduit = key.Find("Conduit");
        if (conduit != nullptr && IsConduitLibrary(*conduit)) return &key;
    }
    for (const RegistryExportKey& key : file.keys) {
        if (!key.values.empty()) return &key;
    }
    // A key without values holds the defaults, as the registry's own would.
    return file.keys.empty() ? nullptr : &file.keys.front();
}

bool ExportedKeySettings::GetString(const char* name, char* buffer, uint32_t size) const {
    const RegistryExportValue* value = key_.Find(name);
    return value != nullptr && TextFromValue(value->data.data(), value->data.size(), buffer, size);
}

bool ExportedKeySettings::GetDword(const char* name, uint32_t* target) const {
    const RegistryExportValue* value = key_.Find(name);
    return value != nullptr && DwordFromValue(value->data.data(), value->data.size(), target);
}
