// What the runners of the dialog and the setup cases share: the words of a
// case's lines, registry values as text and the pixels of a bitmap resource.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "case_file.h"

using Words = std::vector<std::string>;

inline std::string UserLanguage() {
    char code[20] = "";
    GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, code, sizeof code);
    return code;
}

// Hands each line of the case to run as words, with every NAME of vars
// replaced by its value. A line "de ..." counts only under a German user
// locale, "en ..." only under any other; "needs VARIABLE" skips the case
// without that environment variable. The user's language must be
// TESSEL_EXPECT_LANGUAGE, if set.
template <typename Run>
void RunCase(const FileCase& c, const std::vector<std::pair<std::string, std::string>>& vars,
             Run run) {
    const char* language = std::getenv("TESSEL_EXPECT_LANGUAGE");
    EXPECT_TRUE(language == nullptr || UserLanguage() == language) << UserLanguage();
    for (const auto& [line, text] : c.commands) {
        SCOPED_TRACE(c.file + ":" + std::to_string(line) + ": " + text);
        std::vector<Word> words;
        std::string error;
        ASSERT_TRUE(SplitWords(text, words, error)) << error;
        Words w;
        for (const Word& word : words) {
            w.push_back(word.text);
            for (const auto& [name, value] : vars)
                for (size_t at; (at = w.back().find(name)) != std::string::npos;)
                    w.back().replace(at, name.size(), value);
        }
        if (w[0] == "de" || w[0] == "en") {
            if ((w[0] == "de") != (UserLanguage() == "DEU")) continue;
            w.erase(w.begin());
        }
        if (w[0] == "needs" && std::getenv(w[1].c_str()) == nullptr)
            GTEST_SKIP() << "needs " << w[1];
        if (w[0] != "needs") run(w, line);
        if (testing::Test::HasFatalFailure() || testing::Test::IsSkipped()) return;
    }
}

// A value below HKEY_CURRENT_USER as text (a number in decimal), or
// <missing>; type gets its type.
inline std::string RegistryValue(const std::string& path, const std::string& name,
                                 DWORD* type = nullptr) {
    char data[4096] = "";
    DWORD size = sizeof data - 1, kind = 0;
    const LONG result = RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str(),
                                     RRF_RT_ANY | RRF_NOEXPAND, &kind, data, &size);
    if (type != nullptr) *type = kind;
    uint32_t number;
    std::memcpy(&number, data, 4);
    if (result != ERROR_SUCCESS) return "<missing>";
    return kind == REG_DWORD ? std::to_string(number) : data;
}

// The 32-bit pixels of a bitmap resource of a program or library, top row
// first.
inline std::vector<uint32_t> Pixels(const std::string& file, int id, int& width, int& height) {
    HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP size{};
    GetObjectA(bitmap, sizeof size, &size);
    width = size.bmWidth;
    height = size.bmHeight;
    BITMAPINFO info{{sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS), height)
        << file << " bitmap " << id;
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    FreeLibrary(module);
    return pixels;
}

// The lines of text with each KEY=VALUE of changes that names one of them
// in its place (VALUE -: the line goes); other changes are added as lines.
inline std::string Changed(std::string text, const Words& changes) {
    std::string added;
    for (const std::string& change : changes) {
        const size_t equals = change.find('=');
        const size_t at = text.find("\n" + change.substr(0, equals + 1)) + 1;
        if (equals == std::string::npos || at == 0) {
            added += change + "\n";
        } else {
            text.replace(at, text.find('\n', at) + 1 - at,
                         change.back() == '-' ? "" : change + "\n");
        }
    }
    return text + added;
}

inline std::string CrLf(std::string text) {
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, "\r");
    return text;
}
