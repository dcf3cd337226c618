// Text rules of the installer that need no platform: the escapes of
// translated texts, decimal numbers, "dword:" values, creator codes and the
// entry names under the HotSync key. Everything here reads untrusted text
// from install.ini or the registry.
#pragma once

#include <cstddef>
#include <cstdint>

// Copies source into target (size bytes including the terminator) and
// translates escapes on the way: \n, \r and \t become line feed, carriage
// return and tab; a backslash before any other character gives that
// character; a backslash at the very end ends the text. The result is cut to
// size - 1 characters and always terminated (nothing is written for size 0).
void TranslateEscapes(const char* source, char* target, size_t size);

// Reads a decimal number: leading white space is skipped, one optional '+' or
// '-' is accepted, then digits are taken up to the first non-digit. Text
// without digits reads as 0. Numbers beyond the 32-bit range are held at its
// limits.
int32_t ReadDecimal(const char* text);

// True when text is the lower-case prefix "dword:" followed (after optional
// white space) by at least one hexadecimal digit; at most eight digits are
// read into value, anything after them is ignored. On false value is
// unchanged.
bool ReadDwordValue(const char* text, uint32_t* value);

// True when text is exactly four characters long; the first lands in the
// most significant byte of code, the fourth in the least significant one.
bool PackCreatorCode(const char* text, uint32_t* code);

// Equality of two texts when the case of the letters A to Z is ignored.
bool EqualIgnoringCase(const char* a, const char* b);

// Entries under the HotSync key are named "Application" and a number.
extern const char kEntryPrefix[];
// True when name begins with kEntryPrefix (exact case); number is then the
// decimal reading of the rest (0 when it holds no digits).
bool ReadEntryNumber(const char* name, int32_t* number);
