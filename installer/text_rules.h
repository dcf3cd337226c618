// Text rules of the installer that need no platform: decimal numbers,
// "dword:" values, creator codes and the entry names under the HotSync key.
// Everything here reads untrusted text from install.ini or the registry. The
// escapes of translated texts and the comparison without case are the
// product's shared rules (texts.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "texts.h"

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

// Entries under the HotSync key are named "Application" and a number.
extern const char kEntryPrefix[];
// True when name begins with kEntryPrefix (exact case); number is then the
// decimal reading of the rest (0 when it holds no digits).
bool ReadEntryNumber(const char* name, int32_t* number);
