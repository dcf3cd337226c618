// How the bytes of a registry value become what a reader of the value gets:
// one set of rules for the registry itself and for values read from a
// registry export file. Portable: no platform calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Registry value types, by number.
enum RegistryType : uint32_t {
    RegistryTypeNone = 0,
    RegistryTypeString = 1,        // REG_SZ
    RegistryTypeExpandString = 2,  // REG_EXPAND_SZ
    RegistryTypeBinary = 3,
    RegistryTypeDword = 4,
    RegistryTypeDwordBigEndian = 5,
    RegistryTypeLink = 6,
    RegistryTypeMultiString = 7,  // REG_MULTI_SZ
    RegistryTypeQword = 11,
};

// The three types whose data the registry converts between code pages.
inline bool IsRegistryTextType(uint32_t type) {
    return type == RegistryTypeString || type == RegistryTypeExpandString ||
           type == RegistryTypeMultiString;
}

// A 32-bit number from a value of any type: up to four bytes, little-endian;
// a shorter value fills the low bytes and the rest is zero, a longer one
// fails. On failure the target is unchanged.
inline bool DwordFromValue(const uint8_t* data, size_t length, uint32_t* target) {
    if (length > 4) return false;
    uint32_t value = 0;
    for (size_t i = 0; i < length; ++i) value |= static_cast<uint32_t>(data[i]) << (8 * i);
    *target = value;
    return true;
}

// A text from a value of any type, into a buffer of size bytes: the value
// must fit the buffer, and its text (up to the first zero byte or the end of
// the data) must fit with its terminator. On failure the buffer is unchanged;
// on success the text is terminated inside the buffer.
inline bool TextFromValue(const uint8_t* data, size_t length, char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0 || length > size) return false;
    size_t text = 0;
    while (text < length && data[text] != 0) ++text;
    if (text >= size) return false;
    if (text > 0) std::memcpy(buffer, data, text);
    buffer[text] = '\0';
    return true;
}
