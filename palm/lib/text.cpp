// Windows-1252, quoted strings, dates and database descriptions.
#include "palm/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace palm {
namespace {

// Unicode code points of the bytes 0x80 to 0x9F; 0 marks the unassigned ones.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t CodePoint(uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
    return byte;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos]; false for an invalid one.
bool DecodeUtf8(const std::string& text, size_t& pos, uint32_t& cp) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(pos);
    size_t length;
    if (lead < 0x80) {
        cp = lead;
        length = 1;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        cp = lead & 0x1F;
        length = 2;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        cp = lead & 0x0F;
        length = 3;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        cp = lead & 0x07;
        length = 4;
    } else {
        return false;
    }
    if (pos + length > text.size()) return false;
    for (size_t i = 1; i < length; ++i) {
        uint8_t b = byte(pos + i);
        if ((b & 0xC0) != 0x80) return false;
        cp = cp << 6 | (b & 0x3F);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp < 0xE000)) {
        return false;
    }
    pos += length;
    return true;
}

bool ToCp1252(uint32_t cp, uint8_t& out) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        out = static_cast<uint8_t>(cp);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == cp) {
            out = static_cast<uint8_t>(0x80 + i);
            return true;
        }
    }
    return false;
}

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

const int64_t kPalmEpochDays = DaysFromCivil(1904, 1, 1);

bool ParseNumber(const std::string& text, uint64_t limit, uint32_t& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!hex && !(text[0] >= '0' && text[0] <= '9')) return false;
    unsigned long long v = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || v > limit) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

// One token of a description line: a bare word or a quoted string.
struct Token {
    bool quoted = false;
    std::string word;
    std::vector<uint8_t> bytes;
};

bool Tokenize(const std::string& line, std::vector<Token>& tokens, std::string& error) {
    size_t pos = 0;
    while (true) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] == '#') return true;
        Token token;
        if (line[pos] == '"') {
            token.quoted = true;
            if (!Unquote(line, pos, token.bytes, error)) return false;
            if (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
                error = "a blank must follow the closing quote";
                return false;
            }
        } else {
            size_t end = pos;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
            token.word = line.substr(pos, end - pos);
            pos = end;
        }
        tokens.push_back(std::move(token));
    }
}

}  // namespace

bool Utf8ToCp1252(const std::string& utf8, std::string& out, std::string& error) {
    std::string result;
    size_t pos = 0;
    while (pos < utf8.size()) {
        uint32_t cp;
        size_t start = pos;
        if (!DecodeUtf8(utf8, pos, cp)) {
            error = "invalid UTF-8 at byte " + std::to_string(start);
            return false;
        }
        uint8_t byte;
        if (!ToCp1252(cp, byte)) {
            error = "character U+" + Hex(cp, 4) + " has no Windows-1252 form";
            return false;
        }
        result += static_cast<char>(byte);
    }
    out = std::move(result);
    return true;
}

std::string Cp1252ToUtf8(const std::string& text) {
    std::string out;
    for (char c : text) {
        uint32_t cp = CodePoint(static_cast<uint8_t>(c));
        AppendUtf8(out, cp == 0 ? 0xFFFD : cp);
    }
    return out;
}

std::string Quote(const uint8_t* bytes, size_t size) {
    std::string out = "\"";
    for (size_t i = 0; i < size; ++i) {
        uint8_t b = bytes[i];
        switch (b) {
            case '\\':
                out += "\\\\";
                continue;
            case '"':
                out += "\\\"";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            case 0:
                out += "\\0";
                continue;
            default:
                break;
        }
        uint32_t cp = CodePoint(b);
        // Control characters, unassigned bytes, the no-break space and the soft
        // hyphen would be invisible or ambiguous: they are written as \xNN.
        if (b < 0x20 || b == 0x7F || cp == 0 || b == 0xA0 || b == 0xAD) {
            out += "\\x" + Hex(b, 2);
        } else {
            AppendUtf8(out, cp);
        }
    }
    return out + "\"";
}

std::string Quote(const std::vector<uint8_t>& bytes) { return Quote(bytes.data(), bytes.size()); }

bool Unquote(const std::string& text, size_t& pos, std::vector<uint8_t>& bytes,
             std::string& error) {
    if (pos >= text.size() || text[pos] != '"') {
        error = "a quoted text must start with \"";
        return false;
    }
    std::vector<uint8_t> out;
    size_t i = pos + 1;
    while (true) {
        if (i >= text.size()) {
            error = "the quoted text has no closing quote";
            return false;
        }
        char c = text[i];
        if (c == '"') break;
        if (c == '\\') {
            if (i + 1 >= text.size()) {
                error = "a backslash ends the line";
                return false;
            }
            char e = text[i + 1];
            i += 2;
            switch (e) {
                case '\\':
                    out.push_back('\\');
                    break;
                case '"':
                    out.push_back('"');
                    break;
                case 'n':
                    out.push_back('\n');
                    break;
                case 'r':
                    out.push_back('\r');
                    break;
                case 't':
                    out.push_back('\t');
                    break;
                case '0':
                    out.push_back(0);
                    break;
                case 'x': {
                    int high = i < text.size() ? HexDigit(text[i]) : -1;
                    int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
                    if (high < 0 || low < 0) {
                        error = "\\x needs two hexadecimal digits";
                        return false;
                    }
                    out.push_back(static_cast<uint8_t>(high << 4 | low));
                    i += 2;
                    break;
                }
                default:
                    error = std::string("unknown escape \\") + e;
                    return false;
            }
            continue;
        }
        uint32_t cp;
        size_t start = i;
        if (!DecodeUtf8(text, i, cp)) {
            error = "invalid UTF-8 at column " + std::to_string(start + 1);
            return false;
        }
        uint8_t byte;
        if (!ToCp1252(cp, byte)) {
            error =
                "character U+" + Hex(cp, 4) + " has no Windows-1252 form (write the byte as \\xNN)";
            return false;
        }
        out.push_back(byte);
    }
    pos = i + 1;
    bytes = std::move(out);
    return true;
}

std::string FormatDate(uint32_t seconds) {
    int64_t days = kPalmEpochDays + seconds / 86400;
    uint32_t rest = seconds % 86400;
    int64_t y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02u:%02u:%02u", static_cast<int>(y), m, d,
                  rest / 3600, rest / 60 % 60, rest % 60);
    return text;
}

bool ParseDate(const std::string& text, uint32_t& seconds) {
    if (!text.empty() && text.find('-') == std::string::npos) {
        return ParseNumber(text, 0xFFFFFFFFu, seconds);
    }
    int y, mo, d, h, mi, s;
    char tail;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h,
                                         &mi, &s, &tail) != 6) {
        return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 ||
        s < 0) {
        return false;
    }
    int64_t days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    int64_t y2;
    unsigned m2, d2;
    CivilFromDays(days, y2, m2, d2);
    if (m2 != static_cast<unsigned>(mo)) return false;  // e.g. 31 April
    int64_t total = (days - kPalmEpochDays) * 86400 + h * 3600 + mi * 60 + s;
    if (total < 0 || total > 0xFFFFFFFFll) return false;
    seconds = static_cast<uint32_t>(total);
    return true;
}

namespace {
constexpr struct {
    const char* name;
    uint8_t bit;
} kFlagNames[] = {
    {"deleted", kRecDeleted}, {"dirty", kRecDirty}, {"busy", kRecBusy}, {"secret", kRecSecret}};
}  // namespace

std::string FormatFlags(uint8_t flags) {
    std::string out;
    for (const auto& f : kFlagNames) {
        if (flags & f.bit) out += (out.empty() ? "" : ",") + std::string(f.name);
    }
    return out.empty() ? "-" : out;
}

bool ParseFlags(const std::string& text, uint8_t& flags) {
    uint8_t result = 0;
    if (text != "-") {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find(',', start);
            if (end == std::string::npos) end = text.size();
            std::string name = text.substr(start, end - start);
            bool known = false;
            for (const auto& f : kFlagNames) {
                if (name == f.name) {
                    result |= f.bit;
                    known = true;
                }
            }
            if (!known) return false;
            start = end + 1;
        }
    }
    flags = result;
    return true;
}

bool ParseDescription(const std::string& text, const std::string& label, Database& db,
                      std::string& error) {
    Database result;
    std::vector<bool> explicitId;
    size_t lineStart = 0;
    int lineNumber = 0;
    auto fail = [&](const std::string& fault) {
        error = label + ":" + std::to_string(lineNumber) + ": " + fault;
        return false;
    };
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = text.size();
        std::string line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNumber == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);

        std::vector<Token> tokens;
        std::string fault;
        if (!Tokenize(line, tokens, fault)) return fail(fault);
        if (tokens.empty()) continue;
        if (tokens[0].quoted) return fail("a line must start with a keyword");
        const std::string& key = tokens[0].word;

        if (key == "record") {
            Record record;
            bool haveId = false, haveText = false, terminate = true;
            for (size_t i = 1; i < tokens.size(); ++i) {
                const Token& t = tokens[i];
                if (t.quoted) {
                    if (haveText) return fail("a record has one quoted text");
                    record.data = t.bytes;
                    haveText = true;
                    continue;
                }
                size_t eq = t.word.find('=');
                std::string name = t.word.substr(0, eq);
                std::string value = eq == std::string::npos ? "" : t.word.substr(eq + 1);
                uint32_t number;
                if (t.word == "noterm") {
                    terminate = false;
                } else if (name == "index" && eq != std::string::npos) {
                    // Written by dump for the reader; the position is the line order.
                } else if (name == "uid" && eq != std::string::npos) {
                    // 0 and repeated ids are kept as given: a description
                    // can say what a damaged file holds.
                    if (!ParseNumber(value, kMaxUniqueId, number)) {
                        return fail("uid must be a number from 0 to 16777215");
                    }
                    record.uniqueId = number;
                    haveId = true;
                } else if (name == "cat" && eq != std::string::npos) {
                    if (!ParseNumber(value, 15, number)) {
                        return fail("cat must be a category from 0 to 15");
                    }
                    record.category = static_cast<uint8_t>(number);
                } else if (name == "flags" && eq != std::string::npos) {
                    if (!ParseFlags(value, record.flags)) {
                        return fail("flags must be - or a list of deleted, dirty, busy, secret");
                    }
                } else {
                    return fail("unknown record field '" + t.word + "'");
                }
            }
            if (!haveText) return fail("the record has no quoted text");
            if (terminate) record.data.push_back(0);
            if (result.records.size() >= kMaxRecords) return fail("too many records");
            result.records.push_back(std::move(record));
            explicitId.push_back(haveId);
            continue;
        }

        if (tokens.size() != 2) return fail("'" + key + "' takes exactly one value");
        const Token& v = tokens[1];
        Header& h = result.header;
        uint32_t number = 0;
        if (key == "name" || key == "type" || key == "creator") {
            if (!v.quoted) return fail(key + " takes a quoted text");
            if (key == "name") {
                if (v.bytes.size() > 31 ||
                    std::find(v.bytes.begin(), v.bytes.end(), 0) != v.bytes.end()) {
                    return fail("the name holds at most 31 bytes and no zero byte");
                }
                result.SetName(std::string(v.bytes.begin(), v.bytes.end()));
            } else {
                if (v.bytes.size() != 4) return fail(key + " must be exactly four bytes");
                uint32_t code = 0;
                for (uint8_t b : v.bytes) code = code << 8 | b;
                (key == "type" ? h.type : h.creator) = code;
            }
        } else if (v.quoted) {
            return fail(key + " takes a bare value, not a quoted text");
        } else if (key == "created" || key == "modified" || key == "backup") {
            if (!ParseDate(v.word, number)) {
                return fail(key + " takes a date YYYY-MM-DDTHH:MM:SS (1904 to 2040) or seconds");
            }
            (key == "created"    ? h.creationDate
             : key == "modified" ? h.modificationDate
                                 : h.backupDate) = number;
        } else if (key == "attributes") {
            if (!ParseNumber(v.word, 0xFFFF, number))
                return fail("attributes takes a 16-bit number");
            if (number & kDbResource) {
                return fail("attribute 0x0001 makes a resource database, which is not supported");
            }
            h.attributes = static_cast<uint16_t>(number);
        } else if (key == "version") {
            if (!ParseNumber(v.word, 0xFFFF, number)) return fail("version takes a 16-bit number");
            h.version = static_cast<uint16_t>(number);
        } else if (key == "modnum") {
            if (!ParseNumber(v.word, 0xFFFFFFFFu, number)) return fail(key + " takes a number");
            h.modificationNumber = number;
        } else {
            return fail("unknown keyword '" + key + "'");
        }
    }
    if (result.Name().empty()) {
        lineNumber = 0;
        return fail("the description has no name");
    }
    // Records without uid= get the lowest ids not used by any other record.
    std::set<uint32_t> used;
    for (size_t i = 0; i < result.records.size(); ++i) {
        if (explicitId[i]) used.insert(result.records[i].uniqueId);
    }
    uint32_t next = 1;
    uint32_t highest = used.empty() ? 0 : *used.rbegin();
    for (size_t i = 0; i < result.records.size(); ++i) {
        if (explicitId[i]) continue;
        while (used.count(next)) ++next;
        result.records[i].uniqueId = next;
        used.insert(next);
        highest = std::max(highest, next);
    }
    result.header.uniqueIdSeed = highest + 1;
    db = std::move(result);
    return true;
}

std::string Describe(const Database& db) {
    const Header& h = db.header;
    std::string out;
    auto line = [&](const std::string& key, const std::string& value) {
        out += key + " " + value + "\n";
    };
    auto number = [](uint32_t v) { return std::to_string(v); };
    line("name", Quote(reinterpret_cast<const uint8_t*>(db.Name().data()), db.Name().size()));
    std::string type = FourCCText(h.type), creator = FourCCText(h.creator);
    line("type", Quote(reinterpret_cast<const uint8_t*>(type.data()), 4));
    line("creator", Quote(reinterpret_cast<const uint8_t*>(creator.data()), 4));
    line("attributes", "0x" + Hex(h.attributes, 4));
    line("version", number(h.version));
    line("created", FormatDate(h.creationDate));
    line("modified", FormatDate(h.modificationDate));
    line("backup", FormatDate(h.backupDate));
    line("modnum", number(h.modificationNumber));
    out += "# " + number(static_cast<uint32_t>(db.records.size())) + " records\n";
    for (size_t i = 0; i < db.records.size(); ++i) {
        const Record& r = db.records[i];
        bool terminated = !r.data.empty() && r.data.back() == 0;
        out += "record index=" + std::to_string(i) + " uid=" + number(r.uniqueId) +
               " cat=" + number(r.category) + " flags=" + FormatFlags(r.flags) + " " +
               Quote(r.data.data(), r.data.size() - (terminated ? 1 : 0)) +
               (terminated ? "" : " noterm") + "\n";
    }
    return out;
}

}  // namespace palm
