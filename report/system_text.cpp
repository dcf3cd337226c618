#include "system_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "texts.h"
#include "windows_1252.h"

#ifndef _WIN32
std::string ToUtf8(const std::string& text) { return Windows1252ToUtf8(text.c_str()); }
#endif

std::string ToCp1252(const std::string& text) {
#ifdef _WIN32
    return text;
#else
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned code = c;
        size_t length = 1;
        if (c >= 0xC0 && c < 0xE0 && i + 1 < text.size()) {
            code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            length = 2;
        } else if (c >= 0xE0 && c < 0xF0 && i + 2 < text.size()) {
            code = (c & 0x0Fu) << 12 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6 |
                   (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            length = 3;
        } else if (c >= 0x80) {
            code = 0xFFFD;
            length = c >= 0xF0 ? 4 : 1;
        }
        i += length;
        unsigned char byte;
        out += static_cast<char>(code != 0xFFFD && UnicodeToWindows1252(code, &byte) ? byte : '?');
    }
    return out;
#endif
}

std::string SystemText(const std::string& text) { return ToCp1252(text); }

std::string SystemReason(int code) { return ToCp1252(std::strerror(code)); }

NameFault NameToCp1252(const std::string& text, std::string& name, std::string& character) {
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    const bool marked = text.compare(0, 3, kByteOrderMark) == 0;
#ifdef _WIN32
    if (!marked) {
        name = text;
        return NameFault::None;
    }
#endif
    const size_t skip = marked ? 3 : 0;
    std::u16string units;
    if (!AppendUtf8Units(reinterpret_cast<const uint8_t*>(text.data()) + skip, text.size() - skip,
                         &units)) {
        return NameFault::NotUtf8;
    }
    name.clear();
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        const uint8_t byte = UnitToWindows1252(unit);
        if (Windows1252ToUnit(byte) != unit) {
            uint32_t point = unit;
            if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size()) {
                point = 0x10000 + ((unit - 0xD800u) << 10) + (units[i + 1] - 0xDC00u);
            }
            char text16[16];
            std::snprintf(text16, sizeof text16, "U+%04X", static_cast<unsigned>(point));
            character = text16;
            return NameFault::NoCharacter;
        }
        name += static_cast<char>(byte);
    }
    return NameFault::None;
}
