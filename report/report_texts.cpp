#include "report_texts.h"

#include <cstdio>
#include <cstring>

#include "messages.h"
#include "profile_file.h"
#include "registry_export.h"
#include "session.h"
#include "settings.h"
#include "user_language.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
// Windows-1252 0x80..0x9F as Unicode; 0xFFFD for the five unassigned bytes.
const char16_t kHigh[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                            0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        unsigned code = c < 0x80 ? c : c >= 0xA0 ? c : kHigh[c - 0x80];
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}
#endif

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// The log writer's header ("Ledgerly" after the section's opening entry)
// is the conduit's; the command shows the text lines alone.
bool headerNext = false;

void PrintLine(const char* text) {
#ifdef _WIN32
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    std::string line = std::string(text) + "\r\n";
    if (GetConsoleMode(error, &mode)) {
        // The console shows Unicode; its code page is not Windows-1252.
        std::wstring wide(line.size(), L'\0');
        int n = MultiByteToWideChar(1252, 0, line.data(), static_cast<int>(line.size()), &wide[0],
                                    static_cast<int>(wide.size()));
        DWORD done = 0;
        WriteConsoleW(error, wide.data(), static_cast<DWORD>(n), &done, nullptr);
    } else {
        DWORD done = 0;
        WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
    }
#else
    const std::string line = ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
#endif
}

}  // namespace

void WriteLogEntry(const char* text, int activity) {
    if (activity != kLogActivityText) {
        headerNext = activity == kLogActivityStart;
        return;
    }
    if (headerNext) {
        headerNext = false;
        return;
    }
    PrintLine(text);
}

std::string ToCp1252(const std::string& text) {
#ifdef _WIN32
    return text;
#else
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned code = c;
        size_t length = 1;
        if (c >= 0xC0 && c < 0xE0 && i + 1 < text.size()) {
            code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            length = 2;
        } else if (c >= 0xE0 && c < 0xF0 && i + 2 < text.size()) {
            code = (c & 0x0Fu) << 12 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6 |
                   (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            length = 3;
        } else if (c >= 0x80) {
            code = 0xFFFD;
            length = c >= 0xF0 ? 4 : 1;
        }
        i += length;
        char byte = '?';
        if (code < 0x80 || (code >= 0xA0 && code < 0x100)) {
            byte = static_cast<char>(code);
        } else {
            for (int h = 0; h < 32; ++h) {
                if (kHigh[h] == code && code != 0xFFFD) byte = static_cast<char>(0x80 + h);
            }
        }
        out += byte;
    }
    return out;
#endif
}

std::string SystemText(const std::string& text) { return ToCp1252(text); }

std::string SystemReason(int code) { return ToCp1252(std::strerror(code)); }

std::string FolderOf(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1])) --end;
    while (end > 1 && IsSeparator(path[end - 1])) --end;
    if (end == 0) return ".";
    return path.substr(0, end);
}

std::string NameOf(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    size_t start = end;
    while (start > 0 && !IsSeparator(path[start - 1])) --start;
    return path.substr(start, end - start);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return true;
}

void LoadCommandTexts(const char* argv0) {
    std::string program = argv0;
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) program.assign(path, n);
    char language[20] = "";
    if (GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, language, sizeof language) ==
        0) {
        language[0] = '\0';
    }
#else
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n > 0 && static_cast<size_t>(n) < sizeof path) program.assign(path, static_cast<size_t>(n));
    const std::string language = UserLanguageFromEnvironment();
#endif
    // Without a message file the built-in texts stand, with no word of it:
    // the file is an offer, not a part the command needs.
    ProfileMessageFile file(JoinPath(FolderOf(program), "conduit.nls"), language, PrintLine);
    if (file.Exists()) LoadMessageFile(file);
}

bool LoadSettingsExport(const std::vector<uint8_t>& bytes, const std::string& path) {
    RegistryExport file;
    RegistryExportError error;
    if (!ReadRegistryExport(bytes.data(), bytes.size(), &file, &error)) {
        LogMessage(Msg(msgReportBadSettings), SystemText(path).c_str(),
                   std::to_string(error.line).c_str());
        return false;
    }
    const RegistryExportKey* key = FindConduitKey(file);
    if (key == nullptr) {
        LogMessage(Msg(msgReportNoSettings), SystemText(path).c_str());
        return false;
    }
    ExportedKeySettings source(*key);
    ReadSettings(source, ConduitSettings);
    return true;
}
