// The installer's readers of install.ini and registry texts: escape
// translation, decimal numbers, "dword:" values, creator codes and entry
// names, each checked against a plain reading of its rule.
// The first input byte sizes the escape target; the rest is the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text_rules.h"

namespace {

bool Space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Decimal numbers saturate at the ends of 32 bits.
int64_t Decimal(const char* p) {
    const long long value = std::strtoll(p, nullptr, 10);
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value;
}

std::string Folded(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
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
    const size_t hex = std::min<size_t>(8, std::strspn(digits, "0123456789abcdefABCDEF"));
    if (dword != (std::strncmp(s, "dword:", 6) == 0 && hex > 0)) __builtin_trap();
    if (!dword && value != 0x5A5A5A5A) __builtin_trap();
    if (dword && value != std::stoul(std::string(digits, hex), nullptr, 16)) __builtin_trap();

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

    // Case-blind equality folds A to Z alone: a text against its other half
    // and against itself with bit 0x20 of every byte flipped.
    const std::string half(s + std::strlen(s) / 2);
    std::string flipped = s;
    for (char& c : flipped) c ^= 0x20;
    for (const std::string& other : {half, std::string(flipped.c_str())}) {
        if (EqualFoldingAZ(s, other.c_str()) != (Folded(s) == Folded(other))) __builtin_trap();
    }
    return 0;
}
