// The installer's readers of install.ini and registry texts: escape
// translation, decimal numbers, "dword:" values, creator codes and entry
// names, each checked against a plain reading of its rule.
// The first input byte sizes the escape target; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "text_rules.h"

namespace {

bool Space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int64_t Decimal(const char* p) {
    while (Space(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT64_C(1) << 40) value = INT64_C(1) << 40;  // far beyond 32 bits
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return value;
}

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Escaped(const char* p) {
    std::string out;
    for (; *p != '\0'; ++p) {
        if (*p != '\\') {
            out += *p;
            continue;
        }
        if (*++p == '\0') break;
        out += *p == 'n' ? '\n' : *p == 'r' ? '\r' : *p == 't' ? '\t' : *p;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t targetSize = data[0] % 200;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const char* s = text.c_str();  // as read: up to the first zero byte

    // Escapes into a target of exactly targetSize bytes (ASan sees any byte beyond).
    std::vector<char> target(targetSize, '#');
    TranslateEscapes(s, target.data(), targetSize);
    if (targetSize == 0) {
        // nothing written
    } else {
        const std::string expected = Escaped(s).substr(0, targetSize - 1);
        if (std::memchr(target.data(), '\0', targetSize) == nullptr) __builtin_trap();
        if (std::string(target.data()) != expected.c_str()) __builtin_trap();
    }

    if (ReadDecimal(s) != Decimal(s)) __builtin_trap();

    uint32_t value = 0x5A5A5A5A;
    const bool dword = ReadDwordValue(s, &value);
    const char* digits = s + 6;
    if (std::strncmp(s, "dword:", 6) == 0) {
        while (Space(*digits)) ++digits;
    }
    const bool expectDword = std::strncmp(s, "dword:", 6) == 0 && Hex(*digits) >= 0;
    if (dword != expectDword) __builtin_trap();
    if (!dword && value != 0x5A5A5A5A) __builtin_trap();
    if (dword) {
        uint32_t expected = 0;
        for (int i = 0; i < 8 && Hex(digits[i]) >= 0; ++i) {
            expected = expected << 4 | static_cast<uint32_t>(Hex(digits[i]));
        }
        if (value != expected) __builtin_trap();
    }

    uint32_t code = 7;
    const bool packed = PackCreatorCode(s, &code);
    if (packed != (std::strlen(s) == 4)) __builtin_trap();
    if (!packed && code != 7) __builtin_trap();
    if (packed) {
        uint32_t expected = 0;
        for (int i = 0; i < 4; ++i) expected = expected << 8 | static_cast<uint8_t>(s[i]);
        if (code != expected) __builtin_trap();
    }

    int32_t number = -5;
    const bool entry = ReadEntryNumber(s, &number);
    if (entry != (std::strncmp(s, "Application", 11) == 0)) __builtin_trap();
    if (entry && number != ReadDecimal(s + 11)) __builtin_trap();
    if (!entry && number != -5) __builtin_trap();

    // Case-blind equality is reflexive and symmetric, folds A to Z alone.
    const std::string half(s, std::strlen(s) / 2);
    if (!EqualFoldingAZ(s, s)) __builtin_trap();
    if (EqualFoldingAZ(s, half.c_str()) != EqualFoldingAZ(half.c_str(), s)) __builtin_trap();
    std::string swapped = s;
    for (char& c : swapped) {
        const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
        if (letter) {
            c ^= 0x20;
        } else if ((c ^ 0x20) != 0) {
            std::string other = s;
            other[&c - &swapped[0]] ^= 0x20;
            if (EqualFoldingAZ(s, other.c_str())) __builtin_trap();
        }
    }
    if (!EqualFoldingAZ(s, swapped.c_str())) __builtin_trap();
    return 0;
}
