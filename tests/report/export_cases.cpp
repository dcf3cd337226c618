#include "export_cases.h"

#include <cctype>
#include <cstdio>

const char kExportBase[] = "HKEY_CURRENT_USER\\Software\\Tessel Tests\\Export";

namespace {

using F = RegistryExportFault;

constexpr const char* k4 = "REGEDIT4\r\n\r\n";
constexpr const char* k5 = "Windows Registry Editor Version 5.00\r\n\r\n";

// $K is the base, $k the base in small letters.
std::string Replaced(std::string text, const std::string& base) {
    std::string lower = base;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t at; (at = text.find('$')) != std::string::npos;) {
        text.replace(at, 2, text[at + 1] == 'K' ? base : lower);
    }
    return text;
}

void AppendUtf16(std::string* out, uint32_t unit) {
    out->push_back(static_cast<char>(unit & 0xFF));
    out->push_back(static_cast<char>(unit >> 8));
}

std::string Utf16FromUtf8(const std::string& text) {
    std::string out = "\xFF\xFE";
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) point = point << 6 | (text[i + k] & 0x3F);
        i += length;
        if (point >= 0x10000) {
            AppendUtf16(&out, 0xD800 + ((point - 0x10000) >> 10));
            AppendUtf16(&out, 0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            AppendUtf16(&out, point);
        }
    }
    return out;
}

}  // namespace

std::string FileBytes(const ExportCase& c, const std::string& base) {
    const std::string text = Replaced(c.text, base);
    switch (c.form) {
        case Form::Utf16:
            return Utf16FromUtf8(text);
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

// clang-format off
const std::vector<ExportCase> kExportCases = {
    // Files as the registry editor writes them.
    {"Regedit4", Form::Bytes, true,
     std::string(k4) + "[$K]\r\n\"Text\"=\"Gr\xFC\xDF" "e\"\r\n@=\"\"\r\n\"Number\"=dword:0000002a\r\n"
     "\"Binary\"=hex:01,ff,00\r\n\"Expand\"=hex(2):25,41,25,00\r\n\"None\"=hex(0):\r\n\r\n",
     "[$K]\n\"Text\" 1: 47 72 fc df 65 00\n@ 1: 00\n\"Number\" 4: 2a 00 00 00\n"
     "\"Binary\" 3: 01 ff 00\n\"Expand\" 2: 25 41 25 00\n\"None\" 0:\n", F::None, 0},
    {"Version5", Form::Utf16, true,
     std::string(k5) + "[$K]\r\n\"Text\"=\"Grüße € Ā😀\"\r\n\"Number\"=dword:ffffffff\r\n"
     "\"Expand\"=hex(2):25,00,e4,00,25,00,00,00\r\n"
     "\"Multi\"=hex(7):61,00,00,00,ac,20,00,00,00,00\r\n"
     "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\r\n\"Short\"=hex(4):01,02\r\n\r\n",
     "[$K]\n\"Text\" 1: 47 72 fc df 65 20 80 20 41 3f 3f 00\n\"Number\" 4: ff ff ff ff\n"
     "\"Expand\" 2: 25 e4 25 00\n\"Multi\" 7: 61 00 80 00 00\n"
     "\"Qword\" 11: 01 02 03 04 05 06 07 08\n\"Short\" 4: 01 02\n", F::None, 0},
    {"EscapesInNamesAndTexts", Form::Utf16, true,
     std::string(k5) + "[$K]\r\n\"Say \\\"hi\\\"\"=\"C:\\\\Data\\\\\"\r\n"
     "\"Lines\"=\"a\\r\\nb\"\r\n\"Semi;colon\"=\"x;y\" ; comment\r\n",
     "[$K]\n\"Say \"hi\"\" 1: 43 3a 5c 44 61 74 61 5c 00\n\"Lines\" 1: 61 0d 0a 62 00\n"
     "\"Semi;colon\" 1: 78 3b 79 00\n", F::None, 0},
    {"ContinuedHexLines", Form::Utf16, true,
     std::string(k5) + "[$K]\r\n\"Multi\"=hex(7):61,00,62,00,00,00,\\\r\n  63,00,\\\r\n\r\n"
     "; between\r\n  00,00,00,00\r\n\"After\"=dword:1\r\n",
     "[$K]\n\"Multi\" 7: 61 62 00 63 00 00\n\"After\" 4: 01 00 00 00\n", F::None, 0},
    // Text types get their terminator; an odd last byte of UTF-16 is dropped.
    {"TextTypesWithoutTerminator", Form::Utf16, true,
     std::string(k5) + "[$K]\r\n\"Sz\"=hex(1):41,00,42,00\r\n\"Odd\"=hex(2):41,00,42\r\n"
     "\"Empty\"=hex(7):\r\n",
     "[$K]\n\"Sz\" 1: 41 42 00\n\"Odd\" 2: 41 00\n\"Empty\" 7:\n", F::None, 0},
    {"Regedit4TextTypesWithoutTerminator", Form::Bytes, true,
     std::string(k4) + "[$K]\r\n\"Sz\"=hex(1):41,42\r\n\"Multi\"=hex(7):61,00,62\r\n",
     "[$K]\n\"Sz\" 1: 41 42 00\n\"Multi\" 7: 61 00 62 00\n", F::None, 0},
    // A key named again merges; a name in other letters is the same value.
    {"RepeatedKeyMerges", Form::Bytes, true,
     std::string(k4) + "[$K]\n\"Text\"=\"one\"\n\"Keep\"=dword:1\n[$K\\Sub]\n\"S\"=\"s\"\n"
     "[$k\\]\n\"TEXT\"=\"two\"\n\"New\"=\"n\"\n",
     "[$K]\n\"Text\" 1: 74 77 6f 00\n\"Keep\" 4: 01 00 00 00\n\"New\" 1: 6e 00\n"
     "[$K\\Sub]\n\"S\" 1: 73 00\n", F::None, 0},
    {"DeletedKeysAndValues", Form::Bytes, true,
     std::string(k4) + "[$K]\r\n\"Gone\"=\"g\"\r\n\"Stay\"=\"s\"\r\n@=\"d\"\r\n[$K\\Sub]\r\n"
     "[$K\\Sub\\Deeper]\r\n\"D\"=\"d\"\r\n[$K\\Sub X]\r\n[-$K\\Sub]\r\n[$K]\r\n"
     "\"Gone\"=-\r\n@=-\r\n\"Never\"=-\r\n[$K\\Sub]\r\n\"Again\"=\"a\"\r\n",
     "[$K]\n\"Stay\" 1: 73 00\n[$K\\Sub X]\n[$K\\Sub]\n\"Again\" 1: 61 00\n", F::None, 0},
    {"BlanksCommentsAndLineEnds", Form::Bytes, true,
     "REGEDIT4\n; comment\n\n  [$K]  \r  \"A\" = dword: 10 ; ten\n\t\"B\"=hex: 01, 02,\r\n",
     "[$K]\n\"A\" 4: 10 00 00 00\n\"B\" 3: 01 02\n", F::None, 0},
    // Version 5 in 8 bits: UTF-8 when it is valid UTF-8, else Windows-1252.
    {"Version5Windows1252", Form::Bytes, true,
     std::string(k5) + "[$K]\r\n\"T\"=\"\xE4\x80\"\r\n", "[$K]\n\"T\" 1: e4 80 00\n", F::None, 0},
    {"Version5Utf8", Form::Bytes, false,
     std::string(k5) + "[$K]\r\n\"T\"=\"ä€\"\r\n", "[$K]\n\"T\" 1: e4 80 00\n", F::None, 0},
    {"Version5Utf8Mark", Form::Utf8Mark, false,
     std::string(k5) + "[$K]\r\n\"T\"=\"ä€\"\r\n", "[$K]\n\"T\" 1: e4 80 00\n", F::None, 0},

    // Malformed files: the fault and its line.
    {"NoHeader", Form::Bytes, false, "REGEDIT5\r\n[$K]\r\n", "", F::Header, 1},
    {"EmptyFile", Form::Bytes, false, "", "", F::Header, 1},
    {"Utf16WithoutItsMark", Form::Bytes, false, std::string("R\0E\0G\0", 6), "", F::Header, 1},
    {"UnclosedKey", Form::Bytes, false, std::string(k4) + "[$K\r\n", "", F::KeyName, 3},
    {"TextAfterKey", Form::Bytes, false, std::string(k4) + "[$K] x\r\n", "", F::KeyName, 3},
    {"EmptyKeyName", Form::Bytes, false, std::string(k4) + "[$K\\\\A]\r\n", "", F::KeyName, 3},
    {"ShortRootName", Form::Bytes, false, "REGEDIT4\r\n[HKCU\\Software]\r\n", "", F::Root, 2},
    {"DeletedRoot", Form::Bytes, false, "REGEDIT4\r\n[-HKEY_CURRENT_USER]\r\n", "", F::KeyName, 2},
    {"ValueBeforeKey", Form::Bytes, false, std::string(k4) + "\"A\"=\"a\"\r\n", "",
     F::ValueOutsideKey, 3},
    {"ValueAfterDeletedKey", Form::Bytes, false, std::string(k4) + "[-$K]\r\n@=\"a\"\r\n", "",
     F::ValueOutsideKey, 4},
    {"UnclosedValueName", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A=1\r\n", "",
     F::ValueName, 4},
    {"NoEquals", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A\" dword:1\r\n", "",
     F::Assignment, 4},
    {"TextAfterDeletion", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A\"=-1\r\n", "",
     F::Assignment, 4},
    {"UnclosedText", Form::Utf16, false, std::string(k5) + "[$K]\r\n\"A\"=\"abc\r\n", "",
     F::Text, 4},
    {"UnknownEscape", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A\"=\"C:\\Data\"\r\n",
     "", F::Text, 4},
    {"TextAfterText", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A\"=\"a\" b\r\n", "",
     F::Text, 4},
    {"NineDigitDword", Form::Bytes, false,
     std::string(k4) + "[$K]\r\n\"A\"=dword:123456789\r\n", "", F::Dword, 4},
    {"DwordInCapitals", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A\"=DWORD:1\r\n", "",
     F::ValueType, 4},
    {"ThreeDigitByte", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A\"=hex:123\r\n", "",
     F::HexData, 4},
    {"BytesWithoutComma", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A\"=hex:01 02\r\n",
     "", F::HexData, 4},
    {"BadTypeNumber", Form::Bytes, false, std::string(k4) + "[$K]\r\n\"A\"=hex(x):01\r\n", "",
     F::ValueType, 4},
    {"FileEndsInContinuation", Form::Bytes, false,
     std::string(k4) + "[$K]\r\n\"A\"=hex:01,\\\r\n\r\n", "", F::Continuation, 5},
    {"ContinuationInterrupted", Form::Bytes, false,
     std::string(k4) + "[$K]\r\n\"A\"=hex:01,\\\r\n[$K]\r\n", "", F::Continuation, 5},
    {"StrayText", Form::Bytes, false, std::string(k4) + "[$K]\r\nDeleteRecords=1\r\n", "",
     F::UnexpectedText, 4},
    {"InvalidUtf8AfterMark", Form::Utf8Mark, false,
     std::string(k5) + "[$K]\r\n\"A\"=\"\xC3\"\r\n", "", F::Encoding, 4},
    {"ZeroCharacter", Form::Utf16, false, std::string(k5) + "[$K]\r\n\"A\"=\"a" + std::string(1, '\0') + "b\"\r\n", "",
     F::Encoding, 4},
};
// clang-format on
