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

}  // namespace

const char kEntryPrefix[] = "Application";

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

bool ReadEntryNumber(const char* name, int32_t* number) {
    if (std::strncmp(name, kEntryPrefix, sizeof kEntryPrefix - 1) != 0) return false;
    *number = ReadDecimal(name + sizeof kEntryPrefix - 1);
    return true;
}
