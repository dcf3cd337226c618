// version_probe: prints the version resource of each file given, as Windows
// reads it (the file's Properties in Explorer), one line a file:
//   NAME file=A.B.C.D product=A.B.C.D type=app|dll FileVersion=... ProductVersion=...
//        OriginalFilename=...
// or "NAME none" when the file has no version resource. Exit status 0, or 1
// when a file had none.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Quad(DWORD high, DWORD low) {
    char text[64];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(high)),
                  static_cast<unsigned long>(LOWORD(high)), static_cast<unsigned long>(HIWORD(low)),
                  static_cast<unsigned long>(LOWORD(low)));
    return text;
}

// A text of the first translation's string table, or "-".
std::string Value(std::vector<char>& data, const char* name) {
    struct Translation {
        WORD language, codePage;
    }* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &size) ||
        size < sizeof *translations) {
        return "-";
    }
    char path[128];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translations->language,
                  translations->codePage, name);
    char* text = nullptr;
    if (!VerQueryValueA(data.data(), path, reinterpret_cast<void**>(&text), &size) || size == 0) {
        return "-";
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const char* file = argv[i];
        const char* name = file;
        for (const char* p = file; *p; ++p) {
            if (*p == '\\' || *p == '/') name = p + 1;
        }
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(file, &ignored);
        std::vector<char> data(size);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        if (size == 0 || !GetFileVersionInfoA(file, 0, size, data.data()) ||
            !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
            fixedSize < sizeof *fixed) {
            std::printf("%s none\n", name);
            status = 1;
            continue;
        }
        std::printf(
            "%s file=%s product=%s type=%s FileVersion=%s ProductVersion=%s "
            "OriginalFilename=%s\n",
            name, Quad(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str(),
            Quad(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str(),
            fixed->dwFileType == VFT_DLL   ? "dll"
            : fixed->dwFileType == VFT_APP ? "app"
                                           : "other",
            Value(data, "FileVersion").c_str(), Value(data, "ProductVersion").c_str(),
            Value(data, "OriginalFilename").c_str());
    }
    return status;
}
