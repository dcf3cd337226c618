// Texts around .pdb files: Windows-1252 <-> UTF-8, quoted strings with
// escapes, Palm dates, and the plain-text description of a database that
// pdbtool dumps and builds. Portable C++17; no platform headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "palm/pdb.h"

namespace palm {

// Converts UTF-8 to Windows-1252. Fails on invalid UTF-8 and on characters
// that Windows-1252 cannot hold; error then names the character.
bool Utf8ToCp1252(const std::string& utf8, std::string& out, std::string& error);
// Converts Windows-1252 to UTF-8; the five unassigned bytes map to U+FFFD.
std::string Cp1252ToUtf8(const std::string& text);

// A double-quoted UTF-8 rendering of Windows-1252 bytes: printable characters
// as they are, \\ \" \n \r \t \0 and \xNN for everything else.
std::string Quote(const uint8_t* bytes, size_t size);
std::string Quote(const std::vector<uint8_t>& bytes);
// Reads a quoted string that starts at text[pos] (the opening quote); on
// success pos is just past the closing quote and bytes holds the Windows-1252
// bytes.
bool Unquote(const std::string& text, size_t& pos, std::vector<uint8_t>& bytes, std::string& error);

// Palm dates (seconds since 1904-01-01 00:00:00) as "YYYY-MM-DDTHH:MM:SS".
std::string FormatDate(uint32_t seconds);
bool ParseDate(const std::string& text, uint32_t& seconds);

// Flags of a record as "dirty,secret" (or "-" for none) and back.
std::string FormatFlags(uint8_t flags);
bool ParseFlags(const std::string& text, uint8_t& flags);

// The description of a database: the header as directives, then one line per
// record. ParseDescription reads UTF-8 text (label names the source in error
// messages, with the line number); Describe writes what ParseDescription reads
// back to the same records, name, type, creator, attributes, version, dates
// and modification number. What the conduit never reads does not come back:
// bytes after the name's zero byte, the unique id seed (built as the highest
// record id + 1), the appInfo and sortInfo blocks.
bool ParseDescription(const std::string& text, const std::string& label, Database& db,
                      std::string& error);
std::string Describe(const Database& db);

}  // namespace palm
