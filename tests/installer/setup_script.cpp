// The real TesselSetup.exe, run in its own process and driven through its
// windows by the cases of setup_cases.txt (which describes the commands).
// Every case works in a folder of its own; the HotSync manager's key is
// emptied before it and restored after it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "case_file.h"
#include "conduit_host.h"
#include "driver.h"

using setup_driver::BoxIcon;
using setup_driver::MessageBoxInfo;
using setup_driver::SetupProcess;
using Words = std::vector<std::string>;

namespace {

const std::string kHotSync = "Software\\U.S. Robotics\\Pilot Desktop";
const std::string kSaved = "Software\\Tessel Tests\\Saved Pilot Desktop";

std::string Path(const std::string& below) { return kHotSync + (below == "." ? "" : "\\" + below); }

HKEY Open(const std::string& path, bool create = false) {
    HKEY key = nullptr;
    (create ? RegCreateKeyA : RegOpenKeyA)(HKEY_CURRENT_USER, path.c_str(), &key);
    return key;
}

void CopyKey(const std::string& from, const std::string& to) {
    HKEY source = Open(from), target = source != nullptr ? Open(to, true) : nullptr;
    if (target != nullptr) RegCopyTreeA(source, nullptr, target);
    RegCloseKey(source);
    RegCloseKey(target);
}

void SetValue(const std::string& below, const std::string& name, DWORD type,
              const std::string& bytes) {
    HKEY key = Open(Path(below), true);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

// A value as text: a text as it is, a number in decimal, else <missing>.
std::string Value(const std::string& below, const std::string& name, DWORD wanted) {
    HKEY key = Open(Path(below));
    char data[4096] = {};
    DWORD size = sizeof data - 1, type = 0;
    const LONG result =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    uint32_t number;
    std::memcpy(&number, data, 4);
    if (result != ERROR_SUCCESS) return "<missing>";
    if (type != wanted) return "<type " + std::to_string(type) + ">";
    return type == REG_DWORD ? std::to_string(number) : data;
}

// A conduit section with the test values and changes KEY=VALUE ("KEY=-": left out).
std::string Section(const std::string& name, const Words& changes) {
    std::string text =
        "\nCaption=Testly Setup\nTitle=Welcome to Testly\nName=Testly\nVersion=2.5\n"
        "Description=Testly to text\nInfo=Registers the Testly conduit.\n"
        "Creator=TSTY\nModule=Tessel20.dll\nDirectory=TestlyData\nPriority=2\n";
    for (const std::string& change : changes) {
        const size_t at = text.find("\n" + change.substr(0, change.find('=') + 1)) + 1;
        text.replace(at, text.find('\n', at) + 1 - at, change.back() == '-' ? "" : change + "\n");
    }
    return "[" + name + "]" + text;
}

struct Runner {
    explicit Runner(const FileCase& c) : fileCase(c) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSaved.c_str());
        CopyKey(kHotSync, kSaved);
        RegDeleteTreeA(HKEY_CURRENT_USER, kHotSync.c_str());
        RegCloseKey(Open(kHotSync, true));
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "tessel-setup-" + c.name + "\\";
        RemoveTree(folder.substr(0, folder.size() - 1));
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteFileBytes(folder + "Tessel20.dll", "MZ");
    }
    ~Runner() {
        setup.Kill();
        RemoveTree(folder.substr(0, folder.size() - 1));
        RegDeleteTreeA(HKEY_CURRENT_USER, kHotSync.c_str());
        CopyKey(kSaved, kHotSync);
        RegDeleteTreeA(HKEY_CURRENT_USER, kSaved.c_str());
    }

    // install.ini from the section and ini lines so far, with CR LF.
    void WriteIni() {
        std::string crlf;
        for (char c : ini) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        if (!ini.empty()) WriteFileBytes(folder + "install.ini", crlf);
        ini.clear();
    }

    void Start(const std::string& program = "TesselSetup.exe") {
        WriteIni();
        ASSERT_TRUE(setup.Start(setup_driver::ProgramDirectory() + program, folder));
    }

    // Starts in a folder below the case's whose path leaves no room for
    // "\install.ini", with a file named as the cut path would name it.
    void StartDeep() {
        std::string deep = folder;
        while (deep.size() < 240) {
            deep += std::string(std::min<size_t>(60, 248 - deep.size()), 'd') + "\\";
            CreateDirectoryA(deep.c_str(), nullptr);
        }
        WriteFileBytes((deep + "install.ini").substr(0, 259), Section("Conduit", {}));
        ASSERT_TRUE(setup.Start(setup_driver::ProgramDirectory() + "TesselSetup.exe",
                                deep.substr(0, deep.size() - 1)));
    }

    void Box(const std::string& kind, const std::string& text, const std::string& caption = "",
             const std::string& answer = "ok") {
        MessageBoxInfo box;
        ASSERT_TRUE(setup.WaitForMessageBox(&box)) << "no box with: " << text;
        EXPECT_EQ(box.text, text);
        const bool plain = kind == "plain";
        EXPECT_EQ(box.caption, plain ? "Error" : caption);
        const BoxIcon icon = plain             ? BoxIcon::None
                             : kind == "info"  ? BoxIcon::Information
                             : kind == "error" ? BoxIcon::Error
                                               : BoxIcon::Question;
        EXPECT_STREQ(setup_driver::BoxIconName(box.icon), setup_driver::BoxIconName(icon));
        const std::vector<int> question{IDCANCEL, IDYES, IDNO};
        EXPECT_EQ(box.buttons, icon == BoxIcon::Question ? question : std::vector<int>{IDOK});
        EXPECT_EQ(box.owner, plain ? nullptr : dialog);
        const std::map<std::string, int> kAnswers{
            {"yes", IDYES}, {"no", IDNO}, {"cancel", IDCANCEL}};
        EXPECT_TRUE(setup.Answer(box, kAnswers.count(answer) ? kAnswers.at(answer) : IDOK));
    }

    void Exit(DWORD status) {
        DWORD code = 12345;
        MessageBoxInfo box;
        if (!setup.WaitForExit(&code)) {
            FAIL() << "the program did not end"
                   << (setup.WaitForMessageBox(&box, 0) ? "; a box is open: " + box.text : "");
        }
        EXPECT_EQ(code, status);
    }

    // The picture is a centred, sunken bitmap control whose frame cuts off
    // only plain rows of bitmap 100; quit is the default button.
    void Frame() {
        HWND picture = GetDlgItem(dialog, 104);
        EXPECT_EQ(GetWindowLongA(picture, GWL_STYLE) & (SS_TYPEMASK | SS_CENTERIMAGE | SS_SUNKEN),
                  SS_BITMAP | SS_CENTERIMAGE | SS_SUNKEN);
        EXPECT_NE(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        EXPECT_NE(GetWindowLongA(GetDlgItem(dialog, 101), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
        HMODULE program =
            LoadLibraryExA((setup_driver::ProgramDirectory() + "TesselSetup.exe").c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE);
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(program, MAKEINTRESOURCEA(100), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAPINFO info{{sizeof info.bmiHeader, 110, -240, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        std::vector<uint32_t> pixels(110 * 240);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetDIBits(screen, bitmap, 0, 240, pixels.data(), &info, DIB_RGB_COLORS), 240);
        ReleaseDC(nullptr, screen);
        DeleteObject(bitmap);
        FreeLibrary(program);
        RECT frame{};
        GetClientRect(picture, &frame);
        ASSERT_GT(frame.bottom, 120);
        const int cut = frame.bottom >= 240 ? 0 : (240 - frame.bottom + 1) / 2;
        std::string uneven;
        for (int y = 0; y < 240; ++y) {
            const uint32_t* row = &pixels[y * 110];
            if ((y < cut || y >= 240 - cut) && std::count(row, row + 110, row[0]) != 110)
                uneven += " " + std::to_string(y);
        }
        EXPECT_EQ(uneven, "") << "the frame shows " << frame.bottom << " of 240 rows";
    }

    const FileCase& fileCase;
    std::string folder;  // with a trailing backslash
    std::string ini;
    SetupProcess setup;
    HWND dialog = nullptr;
};

uint32_t Creator(const std::string& text) {
    uint32_t code = 0;
    for (char c : text) code = code << 8 | static_cast<unsigned char>(c);
    return std::isdigit(static_cast<unsigned char>(text[0])) ? std::stoul(text, nullptr, 0) : code;
}

const char kIncomplete[] =
    "ERROR: The configuration file does not provide all information which is necessary to "
    "install the conduit module!\n\nProgram cannot continue.";

using Command = void (*)(Runner&, const Words&);
const std::map<std::string, Command> kCommands = {
    {"section",
     [](Runner& r, const Words& w) {
         r.ini += Section(w[1], {w.begin() + 2, w.end()});
     }},
    {"ini", [](Runner& r, const Words& w) { r.ini += w[1]; }},
    {"example-ini",
     [](Runner& r, const Words&) {
         WriteFileBytes(r.folder + "install.ini",
                        ReadFileBytes(setup_driver::ProgramDirectory() + "install.ini"));
     }},
    {"no-library",
     [](Runner& r, const Words&) { DeleteFileA((r.folder + "Tessel20.dll").c_str()); }},
    {"entry",
     [](Runner&, const Words& w) {
         const uint32_t creator = Creator(w[2]);
         SetValue(w[1], "Creator", REG_DWORD,
                  std::string(reinterpret_cast<const char*>(&creator), 4));
         for (size_t i = 3; i < w.size(); ++i) {
             const size_t equals = w[i].find('=');
             SetValue(w[1], w[i].substr(0, equals), REG_SZ, w[i].substr(equals + 1) + '\0');
         }
     }},
    {"set", [](Runner&, const Words& w) { SetValue(w[1], w[2], REG_SZ, w[3] + '\0'); }},
    {"unterminated",
     [](Runner&, const Words& w) {
         SetValue(w[1], w[2], REG_SZ, std::string(std::stoul(w[3]), 'T'));
     }},
    {"delete",
     [](Runner&, const Words& w) {
         RegDeleteTreeA(HKEY_CURRENT_USER, Path(w[1]).c_str());
         RegDeleteKeyA(HKEY_CURRENT_USER, Path(w[1]).c_str());
     }},
    {"needs",
     [](Runner&, const Words& w) {
         if (std::getenv(w[1].c_str()) == nullptr) GTEST_SKIP() << "needs " << w[1];
     }},
    {"start", [](Runner& r, const Words& w) { r.Start(w.size() > 1 ? w[1] : "TesselSetup.exe"); }},
    {"start-deep", [](Runner& r, const Words&) { r.StartDeep(); }},
    {"incomplete",
     [](Runner& r, const Words& w) {
         r.ini += Section("Conduit", {w.begin() + 1, w.end()});
         r.Start();
         r.Box("plain", kIncomplete);
         r.Exit(1);
     }},
    {"dialog",
     [](Runner& r, const Words&) {
         if (!r.setup.Running()) r.Start();
         MessageBoxInfo box;
         r.dialog = r.setup.WaitForDialogOrBox(&box);
         EXPECT_EQ(box.window, nullptr) << "unexpected box: " << box.text;
         ASSERT_NE(r.dialog, nullptr);
     }},
    {"install", [](Runner& r, const Words&) { SetupProcess::Click(r.dialog, 103); }},
    {"uninstall", [](Runner& r, const Words&) { SetupProcess::Click(r.dialog, 102); }},
    {"escape", [](Runner& r, const Words&) { PostMessageA(r.dialog, WM_COMMAND, IDCANCEL, 0); }},
    {"close", [](Runner& r, const Words&) { PostMessageA(r.dialog, WM_CLOSE, 0, 0); }},
    {"box",
     [](Runner& r, const Words& w) {
         r.Box(w[1], w[2], w.size() > 3 ? w[3] : "", w.size() > 4 ? w[4] : "ok");
     }},
    {"quit",
     [](Runner& r, const Words&) {
         MessageBoxInfo box;
         EXPECT_FALSE(r.setup.WaitForMessageBox(&box, 300)) << "unexpected box: " << box.text;
         SetupProcess::Click(r.dialog, 101);
         r.Exit(0);
     }},
    {"exit", [](Runner& r, const Words& w) { r.Exit(std::stoul(w[1])); }},
    {"driver",
     [](Runner& r, const Words& w) {
         r.WriteIni();
         EXPECT_EQ(RunProgram("\"" + setup_driver::ProgramDirectory() + "setup-driver.exe\" " +
                              w[1] + " \"" + r.folder + ".\""),
                   std::stoul(w[2]));
     }},
    {"caption", [](Runner& r, const Words& w) { EXPECT_EQ(SetupProcess::Text(r.dialog), w[1]); }},
    {"item",
     [](Runner& r, const Words& w) {
         for (size_t i = 1; i + 1 < w.size(); i += 2)
             EXPECT_EQ(SetupProcess::ItemText(r.dialog, std::stoi(w[i])), w[i + 1]) << w[i];
     }},
    {"frame", [](Runner& r, const Words&) { r.Frame(); }},
    {"entries",
     [](Runner&, const Words& w) {
         Words names;
         char name[256];
         HKEY key = Open(kHotSync);
         for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
             names.push_back(name);
         RegCloseKey(key);
         EXPECT_EQ(names, Words(w.begin() + 1, w.end()));
     }},
    {"string",
     [](Runner&, const Words& w) {
         for (size_t i = 2; i + 1 < w.size(); i += 2)
             EXPECT_EQ(Value(w[1], w[i], REG_SZ), w[i + 1]) << w[i];
     }},
    {"dword",
     [](Runner&, const Words& w) {
         for (size_t i = 2; i + 1 < w.size(); i += 2)
             EXPECT_EQ(Value(w[1], w[i], REG_DWORD),
                       std::to_string(std::stoul(w[i + 1], nullptr, 0)));
     }},
    {"no-key", [](Runner&, const Words& w) { EXPECT_EQ(Open(Path(w[1])), nullptr); }},
};

class SetupCase : public ::testing::TestWithParam<FileCase> {};

TEST_P(SetupCase, RunsAsWritten) {
    Runner r(GetParam());
    std::string dll = r.folder + "Tessel20.dll", upper = dll;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& [line, text] : r.fileCase.commands) {
        SCOPED_TRACE(r.fileCase.file + ":" + std::to_string(line) + ": " + text);
        std::vector<Word> words;
        std::string error;
        ASSERT_TRUE(SplitWords(text, words, error)) << error;
        Words w;
        for (const Word& word : words) {  // $dll: the library's path, $DLL: in capitals
            w.push_back(word.text);
            for (size_t at; (at = w.back().find("$dll")) != std::string::npos;)
                w.back().replace(at, 4, dll);
            for (size_t at; (at = w.back().find("$DLL")) != std::string::npos;)
                w.back().replace(at, 4, upper);
        }
        const auto command = kCommands.find(w.at(0));
        ASSERT_NE(command, kCommands.end()) << "unknown command";
        command->second(r, w);
        if (HasFatalFailure() || IsSkipped()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Script, SetupCase, ::testing::ValuesIn(ReadCaseFile(SETUP_CASES)),
                         [](const auto& info) { return info.param.name; });

}  // namespace
