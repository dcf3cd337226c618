// The conduit's dialogs through ConfigureConduit of a copy of the real
// library, driven through their windows by the cases of dialog_cases.txt
// (which describes the commands); the shipped message file's entries and
// the pictures that the dialogs make transparent.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "case_file.h"
#include "conduit_host.h"
#include "dialog_driver.h"
#include "hotsync.h"
#include "messages.h"

namespace {

using Words = std::vector<std::string>;
using Lines = std::vector<std::pair<int, Words>>;

std::string UserLanguage() {
    char code[20] = "";
    GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, code, sizeof code);
    return code;
}

std::string Env(const char* name) { return std::getenv(name) != nullptr ? std::getenv(name) : ""; }

int Id(const std::string& word) { return std::stoi(word, nullptr, 0); }

void States(HWND h, const Words& w) {
    for (size_t i = 1; i < w.size(); ++i)
        EXPECT_EQ(Checked(h, Id(w[i])), w[0] == "checked") << w[i];
}

// Commands of a step, on the window that it is for.
const std::map<std::string, void (*)(HWND, const Words&)> kStep = {
    {"caption", [](HWND h, const Words& w) { EXPECT_EQ(Caption(h), w[1]); }},
    {"text",
     [](HWND h, const Words& w) {
         for (size_t i = 1; i + 1 < w.size(); i += 2) EXPECT_EQ(Text(h, Id(w[i])), w[i + 1]);
     }},
    {"checked", States},
    {"unchecked", States},
    {"hidden", [](HWND h, const Words& w) { EXPECT_FALSE(Visible(h, Id(w[1]))); }},
    {"picture",
     [](HWND h, const Words& w) {
         for (size_t i = 3; i < w.size(); ++i) {
             EXPECT_TRUE(IsBitmapControl(h, Id(w[i]))) << w[i];
             const SIZE size = PictureSize(h, Id(w[i]));
             EXPECT_EQ(std::to_string(size.cx) + "x" + std::to_string(size.cy), w[1] + "x" + w[2]);
         }
     }},
    {"list",
     [](HWND h, const Words& w) {
         EXPECT_EQ(ListEntries(h, Id(w[1])), Words(w.begin() + 2, w.end()));
     }},
    {"selected", [](HWND h, const Words& w) { EXPECT_EQ(SelectedIndex(h, Id(w[1])), Id(w[2])); }},
    {"box-text", [](HWND h, const Words& w) { EXPECT_EQ(BoxText(h), w[1]); }},
    {"box-icon",
     [](HWND h, const Words& w) {
         EXPECT_EQ(SendDlgItemMessageA(h, 0x440, STM_GETICON, 0, 0) != 0, w[1] == "yes");
     }},
    {"box-owned", [](HWND h, const Words&) { EXPECT_NE(GetWindow(h, GW_OWNER), nullptr); }},
    {"only-ok",
     [](HWND h, const Words&) {
         for (int id : {IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE})
             EXPECT_EQ(Visible(h, id), id == IDOK) << id;
     }},
    {"click",
     [](HWND h, const Words& w) {
         for (size_t i = 1; i < w.size(); ++i) Click(h, Id(w[i]));
     }},
    {"type", [](HWND h, const Words& w) { Type(h, Id(w[1]), w[2].c_str()); }},
    {"select", [](HWND h, const Words& w) { Select(h, Id(w[1]), Id(w[2])); }},
    {"escape", [](HWND h, const Words&) { PressEscape(h); }},
    {"close-box", [](HWND h, const Words&) { PressCloseBox(h); }},
};

void Act(HWND window, const Lines& lines, const std::string& file) {
    for (const auto& [line, w] : lines) {
        SCOPED_TRACE(file + ":" + std::to_string(line));
        const auto command = kStep.find(w[0]);
        if (command == kStep.end()) {
            ADD_FAILURE() << "unknown step command " << w[0];
        } else {
            command->second(window, w);
        }
    }
}

struct Runner {
    explicit Runner(const FileCase& f) : fileCase(f) {}

    // A value of the settings key as text (a number in decimal), or <missing>.
    std::string Stored(const std::string& name) {
        HKEY key;
        if (RegOpenKeyA(HKEY_CURRENT_USER, settingsPath.c_str(), &key) != ERROR_SUCCESS)
            return "<no key>";
        char data[1024] = "";
        DWORD type = 0, size = sizeof data - 1;
        const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) return "<missing>";
        uint32_t number;
        std::memcpy(&number, data, 4);
        return type == REG_DWORD ? std::to_string(number) : data;
    }

    void Configure() {
        if (!messageFile.empty()) WriteFileBytes(c.root + "\\conduit\\conduit.nls", messageFile);
        messageFile.clear();
        if (!conduit) conduit = std::make_unique<LoadedConduit>(c.conduitPath);
        ASSERT_NE(conduit->configure, nullptr);
        SyncPreference p{};
        std::snprintf(p.userPath, sizeof p.userPath, "%s", c.root.c_str());
        std::snprintf(p.registryPath, sizeof p.registryPath, "%s", settingsPath.c_str());
        if (settingsPath.size() == sizeof p.registryPath) {
            std::memcpy(p.registryPath, settingsPath.data(), settingsPath.size());
            settingsPath.pop_back();  // the key that the conduit can name
        }
        p.preferenceKind = 77;
        p.syncType = syncType;
        long result = 0;
        script.Run([&] { result = conduit->configure(&p); });
        for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
        script = Script();
        steps.clear();
        EXPECT_EQ(result, 0);
        preference = p;
        syncType = 2;
    }

    const FileCase& fileCase;
    // The same case runs under other environments too (see CMakeLists.txt),
    // at the same time: each has a folder and key of its own.
    ConduitCase c{Env("TESSEL_EXPECT_LANGUAGE") + Env("TESSEL_NO_BROWSER")};
    std::string settingsPath = c.registryPath;
    std::unique_ptr<LoadedConduit> conduit;
    std::string messageFile;
    int32_t syncType = 2;
    SyncPreference preference{};
    Script script;
    std::vector<std::shared_ptr<Lines>> steps;
};

long Number(const std::string& word) { return std::stol(word, nullptr, 0); }

// Commands of a case outside its steps.
const std::map<std::string, void (*)(Runner&, const Words&)> kCommand = {
    {"dword", [](Runner& r, const Words& w) { r.c.SetDword(w[1].c_str(), Number(w[2])); }},
    {"string", [](Runner& r, const Words& w) { r.c.SetString(w[1].c_str(), w[2]); }},
    {"volatile-key",
     [](Runner& r, const Words&) {
         HKEY key;
         RegDeleteTreeA(HKEY_CURRENT_USER, r.c.registryPath.c_str());
         RegDeleteKeyA(HKEY_CURRENT_USER, r.c.registryPath.c_str());
         EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, r.c.registryPath.c_str(), 0, nullptr,
                                   REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                   ERROR_SUCCESS);
         RegCloseKey(key);
         r.settingsPath = r.c.registryPath + "\\Lasting";
     }},
    {"key-filling-the-field",
     [](Runner& r, const Words&) {
         r.settingsPath = r.c.registryPath + "\\";
         r.settingsPath.resize(sizeof r.preference.registryPath, 'x');
     }},
    {"message-file",
     [](Runner& r, const Words& w) {
         for (size_t i = 1; i < w.size(); ++i) r.messageFile += w[i] + "\r\n";
     }},
    {"no-message-file",
     [](Runner& r, const Words&) { DeleteFileA((r.c.root + "\\conduit\\conduit.nls").c_str()); }},
    {"shipped-message-file",
     [](Runner& r, const Words&) {
         CopyFileA((BinFolder() + "\\conduit.nls").c_str(),
                   (r.c.root + "\\conduit\\conduit.nls").c_str(), FALSE);
     }},
    {"preference", [](Runner& r, const Words& w) { r.syncType = Number(w[1]); }},
    {"expect-language",
     [](Runner&, const Words&) {
         const std::string expected = Env("TESSEL_EXPECT_LANGUAGE");
         EXPECT_TRUE(expected.empty() || UserLanguage() == expected) << UserLanguage();
     }},
    {"needs",
     [](Runner&, const Words& w) {
         if (Env(w[1].c_str()).empty()) GTEST_SKIP() << "needs " << w[1];
     }},
    {"configure", [](Runner& r, const Words&) { r.Configure(); }},
    {"sync-type",
     [](Runner& r, const Words& w) { EXPECT_EQ(r.preference.syncType, Number(w[1])); }},
    {"kind",
     [](Runner& r, const Words& w) { EXPECT_EQ(r.preference.preferenceKind, Number(w[1])); }},
    {"stored",
     [](Runner& r, const Words& w) {
         for (size_t i = 1; i + 1 < w.size(); i += 2) EXPECT_EQ(r.Stored(w[i]), w[i + 1]) << w[i];
     }},
};

class DialogCase : public ::testing::TestWithParam<FileCase> {};

TEST_P(DialogCase, RunsAsWritten) {
    Runner r{GetParam()};
    for (const auto& [line, text] : r.fileCase.commands) {
        SCOPED_TRACE(r.fileCase.file + ":" + std::to_string(line) + ": " + text);
        std::vector<Word> words;
        std::string error;
        ASSERT_TRUE(SplitWords(text, words, error)) << error;
        Words w;
        for (const Word& word : words) {
            w.push_back(word.text);
            for (size_t at; (at = w.back().find("$user")) != std::string::npos;)
                w.back().replace(at, 5, UserLanguage());
        }
        if (w[0] == "de" || w[0] == "en") {  // a line for one user language
            if ((w[0] == "de") != (UserLanguage() == "DEU")) continue;
            w.erase(w.begin());
        }
        if (w[0] == "on") {  // the lines up to the next "on" or "configure" act on the window
            const Window kind = w[1] == "action"    ? Window::Action
                                : w[1] == "options" ? Window::Options
                                : w[1] == "about"   ? Window::About
                                                    : Window::Box;
            auto lines = std::make_shared<Lines>();
            r.steps.push_back(lines);
            const std::string file = r.fileCase.file;
            r.script.On(kind, [lines, file](HWND window) { Act(window, *lines, file); });
        } else if (!r.steps.empty() && w[0] != "configure") {
            r.steps.back()->push_back({line, w});
        } else if (const auto command = kCommand.find(w[0]); command != kCommand.end()) {
            command->second(r, w);
        } else {
            FAIL() << "unknown command";
        }
        if (HasFatalFailure() || IsSkipped()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Script, DialogCase, ::testing::ValuesIn(ReadCaseFile(DIALOG_CASES)),
                         [](const auto& info) { return info.param.name; });

// Every entry of the table has an English text in the shipped file: a log
// line where the built-in text is one, no other conversion than its "%s".
TEST(ShippedMessageFile, TranslatesEveryEntryIntoEnglish) {
    const std::string path = BinFolder() + "\\conduit.nls";
    auto value = [&](const char* section, const char* key) {
        char text[512] = "";
        GetPrivateProfileStringA(section, key, "", text, sizeof text, path.c_str());
        return std::string(text);
    };
    auto count = [](const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(value("General", "DefaultLanguage"), "ENU");
    EXPECT_EQ(value("Languages", "ENU") + value("Languages", "DEU"), "11");
    for (const MessageEntry& entry : MessageCatalog) {
        const std::string english = value("ENU", entry.key), builtIn = entry.builtInText;
        EXPECT_FALSE(english.empty()) << entry.key;
        EXPECT_LT(english.size(), 256u) << entry.key;
        EXPECT_EQ(english.rfind("   - ", 0) == 0, builtIn.rfind("   - ", 0) == 0) << entry.key;
        EXPECT_EQ(count(english, "%"), count(builtIn, "%s")) << entry.key;
        EXPECT_EQ(count(english, "%s"), count(builtIn, "%s")) << entry.key;
        if (std::strcmp(entry.key, "msgUIAbout003") != 0 &&
            std::strcmp(entry.key, "msgUIOptions019") != 0) {
            EXPECT_NE(english, builtIn) << entry.key;
        }
    }
}

// The top-left colour of a picture becomes the dialog face; a lone pixel of
// almost that colour at the picture's edge would stay as a speck on the face.
TEST(TransparentPictures, HaveNoSpeckCloseToTheKeyColour) {
    HMODULE library =
        LoadLibraryExA((BinFolder() + "\\Tessel20.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HDC screen = GetDC(nullptr);
    for (int id : {100, 102, 103, 104, 105}) {  // the status strip and the action pictures
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(library, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP size{};
        ASSERT_NE(GetObjectA(bitmap, sizeof size, &size), 0) << id;
        const int w = size.bmWidth, h = size.bmHeight;
        BITMAPINFO info{{sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
        GetDIBits(screen, bitmap, 0, h, pixels.data(), &info, DIB_RGB_COLORS);
        DeleteObject(bitmap);
        auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFF; };
        auto alike = [](uint32_t a, uint32_t b) {
            int sum = 0;
            for (int shift = 0; shift < 24; shift += 8)
                sum += std::abs(static_cast<int>((a >> shift & 0xFF) - (b >> shift & 0xFF)));
            return sum <= 64;
        };
        std::string specks;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                bool touchesFace = false, hasItsLike = false;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        if ((dx == 0 && dy == 0) || x + dx < 0 || y + dy < 0 || x + dx >= w ||
                            y + dy >= h)
                            continue;
                        touchesFace = touchesFace || at(x + dx, y + dy) == at(0, 0);
                        hasItsLike = hasItsLike || at(x + dx, y + dy) == at(x, y);
                    }
                }
                if (at(x, y) != at(0, 0) && alike(at(x, y), at(0, 0)) && touchesFace && !hasItsLike)
                    specks += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
            }
        }
        EXPECT_EQ(specks, "") << "bitmap " << id << ", key colour " << at(0, 0);
    }
    ReleaseDC(nullptr, screen);
    FreeLibrary(library);
}

}  // namespace
