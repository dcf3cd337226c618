// The real TesselSetup.exe, run in its own process and driven through its
// windows by the cases of a case file (setup_cases.txt describes the
// commands). Every case works in a folder of its own; the HotSync manager's
// key is emptied before it and restored after it.
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

namespace {

const std::string kHotSync = "Software\\U.S. Robotics\\Pilot Desktop";
const std::string kSaved = "Software\\Tessel Tests\\Saved Pilot Desktop";

std::string Path(const std::string& below) {
    return below == "." ? kHotSync : kHotSync + "\\" + below;
}

// The HotSync key's subkeys, in enumeration order.
std::vector<std::string> Subkeys() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kHotSync.c_str(), &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

void SetValue(const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS) << path;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

// A value as text: a text as it is, a number in decimal, else <missing>.
std::string Value(const std::string& path, const std::string& name, DWORD wanted) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return "<missing>";
    char data[4096] = {};
    DWORD size = sizeof data - 1, type = 0;
    const LONG result =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "<missing>";
    if (type != wanted) return "<type " + std::to_string(type) + ">";
    if (type != REG_DWORD) return data;
    uint32_t number;
    std::memcpy(&number, data, 4);
    return std::to_string(number);
}

uint32_t Creator(const std::string& text) {
    if (text.size() == 4 && !std::isdigit(static_cast<unsigned char>(text[0]))) {
        uint32_t code = 0;
        for (char c : text) code = code << 8 | static_cast<unsigned char>(c);
        return code;
    }
    return static_cast<uint32_t>(std::stoul(text, nullptr, 0));
}

// A conduit section with the test values and changes KEY=VALUE ("-": left out).
std::string Section(const std::vector<Word>& w) {
    std::map<std::string, std::string> changes;
    for (size_t i = 2; i < w.size(); ++i) {
        const size_t equals = w[i].text.find('=');
        changes[w[i].text.substr(0, equals)] = w[i].text.substr(equals + 1);
    }
    static const std::pair<const char*, const char*> kKeys[] = {
        {"Caption", "Testly Setup"},
        {"Title", "Welcome to Testly"},
        {"Name", "Testly"},
        {"Version", "2.5"},
        {"Description", "Testly to text"},
        {"Info", "Registers the Testly conduit."},
        {"Creator", "TSTY"},
        {"Module", "Tessel20.dll"},
        {"Directory", "TestlyData"},
        {"Priority", "2"}};
    std::string text = "[" + w[1].text + "]\n";
    for (const auto& key : kKeys) {
        const auto change = changes.find(key.first);
        const std::string value = change == changes.end() ? key.second : change->second;
        if (value != "-") text += std::string(key.first) + "=" + value + "\n";
    }
    return text;
}

class Runner {
  public:
    explicit Runner(const FileCase& c) : case_(c) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSaved.c_str());
        HKEY saved = nullptr, original = nullptr;
        RegCreateKeyA(HKEY_CURRENT_USER, kSaved.c_str(), &saved);
        hadKey_ = RegOpenKeyA(HKEY_CURRENT_USER, kHotSync.c_str(), &original) == ERROR_SUCCESS;
        if (hadKey_) RegCopyTreeA(original, nullptr, saved);
        RegCloseKey(original);
        RegCloseKey(saved);
        RegDeleteTreeA(HKEY_CURRENT_USER, kHotSync.c_str());
        HKEY key = nullptr;
        RegCreateKeyA(HKEY_CURRENT_USER, kHotSync.c_str(), &key);
        RegCloseKey(key);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "tessel-setup-" + c.name + "\\";
        RemoveTree(folder_.substr(0, folder_.size() - 1));
        CreateDirectoryA(folder_.c_str(), nullptr);
        Write("Tessel20.dll", "MZ");
    }
    ~Runner() {
        setup_.Kill();
        RemoveTree(folder_.substr(0, folder_.size() - 1));
        RegDeleteTreeA(HKEY_CURRENT_USER, kHotSync.c_str());
        if (hadKey_) {
            HKEY saved = nullptr, original = nullptr;
            RegOpenKeyA(HKEY_CURRENT_USER, kSaved.c_str(), &saved);
            RegCreateKeyA(HKEY_CURRENT_USER, kHotSync.c_str(), &original);
            RegCopyTreeA(saved, nullptr, original);
            RegCloseKey(original);
            RegCloseKey(saved);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kSaved.c_str());
    }

    void Run() {
        for (const auto& command : case_.commands) {
            SCOPED_TRACE(case_.file + ":" + std::to_string(command.first) + ": " + command.second);
            std::vector<Word> w;
            std::string error;
            ASSERT_TRUE(SplitWords(command.second, w, error)) << error;
            for (Word& word : w) word.text = Expand(word.text);
            if (!w.empty() && w[0].text != "section" && w[0].text != "ini") WriteIni();
            if (w.empty() || !Command(w)) FAIL() << "unknown command";
            if (::testing::Test::HasFatalFailure() || stopped_) return;
        }
    }

  private:
    void Write(const std::string& name, const std::string& bytes) {
        WriteFileBytes(folder_ + name, bytes);
    }

    std::string Expand(std::string text) const {
        std::string dll = folder_ + "Tessel20.dll", upper = dll;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (size_t at; (at = text.find("$dll")) != std::string::npos;) text.replace(at, 4, dll);
        for (size_t at; (at = text.find("$DLL")) != std::string::npos;) text.replace(at, 4, upper);
        return text;
    }

    // install.ini from the section and ini lines so far, with CR LF.
    void WriteIni() {
        if (ini_.empty()) return;
        std::string crlf;
        for (char c : ini_) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        Write("install.ini", crlf);
        ini_.clear();
    }

    void Start(const std::string& program, const std::string& folder) {
        ASSERT_TRUE(setup_.Start(setup_driver::ProgramDirectory() + program, folder));
    }

    // A folder below the case's whose path leaves no room for "\install.ini",
    // with a file named as the cut path would name it.
    std::string DeepFolder() {
        std::string folder = folder_;
        while (folder.size() < 240) {
            folder += std::string(std::min<size_t>(60, 248 - folder.size()), 'd') + "\\";
            CreateDirectoryA(folder.c_str(), nullptr);
        }
        folder.pop_back();
        WriteFileBytes((folder + "\\install.ini").substr(0, 259),
                       Section({{"section", false}, {"Conduit", false}}));
        return folder;
    }

    void Box(const std::string& kind, const std::string& text, const std::string& caption,
             const std::string& answer) {
        MessageBoxInfo box;
        ASSERT_TRUE(setup_.WaitForMessageBox(&box)) << "no box with: " << text;
        EXPECT_EQ(box.text, text);
        const bool plain = kind == "plain";
        char language[10] = "";
        GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, language, sizeof language);
        const std::string platform = std::string(language) == "DEU" ? "Fehler" : "Error";
        EXPECT_EQ(box.caption, plain ? platform : caption);
        const BoxIcon icon = plain             ? BoxIcon::None
                             : kind == "info"  ? BoxIcon::Information
                             : kind == "error" ? BoxIcon::Error
                                               : BoxIcon::Question;
        EXPECT_EQ(setup_driver::BoxIconName(box.icon), setup_driver::BoxIconName(icon));
        const std::vector<int> buttons = icon == BoxIcon::Question
                                             ? std::vector<int>{IDCANCEL, IDYES, IDNO}
                                             : std::vector<int>{IDOK};
        EXPECT_EQ(box.buttons, buttons);
        EXPECT_EQ(box.owner, plain ? nullptr : dialog_);
        const int id = answer == "yes"      ? IDYES
                       : answer == "no"     ? IDNO
                       : answer == "cancel" ? IDCANCEL
                                            : IDOK;
        EXPECT_TRUE(setup_.Answer(box, id));
    }

    void NoBox() {
        MessageBoxInfo box;
        EXPECT_FALSE(setup_.WaitForMessageBox(&box, 300)) << "unexpected box: " << box.text;
    }

    void Exit(DWORD status) {
        DWORD code = 12345;
        if (!setup_.WaitForExit(&code)) {
            MessageBoxInfo box;
            const bool open = setup_.WaitForMessageBox(&box, 0);
            FAIL() << "the program did not end" << (open ? "; a box is open: " + box.text : "");
        }
        EXPECT_EQ(code, status);
    }

    void Frame() {
        HWND picture = GetDlgItem(dialog_, 104);
        const LONG style = GetWindowLongA(picture, GWL_STYLE);
        EXPECT_EQ(style & SS_TYPEMASK, SS_BITMAP);
        EXPECT_NE(style & SS_CENTERIMAGE, 0);
        EXPECT_NE(style & SS_SUNKEN, 0);
        EXPECT_NE(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        EXPECT_NE(GetWindowLongA(GetDlgItem(dialog_, 101), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
        // The rows of bitmap 100 that the frame cuts off are plain.
        HMODULE program =
            LoadLibraryExA((setup_driver::ProgramDirectory() + "TesselSetup.exe").c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE);
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageA(program, MAKEINTRESOURCEA(100), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, 110, -240, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
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
            if ((y < cut || y >= 240 - cut) && std::count(row, row + 110, row[0]) != 110) {
                uneven += " " + std::to_string(y);
            }
        }
        EXPECT_EQ(uneven, "") << "the frame shows " << frame.bottom << " of 240 rows";
    }

    bool Command(const std::vector<Word>& w) {
        const std::string& verb = w[0].text;
        auto text = [&](size_t i) { return i < w.size() ? w[i].text : std::string(); };
        if (verb == "section") {
            ini_ += Section(w);
        } else if (verb == "ini") {
            ini_ += text(1);
        } else if (verb == "example-ini") {
            Write("install.ini", ReadFileBytes(setup_driver::ProgramDirectory() + "install.ini"));
        } else if (verb == "no-library") {
            DeleteFileA((folder_ + "Tessel20.dll").c_str());
        } else if (verb == "entry") {
            const uint32_t creator = Creator(text(2));
            SetValue(Path(text(1)), "Creator", REG_DWORD, &creator, 4);
            for (size_t i = 3; i < w.size(); ++i) {
                const size_t equals = w[i].text.find('=');
                const std::string value = w[i].text.substr(equals + 1);
                SetValue(Path(text(1)), w[i].text.substr(0, equals).c_str(), REG_SZ, value.c_str(),
                         static_cast<DWORD>(value.size() + 1));
            }
        } else if (verb == "set") {
            SetValue(Path(text(1)), text(2).c_str(), REG_SZ, text(3).c_str(),
                     static_cast<DWORD>(text(3).size() + 1));
        } else if (verb == "unterminated") {
            const std::string value(std::stoul(text(3)), 'T');
            SetValue(Path(text(1)), text(2).c_str(), REG_SZ, value.data(),
                     static_cast<DWORD>(value.size()));
        } else if (verb == "key") {
            HKEY key = nullptr;
            RegCreateKeyA(HKEY_CURRENT_USER, Path(text(1)).c_str(), &key);
            RegCloseKey(key);
        } else if (verb == "delete") {
            RegDeleteTreeA(HKEY_CURRENT_USER, Path(text(1)).c_str());
            if (text(1) == ".") RegDeleteKeyA(HKEY_CURRENT_USER, kHotSync.c_str());
        } else if (verb == "start") {
            Start(w.size() > 1 ? text(1) : "TesselSetup.exe", folder_);
        } else if (verb == "start-deep") {
            Start("TesselSetup.exe", DeepFolder());
        } else if (verb == "dialog") {
            if (!setup_.Running()) Start("TesselSetup.exe", folder_);
            MessageBoxInfo box;
            dialog_ = setup_.WaitForDialogOrBox(&box);
            EXPECT_EQ(box.window, nullptr) << "unexpected box: " << box.text;
            EXPECT_NE(dialog_, nullptr);
            stopped_ = dialog_ == nullptr;
        } else if (verb == "install" || verb == "uninstall") {
            SetupProcess::Click(dialog_, verb == "install" ? 103 : 102);
        } else if (verb == "escape" || verb == "close") {
            PostMessageA(dialog_, verb == "escape" ? WM_COMMAND : WM_CLOSE, IDCANCEL, 0);
        } else if (verb == "box") {
            Box(text(1), text(2), text(3), text(4));
        } else if (verb == "installed") {
            Box("info", "The conduit module has been successfully installed on your system.",
                "Installation terminated", "ok");
        } else if (verb == "install-failed") {
            Box("error", "ERROR: The conduit module could not be installed on your system!",
                "Installation failed", "ok");
        } else if (verb == "no-box") {
            NoBox();
        } else if (verb == "quit") {
            NoBox();
            SetupProcess::Click(dialog_, 101);
            Exit(0);
        } else if (verb == "exit") {
            Exit(std::stoul(text(1)));
        } else if (verb == "driver") {
            EXPECT_EQ(RunProgram("\"" + setup_driver::ProgramDirectory() + "setup-driver.exe\" " +
                                 text(1) + " \"" + folder_ + ".\""),
                      std::stoul(text(2)));
        } else if (verb == "caption") {
            EXPECT_EQ(SetupProcess::Text(dialog_), text(1));
        } else if (verb == "item" || verb == "item-has") {
            const std::string item = SetupProcess::ItemText(dialog_, std::stoi(text(1)));
            EXPECT_TRUE(verb == "item" ? item == text(2) : item.find(text(2)) != std::string::npos)
                << item;
        } else if (verb == "frame") {
            Frame();
        } else if (verb == "entries") {
            std::vector<std::string> names;
            for (size_t i = 1; i < w.size(); ++i) names.push_back(w[i].text);
            EXPECT_EQ(Subkeys(), names);
        } else if (verb == "string" || verb == "dword") {
            std::string want = text(3);
            if (verb == "dword" && want != "<missing>")
                want = std::to_string(std::stoul(want, nullptr, 0));
            EXPECT_EQ(Value(Path(text(1)), text(2), verb == "dword" ? REG_DWORD : REG_SZ), want);
        } else if (verb == "no-key") {
            HKEY key = nullptr;
            EXPECT_NE(RegOpenKeyA(HKEY_CURRENT_USER, Path(text(1)).c_str(), &key), ERROR_SUCCESS);
            if (key != nullptr) RegCloseKey(key);
        } else {
            return false;
        }
        return true;
    }

    const FileCase& case_;
    std::string folder_;  // with a trailing backslash
    std::string ini_;
    bool hadKey_ = false;
    bool stopped_ = false;  // no dialog to go on with
    SetupProcess setup_;
    HWND dialog_ = nullptr;
};

class SetupCase : public ::testing::TestWithParam<FileCase> {};

TEST_P(SetupCase, RunsAsWritten) { Runner(GetParam()).Run(); }

INSTANTIATE_TEST_SUITE_P(Script, SetupCase, ::testing::ValuesIn(ReadCaseFile(SETUP_CASES)),
                         [](const auto& info) { return info.param.name; });

}  // namespace
