#include "console.h"

#include <cstdio>
#include <string>

#include "system_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
void Print(DWORD which, const char* text) {
    HANDLE stream = GetStdHandle(which);
    DWORD mode = 0;
    std::string line = std::string(text) + "\r\n";
    if (GetConsoleMode(stream, &mode)) {
        // The console shows Unicode; its code page is not Windows-1252.
        std::wstring wide(line.size(), L'\0');
        int n = MultiByteToWideChar(1252, 0, line.data(), static_cast<int>(line.size()), &wide[0],
                                    static_cast<int>(wide.size()));
        DWORD done = 0;
        WriteConsoleW(stream, wide.data(), static_cast<DWORD>(n), &done, nullptr);
    } else {
        DWORD done = 0;
        WriteFile(stream, line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
    }
}
#else
void Print(std::FILE* stream, const char* text) {
    const std::string line = ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stream);
}
#endif

}  // namespace

#ifdef _WIN32
void PrintLine(const char* text) { Print(STD_ERROR_HANDLE, text); }
void PrintOutput(const char* text) { Print(STD_OUTPUT_HANDLE, text); }
#else
void PrintLine(const char* text) { Print(stderr, text); }
void PrintOutput(const char* text) { Print(stdout, text); }
#endif
