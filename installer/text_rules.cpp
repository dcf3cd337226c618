#include "text_rules.h"

#include <cstring>

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

const char kEntryPrefix[] = "Application";

void TranslateEscapes(const char* source, char* target, size_t size) {
    if (size == 0) return;
    size_t out = 0;
    for (const char* p = source; *p != '\0' && out + 1 < size; ++p) {
        char c = *p;
        if (c == '\\') {
            ++p;
            if (*p == '\0') break;
            switch (*p) {
                case 'n':
                    c = '\n';
                    break;
                case 'r':
                    c = '\r';
                    break;
                case 't':
                    c = '\t';
                    break;
                default:
                    c = *p;
                    break;
            }
        }
        target[out++] = c;
    }
    target[out] = '\0';
}

int32_t ReadDecimal(const char* text) {
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t value = 0;
    for (; IsDigit(*p); ++p) {
        if (value <= INT32_MAX) value = value * 10 + (*p - '0');
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool ReadDwordValue(const char* text, uint32_t* value) {
    static const char prefix[] = "dword:";
    if (std::strncmp(text, prefix, sizeof prefix - 1) != 0) return false;
    const char* p = text + sizeof prefix - 1;
    while (IsSpace(*p)) ++p;
    uint32_t result = 0;
    int digits = 0;
    for (; digits < 8 && HexDigit(*p) >= 0; ++p, ++digits) {
        result = result << 4 | static_cast<uint32_t>(HexDigit(*p));
    }
    if (digits == 0) return false;
    *value = result;
    return true;
}

bool PackCreatorCode(const char* text, uint32_t* code) {
    if (std::strlen(text) != 4) return false;
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) result = result << 8 | static_cast<unsigned char>(text[i]);
    *code = result;
    return true;
}

bool EqualIgnoringCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (UpperAscii(*a) != UpperAscii(*b)) return false;
    }
    return *a == *b;
}

bool ReadEntryNumber(const char* name, int32_t* number) {
    if (std::strncmp(name, kEntryPrefix, sizeof kEntryPrefix - 1) != 0) return false;
    *number = ReadDecimal(name + sizeof kEntryPrefix - 1);
    return true;
}
