// Rules for 8-bit texts that the conduit, the installer and tessel-report
// share. Plain C++ without the platform: they read untrusted texts (the
// message file, install.ini, registry values, property records).
#pragma once

#include <cstddef>
#include <string>

// The letters A to Z as a to z; every other byte as it is. Names that the
// product compares without case (message-file headers and languages, property
// keys, report file names, registry entries) fold these 26 letters only.
inline char FoldAZ(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Byte-wise order of two texts with A-Z folded (-1, 0, 1); bytes compare
// unsigned.
int CompareFoldingAZ(const char* a, const char* b);
inline bool EqualFoldingAZ(const char* a, const char* b) { return CompareFoldingAZ(a, b) == 0; }

// Copies source into target (size bytes including the terminator) and
// translates escapes on the way: \n, \r and \t become line feed, carriage
// return and tab; a backslash before any other character gives that
// character; a backslash at the very end ends the text. The result is cut to
// size - 1 characters and always terminated (nothing is written for size 0).
// Target may be source itself: the result is never longer.
void TranslateEscapes(const char* source, char* target, size_t size);

// Windows-1252, the product's code page, as Windows converts it: every byte
// stands for one Unicode character and back. The five bytes that the code
// page leaves unassigned (0x81 0x8D 0x8F 0x90 0x9D) stand for the C1 controls
// of the same value, as in Windows' own conversion, so that no byte is lost
// or taken for another on its way through Unicode and back: a registry value
// that Windows keeps in UTF-16, a file name, a registry export.
char16_t Windows1252ToUnicode(unsigned char byte);
// The byte of a Unicode character; false when the code page has none.
bool UnicodeToWindows1252(char32_t code, unsigned char* byte);
// A Windows-1252 text (up to its terminator) in UTF-8.
std::string Windows1252ToUtf8(const char* text);
