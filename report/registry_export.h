// Registry export files (.reg) as the Windows registry editor writes them:
// "REGEDIT4" files in Windows-1252 and "Windows Registry Editor Version 5.00"
// files, normally UTF-16LE with a byte-order mark (UTF-8, with or without its
// mark, and Windows-1252 are read too). The reader takes the file's bytes,
// which are untrusted: any input gives either the keys and values or a fault
// with its line number, in time and memory linear in its size.
//
// Each value comes out as a program would read it from the registry after
// the file had been imported, through RegQueryValueExA in the Windows-1252
// code page: the texts of REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ values as
// Windows-1252 bytes with their terminators (characters the code page lacks
// become their best-fit look-alike or '?'), all other types as their bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "registry_values.h"

struct RegistryExportValue {
    std::string name;            // Windows-1252; empty for the default value (@)
    std::u16string unicodeName;  // the name as the registry holds it
    uint32_t type = RegistryTypeNone;
    std::vector<uint8_t> data;  // as RegQueryValueExA hands it over
};

struct RegistryExportKey {
    // Full path as written, such as HKEY_CURRENT_USER\Software\X, in
    // Windows-1252, without a trailing backslash.
    std::string path;
    // In the order in which they were first set.
    std::vector<RegistryExportValue> values;

    // The value of that name (Windows-1252; the case of letters does not
    // matter, "" is the default value), or null.
    const RegistryExportValue* Find(const char* name) const;
};

// The keys in the order in which the file first names them; a key named
// again gets the later values too, a deleted key ([-path]) and its subkeys
// are gone, and so is a deleted value ("name"=-).
struct RegistryExport {
    std::vector<RegistryExportKey> keys;
};

enum class RegistryExportFault {
    None,
    Header,           // no "REGEDIT4" or version 5 header on the first line
    Encoding,         // bytes that are no text of the file's encoding, or a zero character
    KeyName,          // a key line without its closing bracket, or an empty name
    Root,             // a key outside the predefined roots (HKEY_CURRENT_USER ...)
    ValueOutsideKey,  // a value before any key, or after a deleted one
    ValueName,        // a value name without its closing quote, or a bad escape in it
    Assignment,       // no "=" after the value name, or text after "-"
    Text,             // a text value without its closing quote, a bad escape, text after it
    Dword,            // dword: without 1 to 8 hexadecimal digits
    HexData,          // hex: data that are not comma-separated bytes
    ValueType,        // a value of no known form (", dword:, hex:, hex(type):)
    Continuation,     // a continued hex value without its next line
    UnexpectedText,   // a line that is none of the above
};

struct RegistryExportError {
    RegistryExportFault fault = RegistryExportFault::None;
    size_t line = 0;  // 1 for the first line of the file
};

// Reads a whole export file. False with the first fault (and no keys) when
// the file is malformed.
bool ReadRegistryExport(const uint8_t* data, size_t size, RegistryExport* file,
                        RegistryExportError* error);

// What the fault means, in English.
const char* RegistryExportFaultText(RegistryExportFault fault);

// The conduit's key among the exported ones: the first whose Conduit value
// names the file Tessel20.dll (any case, any folder), else the first that
// holds any value, else the first key; null when the file holds no key.
const RegistryExportKey* FindConduitKey(const RegistryExport& file);

// One exported key, read the way Registry reads the real one: GetDword takes
// up to four bytes of a value of any type, GetString its text up to the first
// zero byte when the value and the text's terminator fit the buffer; on
// failure the target is unchanged.
class ExportedKeySettings {
  public:
    explicit ExportedKeySettings(const RegistryExportKey& key) : key_(key) {}

    bool GetString(const char* name, char* buffer, uint32_t size) const;
    bool GetDword(const char* name, uint32_t* target) const;

  private:
    const RegistryExportKey& key_;
};
