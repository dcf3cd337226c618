#include "profile_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "windows_1252.h"

namespace {

// Section and key names compare as the profile functions under Wine compare
// them: the letters A-Z without regard to case, every other unit as it is.
bool SameAsciiIgnoringCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'a' && a[i] <= u'z' ? static_cast<char16_t>(a[i] - 32) : a[i];
        char16_t y = b[i] >= u'a' && b[i] <= u'z' ? static_cast<char16_t>(b[i] - 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

using Units = std::u16string;

// Blanks of the profile functions: tab to carriage return, space, and ^Z.
bool Space(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

Units Trimmed(const Units& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && Space(s[begin])) ++begin;
    while (end > begin && Space(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// The text as the functions keep it: up to its first zero character.
Units UpToZero(Units s) {
    const size_t zero = s.find(u'\0');
    if (zero != Units::npos) s.resize(zero);
    return s;
}

// The file's text: UTF-8 or UTF-16 (either byte order) after a byte-order
// mark, Windows-1252 otherwise.
Units Decode(const uint8_t* data, size_t size) {
    Units text;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        AppendUtf8Units(data + 3, size - 3, &text);
    } else if (size >= 2 &&
               ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        const int high = data[0] == 0xFF ? 1 : 0;
        for (size_t i = 2; i + 1 < size; i += 2) {
            text.push_back(static_cast<char16_t>(data[i + 1 - high] | data[i + high] << 8));
        }
    } else {
        text = Windows1252ToUnits(reinterpret_cast<const char*>(data), size);
    }
    return text;
}

// A value as the functions copy it into a buffer of size units: a value in
// matching quotes loses the opening one, and the closing one goes when the
// buffer holds the rest of the value (so a buffer of exactly that length
// loses the last character instead).
Units CopyEntry(const Units& value, size_t size) {
    size_t start = 0;
    bool quoted = false;
    if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0]) {
        quoted = true;
        start = 1;
    }
    const size_t rest = value.size() - start;
    Units copy = value.substr(start, size - 1);
    if (quoted && size >= rest && !copy.empty()) copy.pop_back();
    return copy;
}

// A number as RtlUnicodeStringToInteger reads it with base 0: leading
// control characters and blanks, a sign, 0x, 0o or 0b for the base, digits
// up to the first that does not belong; the result wraps at 32 bits.
uint32_t ReadNumber(const Units& s) {
    size_t pos = 0;
    while (pos < s.size() && s[pos] <= u' ') ++pos;
    bool negative = false;
    if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-')) negative = s[pos++] == u'-';
    uint32_t base = 10;
    if (pos + 1 < s.size() && s[pos] == u'0') {
        const char16_t mark = s[pos + 1];
        base = mark == u'x' ? 16 : mark == u'o' ? 8 : mark == u'b' ? 2 : 10;
        if (base != 10) pos += 2;
    }
    uint32_t total = 0;
    for (; pos < s.size(); ++pos) {
        const char16_t c = s[pos];
        uint32_t digit = 99;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        if (c >= u'A' && c <= u'Z') digit = c - u'A' + 10;
        if (c >= u'a' && c <= u'z') digit = c - u'a' + 10;
        if (digit >= base) break;
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}

}  // namespace

ProfileFile::ProfileFile(const uint8_t* data, size_t size) {
    const Units text = Decode(data, size);
    // Lines before the first section header belong to a section without a name.
    sections_.push_back({Units(), {}});
    bool lastNameless = false;  // the section's last key has no name
    size_t next = 0;
    while (next < text.size()) {
        const size_t start = next;
        while (next < text.size() && text[next] != u'\n' && text[next] != u'\r') ++next;
        while (next < text.size() && (text[next] == u'\n' || text[next] == u'\r')) ++next;
        const Units line = Trimmed(text.substr(start, next - start));
        if (line.empty()) continue;

        if (line[0] == u'[') {
            const size_t close = line.rfind(u']');
            if (close != Units::npos && close > 0) {
                sections_.push_back({UpToZero(Trimmed(line.substr(1, close - 1))), {}});
                lastNameless = false;
                continue;
            }
        }
        // A line without a header's closing bracket is a key, with or
        // without a value.
        const size_t equals = line.find(u'=');
        Units name = equals == Units::npos ? line : Trimmed(line.substr(0, equals));
        Entry entry{Units(), Units(), equals != Units::npos};
        if (entry.hasValue) entry.value = UpToZero(Trimmed(line.substr(equals + 1)));
        // A nameless line right after another nameless one is dropped.
        if (name.empty() && lastNameless) continue;
        entry.name = UpToZero(std::move(name));
        lastNameless = entry.name.empty();
        sections_.back().entries.push_back(std::move(entry));
    }
}

Units ProfileFile::Text(const char* section, const char* key, const char* defaultValue,
                        size_t size) const {
    const Units wantedSection = Trimmed(Windows1252ToUnits(section));
    const Units wantedKey = Trimmed(Windows1252ToUnits(key));
    for (const Section& candidate : sections_) {
        if (!SameAsciiIgnoringCase(candidate.name, wantedSection)) continue;
        // Only the first section of the name is searched.
        for (const Entry& entry : candidate.entries) {
            if (SameAsciiIgnoringCase(entry.name, wantedKey)) {
                if (entry.hasValue) return CopyEntry(entry.value, size);
                break;
            }
        }
        break;
    }
    // The default loses its trailing blanks (but not its first character).
    Units fallback = Windows1252ToUnits(defaultValue != nullptr ? defaultValue : "");
    while (fallback.size() > 1 && fallback.back() == u' ') fallback.pop_back();
    return CopyEntry(fallback, size);
}

uint32_t ProfileFile::GetString(const char* section, const char* key, const char* defaultValue,
                                char* buffer, uint32_t size) const {
    if (buffer == nullptr || size == 0) return 0;
    const std::string text = UnitsToWindows1252(Text(section, key, defaultValue, size));
    text.copy(buffer, text.size());
    buffer[text.size()] = '\0';
    return static_cast<uint32_t>(text.size());
}

uint32_t ProfileFile::GetInt(const char* section, const char* key, int32_t defaultValue) const {
    // The text is read into 30 characters, and an empty one gives the default.
    const Units text = Text(section, key, "", 30);
    if (text.empty()) return static_cast<uint32_t>(defaultValue);
    return ReadNumber(text);
}

ProfileMessageFile::ProfileMessageFile(const std::string& path, std::string language,
                                       void (*showFault)(const char* text))
    : language_(std::move(language)), showFault_(showFault) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (in.bad()) return;
    exists_ = true;
    file_ = ProfileFile(bytes.data(), bytes.size());
}

void ProfileMessageFile::ReadString(const char* section, const char* key, char* buffer,
                                    uint32_t size) {
    file_.GetString(section, key, "", buffer, size);
}

uint32_t ProfileMessageFile::ReadInt(const char* section, const char* key, int32_t defaultValue) {
    return file_.GetInt(section, key, defaultValue);
}

void ProfileMessageFile::UserLanguage(char* buffer, uint32_t size) {
    if (size == 0) return;
    const size_t length = language_.size() < size ? language_.size() : size - 1;
    language_.copy(buffer, length);
    buffer[length] = '\0';
}
