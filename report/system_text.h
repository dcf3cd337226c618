// The report command's texts are Windows-1252, as in the conduit. On Linux
// the command's arguments, file names, the system's words and its messages on
// the console are UTF-8; they are converted here, at the command's edge.
#pragma once

#include <string>

// An argument or a system text as Windows-1252, for messages and paths (on
// Linux from UTF-8; a character that Windows-1252 lacks becomes '?').
std::string ToCp1252(const std::string& text);
std::string SystemText(const std::string& text);
// The platform's words for an errno value, as Windows-1252.
std::string SystemReason(int code);
#ifndef _WIN32
// Windows-1252 text as UTF-8 (the five unassigned bytes give U+FFFD).
std::string ToUtf8(const std::string& text);
#endif

// A name in the user's encoding as Windows-1252, exactly or not at all: UTF-8
// on Linux, and wherever it begins with a UTF-8 byte order mark (dropped);
// else the platform's ANSI code page, taken as it is.
enum class NameFault { None, NotUtf8, NoCharacter };
// character names the first character that Windows-1252 cannot hold
// ("U+0416") when the result is NoCharacter.
NameFault NameToCp1252(const std::string& text, std::string& name, std::string& character);
