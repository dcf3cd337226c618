// The Windows-1252 ANSI code page as Windows converts it: bytes to UTF-16
// code units and back, where a unit the code page cannot hold becomes its
// best-fit look-alike (U+0100 gives A) or '?', one byte per unit. Also UTF-8
// to UTF-16 and the case of letters for comparisons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

char16_t Windows1252ToUnit(uint8_t byte);
uint8_t UnitToWindows1252(char16_t unit);

std::u16string Windows1252ToUnits(const char* text, size_t length);
std::u16string Windows1252ToUnits(const char* text);  // up to the terminator
std::string UnitsToWindows1252(const std::u16string& units);

// Appends the UTF-16 units of UTF-8 bytes; each malformed sequence becomes
// U+FFFD. False if there was any.
bool AppendUtf8Units(const uint8_t* data, size_t size, std::u16string* units);

// The unit in capitals where the letter has both cases in Windows-1252
// (a-z and the accented letters); any other unit as it is.
char16_t UpperCaseUnit(char16_t unit);
// Equal when equal after UpperCaseUnit.
bool SameUnitsIgnoringCase(const std::u16string& a, const std::u16string& b);
