// Registry export files and what they hold, for the reader's own test and
// for the comparison with the registry editor's import under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "registry_export.h"

// In the texts, $K stands for the case's key (kExportBase; $k for it in small
// letters); the dumps write it as $K.
extern const char kExportBase[];

enum class Form {
    Bytes,     // the text as it is (8-bit; Windows-1252 bytes written as \x..)
    Utf16,     // UTF-16LE with its mark, from the UTF-8 text
    Utf8Mark,  // UTF-8 with its mark
};

struct ExportCase {
    std::string name;
    Form form = Form::Bytes;
    bool regedit = false;  // the registry editor reads it the same way
    std::string text;
    // The dump of the keys and values (see Dump), or the fault and its line.
    std::string dump;
    RegistryExportFault fault = RegistryExportFault::None;
    size_t line = 0;
    std::string conduitKey;  // the key FindConduitKey chooses ("none"), if given
};

// The cases of export_cases.txt.
std::vector<ExportCase> ExportCases();

// The file's bytes, with $K replaced by base.
std::string FileBytes(const ExportCase& c, const std::string& base);

// One line per key, "[path]", then one per value, "name type: bytes" with the
// bytes in hex ("@" for the default value); base in paths written as $K.
std::string Dump(const RegistryExport& file, const std::string& base);
std::string DumpValue(const std::string& name, uint32_t type, const std::string& data);
