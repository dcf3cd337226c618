#include "export_cases.h"

#include <cctype>
#include <cstdio>
#include <sstream>

#include "case_file.h"
#include "windows_1252.h"

const char kExportBase[] = "HKEY_CURRENT_USER\\Software\\Tessel Tests\\Export";

namespace {

// $K is the base, $k the base in small letters.
std::string Replaced(std::string text, const std::string& base) {
    std::string lower = base;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t at; (at = text.find('$')) != std::string::npos;) {
        text.replace(at, 2, text[at + 1] == 'K' ? base : lower);
    }
    return text;
}

}  // namespace

std::string FileBytes(const ExportCase& c, const std::string& base) {
    const std::string text = Replaced(c.text, base);
    switch (c.form) {
        case Form::Utf16: {
            std::u16string units;
            AppendUtf8Units(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &units);
            std::string out = "\xFF\xFE";
            for (char16_t unit : units) {
                out += static_cast<char>(unit & 0xFF);
                out += static_cast<char>(unit >> 8);
            }
            return out;
        }
        case Form::Utf8Mark:
            return "\xEF\xBB\xBF" + text;
        case Form::Bytes:
            break;
    }
    return text;
}

std::string DumpValue(const std::string& name, uint32_t type, const std::string& data) {
    std::string line = (name.empty() ? "@" : "\"" + name + "\"") + " " + std::to_string(type) + ":";
    for (unsigned char byte : data) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", byte);
        line += hex;
    }
    return line + "\n";
}

std::string Dump(const RegistryExport& file, const std::string& base) {
    std::string dump;
    for (const RegistryExportKey& key : file.keys) {
        std::string path = key.path;
        if (path.compare(0, base.size(), base) == 0) path.replace(0, base.size(), "$K");
        dump += "[" + path + "]\n";
        for (const RegistryExportValue& value : key.values) {
            dump += DumpValue(value.name, value.type,
                              std::string(value.data.begin(), value.data.end()));
        }
    }
    return dump;
}

std::vector<ExportCase> ExportCases() {
    static const char* const faults[] = {
        "None",         "Header",        "Encoding", "KeyName", "Root",    "ValueOutsideKey",
        "ValueName",    "Assignment",    "Text",     "Dword",   "HexData", "ValueType",
        "Continuation", "UnexpectedText"};
    std::vector<ExportCase> cases;
    for (const FileCase& f : ReadCaseFile(EXPORT_CASES)) {
        ExportCase c;
        std::istringstream head(f.name);
        std::string form, editor;
        head >> c.name >> form >> editor;
        c.form = form == "utf16" ? Form::Utf16 : form == "utf8-mark" ? Form::Utf8Mark : Form::Bytes;
        c.regedit = editor == "regedit";
        for (const auto& command : f.commands) {
            std::vector<Word> w;
            std::string error;
            SplitWords(command.second, w, error, false);
            if (w.size() > 1 && w[0].text == "file") c.text += w[1].text;
            if (w.size() > 1 && w[0].text == "dump") c.dump += w[1].text;
            if (w.size() > 1 && w[0].text == "conduit-key") c.conduitKey = w[1].text;
            if (w.size() > 2 && w[0].text == "fault") {
                for (size_t i = 0; i < sizeof faults / sizeof *faults; ++i) {
                    if (w[1].text == faults[i]) c.fault = static_cast<RegistryExportFault>(i);
                }
                c.line = std::stoul(w[2].text);
            }
        }
        cases.push_back(c);
    }
    return cases;
}
