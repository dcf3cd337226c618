#include "texts.h"

namespace {

// The characters of the bytes 0x80 to 0x9F; every other byte is the
// character of its value.
const char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

int CompareFoldingAZ(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const unsigned char x = static_cast<unsigned char>(FoldAZ(*a));
        const unsigned char y = static_cast<unsigned char>(FoldAZ(*b));
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

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

char16_t Windows1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

bool UnicodeToWindows1252(char32_t code, unsigned char* byte) {
    if (code < 0x80 || (code >= 0xA0 && code < 0x100)) {
        *byte = static_cast<unsigned char>(code);
        return true;
    }
    for (unsigned char b = 0x80; b < 0xA0; ++b) {
        if (kHigh[b - 0x80] == code) {
            *byte = b;
            return true;
        }
    }
    return false;
}

std::string Windows1252ToUtf8(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned code = Windows1252ToUnicode(static_cast<unsigned char>(*p));
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}
