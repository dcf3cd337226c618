// The real TesselSetup.exe, run in its own process and driven through its
// windows by the cases of setup_cases.txt (which describes the commands).
// Every case works in a folder of its own; the HotSync manager's key is
// emptied before it and restored after it.
#include <algorithm>

#include "../dialogs/window_cases.h"
#include "conduit_host.h"
#include "driver.h"

using setup_driver::MessageBoxInfo;
using setup_driver::SetupProcess;

namespace {

const std::string kHotSync = "Software\\U.S. Robotics\\Pilot Desktop";
const std::string kSaved = "Software\\Tessel Tests\\Saved Pilot Desktop";

std::string Path(const std::string& below) { return kHotSync + (below == "." ? "" : "\\" + below); }

HKEY Open(const std::string& path, bool create = false) {
    HKEY key = nullptr;
    (create ? RegCreateKeyA : RegOpenKeyA)(HKEY_CURRENT_USER, path.c_str(), &key);
    return key;
}

void MoveKey(const std::string& from, const std::string& to) {
    RegDeleteTreeA(HKEY_CURRENT_USER, to.c_str());
    HKEY source = Open(from), target = source != nullptr ? Open(to, true) : nullptr;
    if (target != nullptr) RegCopyTreeA(source, nullptr, target);
    RegCloseKey(source);
    RegCloseKey(target);
    RegDeleteTreeA(HKEY_CURRENT_USER, from.c_str());
}

void SetValue(const std::string& below, const std::string& name, DWORD type,
              const std::string& bytes) {
    HKEY key = Open(Path(below), true);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

// A conduit section with the test values and changes KEY=VALUE ("KEY=-": left out).
std::string Section(const std::string& name, const Words& changes) {
    return "[" + name + "]" +
           Changed(
               "\nCaption=Testly Setup\nTitle=Welcome to Testly\nName=Testly\nVersion=2.5\n"
               "Description=Testly to text\nInfo=Registers the Testly conduit.\n"
               "Creator=TSTY\nModule=Tessel20.dll\nDirectory=TestlyData\nPriority=2\n",
               changes);
}

const char kIncomplete[] =
    "ERROR: The configuration file does not provide all information which is necessary to "
    "install the conduit module!\n\nProgram cannot continue.";

struct Runner {
    explicit Runner(const std::string& name) {
        MoveKey(kHotSync, kSaved);
        RegCloseKey(Open(kHotSync, true));
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "tessel-setup-" + name + "\\";
        RemoveTree(folder.substr(0, folder.size() - 1));
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteFileBytes(folder + "Tessel20.dll", "MZ");
    }
    ~Runner() {
        setup.Kill();
        RemoveTree(folder.substr(0, folder.size() - 1));
        MoveKey(kSaved, kHotSync);
    }

    // Writes install.ini from the lines so far and starts the installer.
    void Start() {
        if (!ini.empty()) WriteFileBytes(folder + "install.ini", CrLf(ini));
        ini.clear();
        ASSERT_TRUE(setup.Start(setup_driver::ProgramDirectory() + "TesselSetup.exe", folder));
    }

    void Box(const std::string& kind, const std::string& text, const std::string& caption = "",
             const std::string& answer = "ok") {
        MessageBoxInfo box;
        ASSERT_TRUE(setup.WaitForMessageBox(&box)) << "no box with: " << text;
        EXPECT_EQ(box.text, text);
        const bool plain = kind == "plain";
        const std::vector<int> question{IDCANCEL, IDYES, IDNO};
        EXPECT_EQ(box.caption, plain ? "Error" : caption);
        EXPECT_EQ(setup_driver::BoxIconName(box.icon), plain ? "none" : kind);
        EXPECT_EQ(box.buttons, kind == "question" ? question : std::vector<int>{IDOK});
        EXPECT_EQ(box.owner, plain ? nullptr : dialog);
        const int id = answer == "yes" ? IDYES : answer == "no" ? IDNO : IDCANCEL;
        EXPECT_TRUE(setup.Answer(box, answer == "ok" ? IDOK : id));
    }

    void Exit(DWORD status) {
        DWORD code = 12345;
        ASSERT_TRUE(setup.WaitForExit(&code)) << "the program did not end";
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
        int w = 0, h = 0;
        const std::vector<uint32_t> pixels =
            Pixels(setup_driver::ProgramDirectory() + "TesselSetup.exe", 100, w, h);
        RECT frame{};
        GetClientRect(picture, &frame);
        ASSERT_GT(frame.bottom, h / 2);
        const int cut = frame.bottom >= h ? 0 : (h - frame.bottom + 1) / 2;
        std::string uneven;
        for (int y = 0; y < h; ++y) {
            const uint32_t* row = &pixels[static_cast<size_t>(y) * w];
            if ((y < cut || y >= h - cut) && std::count(row, row + w, row[0]) != w)
                uneven += " " + std::to_string(y);
        }
        EXPECT_EQ(uneven, "") << "the frame shows " << frame.bottom << " of " << h << " rows";
    }

    void Command(const Words& w) {
        const std::string& c = w[0];
        if (c == "section") {
            ini += Section(w[1], {w.begin() + 2, w.end()});
        } else if (c == "ini") {
            ini += w[1];
        } else if (c == "example-ini") {
            WriteFileBytes(folder + "install.ini",
                           ReadFileBytes(setup_driver::ProgramDirectory() + "install.ini"));
        } else if (c == "no-library") {
            DeleteFileA((folder + "Tessel20.dll").c_str());
        } else if (c == "entry") {
            uint32_t creator = 0;
            for (char letter : w[2]) creator = creator << 8 | static_cast<unsigned char>(letter);
            SetValue(w[1], "Creator", REG_DWORD, std::string(reinterpret_cast<char*>(&creator), 4));
            for (size_t i = 3; i < w.size(); ++i) {
                const size_t equals = w[i].find('=');
                SetValue(w[1], w[i].substr(0, equals), REG_SZ, w[i].substr(equals + 1) + '\0');
            }
        } else if (c == "unterminated") {
            SetValue(w[1], w[2], REG_SZ, std::string(std::stoul(w[3]), 'T'));
        } else if (c == "delete") {
            RegDeleteTreeA(HKEY_CURRENT_USER, Path(w[1]).c_str());
        } else if (c == "start") {
            Start();
        } else if (c == "incomplete") {
            ini += Section("Conduit", {w.begin() + 1, w.end()});
            Start();
            Box("plain", kIncomplete);
            Exit(1);
        } else if (c == "dialog") {
            if (!setup.Running()) Start();
            MessageBoxInfo box;
            dialog = setup.WaitForDialogOrBox(&box);
            EXPECT_EQ(box.window, nullptr) << "unexpected box: " << box.text;
            ASSERT_NE(dialog, nullptr);
        } else if (c == "install" || c == "uninstall" || c == "box") {
            if (c != "box") SetupProcess::Click(dialog, c == "install" ? 103 : 102);
            if (w.size() > 2) Box(w[1], w[2], w.size() > 3 ? w[3] : "", w.size() > 4 ? w[4] : "ok");
        } else if (c == "escape" || c == "close") {
            PostMessageA(dialog, c == "close" ? WM_CLOSE : WM_COMMAND, c == "close" ? 0 : IDCANCEL,
                         0);
            Exit(0);
        } else if (c == "quit") {
            MessageBoxInfo box;
            EXPECT_FALSE(setup.WaitForMessageBox(&box, 300)) << "unexpected box: " << box.text;
            SetupProcess::Click(dialog, 101);
            Exit(0);
        } else if (c == "exit") {
            Exit(std::stoul(w[1]));
        } else if (c == "item") {  // 0: the caption
            for (size_t i = 1; i + 1 < w.size(); i += 2) {
                const int id = std::stoi(w[i]);
                EXPECT_EQ(id == 0 ? SetupProcess::Text(dialog) : SetupProcess::ItemText(dialog, id),
                          w[i + 1]);
            }
        } else if (c == "frame") {
            Frame();
        } else if (c == "entries") {
            Words names;
            char name[256];
            HKEY key = Open(kHotSync);
            if (key == nullptr) names.push_back("<missing>");
            for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
                names.push_back(name);
            RegCloseKey(key);
            EXPECT_EQ(names, Words(w.begin() + 1, w.end()));
        } else if (c == "values") {  // 0x...: a dword
            for (size_t i = 2; i + 1 < w.size(); i += 2) {
                DWORD type = 0;
                const bool dword = w[i + 1].rfind("0x", 0) == 0;
                const std::string value = RegistryValue(Path(w[1]), w[i], &type);
                EXPECT_EQ(value,
                          dword ? std::to_string(std::stoul(w[i + 1], nullptr, 0)) : w[i + 1]);
                EXPECT_TRUE(value == "<missing>" || type == (dword ? REG_DWORD : REG_SZ)) << w[i];
            }
        } else {
            FAIL() << "unknown command";
        }
    }

    std::string folder;  // with a trailing backslash
    std::string ini;
    SetupProcess setup;
    HWND dialog = nullptr;
};

class SetupCase : public ::testing::TestWithParam<FileCase> {};

TEST_P(SetupCase, RunsAsWritten) {
    Runner r(GetParam().name);
    std::string dll = r.folder + "Tessel20.dll", upper = dll;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    RunCase(GetParam(), {{"$dll", dll}, {"$DLL", upper}},
            [&](const Words& w, int) { r.Command(w); });
}

INSTANTIATE_TEST_SUITE_P(Script, SetupCase, ::testing::ValuesIn(ReadCaseFile(SETUP_CASES)),
                         [](const auto& info) { return info.param.name; });

}  // namespace
