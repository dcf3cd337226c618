#include "setup_fixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>

const char kTextReplace[] =
    "Seems that another version of the conduit module is already installed on your "
    "system.\n\nDo you want to replace the current version?";
const char kTextInstalled[] = "The conduit module has been successfully installed on your system.";
const char kTextRemoved[] = "The conduit module has been successfully removed from your system.";
const char kTextMissingModule[] =
    "The conduit DLL could not be found!\n\nDo you wish to continue with the installation anyway?";
const char kTextNoConfig[] =
    "ERROR: Unable to locate the configuration file needed for installation!\n\nProgram cannot "
    "continue.";
const char kTextIncomplete[] =
    "ERROR: The configuration file does not provide all information which is necessary to "
    "install the conduit module!\n\nProgram cannot continue.";
const char kTextNoLanguage[] =
    "ERROR: No support for your local language avaiable!\n\nDefault language will be used.";
const char kTextOpenKey[] = "ERROR: Unable to open registry key!";
const char kTextCreatorExists[] = "ERROR: Creator already exists!";
const char kTextNameUsed[] = "ERROR: Name already used by another conduit!";
const char kTextDirectoryUsed[] = "ERROR: Directory already used by another conduit!";
const char kTextModuleUsed[] = "ERROR: DLL name already used by another conduit!";
const char kTextDeleteKey[] = "ERROR: Registration key could not be deleted!";
const char kTextNotRemoved[] = "ERROR: The conduit module could not be removed from your system!";
const char kTextNotInstalled[] = "ERROR: The conduit module could not be installed on your system!";

namespace {

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(folder + name + "\\");
            } else {
                DeleteFileA((folder + name).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string ConduitSection(const std::string& section,
                           const std::map<std::string, std::string>& changes) {
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
        {"Priority", "2"},
    };
    std::string text = "[" + section + "]\n";
    for (const auto& key : kKeys) {
        auto change = changes.find(key.first);
        std::string value = change == changes.end() ? key.second : change->second;
        if (value != "-") text += std::string(key.first) + "=" + value + "\n";
    }
    return text;
}

void SetupTest::SetUp() {
    snapshot_ = std::make_unique<KeySnapshot>(kHotSyncPath);
    DeleteKeyTree(kHotSyncPath);
    CreateKey(kHotSyncPath);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder_ = std::string(temp) + "tessel-" + test->test_suite_name() + "-" + test->name() + "-" +
              std::to_string(GetCurrentProcessId()) + "\\";
    for (char& c : folder_) {
        if (c == '/') c = '_';
    }
    RemoveFolder(folder_);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    WriteFile("Tessel20.dll", "MZ");
}

void SetupTest::TearDown() {
    setup_.Kill();
    RemoveFolder(folder_);
    snapshot_.reset();
}

void SetupTest::WriteIni(const std::string& text) {
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    WriteFile("install.ini", crlf);
}

void SetupTest::WriteFile(const std::string& name, const std::string& bytes) {
    FILE* file = std::fopen((folder_ + name).c_str(), "wb");
    ASSERT_NE(file, nullptr) << folder_ + name;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

void SetupTest::CopyExampleIni() {
    std::ifstream example(setup_driver::ProgramDirectory() + "install.ini", std::ios::binary);
    std::stringstream text;
    text << example.rdbuf();
    ASSERT_FALSE(text.str().empty());
    WriteFile("install.ini", text.str());
}

void SetupTest::Start(const std::string& folder, const std::string& program) {
    ASSERT_TRUE(setup_.Start(setup_driver::ProgramDirectory() + program,
                             folder.empty() ? folder_ : folder));
}

HWND SetupTest::StartDialog() {
    Start();
    MessageBoxInfo box;
    dialog_ = setup_.WaitForDialogOrBox(&box);
    EXPECT_EQ(box.window, nullptr) << "unexpected box: " << box.text;
    EXPECT_NE(dialog_, nullptr);
    return dialog_;
}

void SetupTest::ExpectBox(const std::string& text, const std::string& caption, BoxIcon icon,
                          std::vector<int> buttons, int answer, bool ownedByDialog) {
    MessageBoxInfo box;
    ASSERT_TRUE(setup_.WaitForMessageBox(&box)) << "no box with: " << text;
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(setup_driver::BoxIconName(box.icon), setup_driver::BoxIconName(icon));
    EXPECT_EQ(box.buttons, buttons);
    if (ownedByDialog) {
        EXPECT_EQ(box.owner, dialog_);
    } else {
        EXPECT_EQ(box.owner, nullptr);
    }
    EXPECT_TRUE(setup_.Answer(box, answer));
}

std::string SetupTest::DefaultCaption() {
    char language[10] = "";
    GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, language, sizeof language);
    return std::string(language) == "DEU" ? "Fehler" : "Error";
}

void SetupTest::ExpectNoBox() {
    MessageBoxInfo box;
    EXPECT_FALSE(setup_.WaitForMessageBox(&box, 300)) << "unexpected box: " << box.text;
}

void SetupTest::ExpectExit(DWORD status) {
    DWORD exitCode = 12345;
    ASSERT_TRUE(setup_.WaitForExit(&exitCode));
    EXPECT_EQ(exitCode, status);
}

void SetupTest::Quit() {
    ExpectNoBox();
    SetupProcess::Click(dialog_, kQuit);
    ExpectExit(0);
}

void SetupTest::AddEntry(const std::string& name, uint32_t creator, const std::string& conduitName,
                         const std::string& directory, const std::string& conduit) {
    std::string path = Entry(name);
    CreateKey(path);
    SetDword(path, "Creator", creator);
    if (!conduitName.empty()) SetString(path, "Name", conduitName);
    if (!directory.empty()) SetString(path, "Directory", directory);
    if (!conduit.empty()) SetString(path, "Conduit", conduit);
}

std::string SetupTest::StringValue(const std::string& path, const char* name) {
    DWORD type = 0;
    std::string text;
    if (!ReadValue(path, name, &type, &text, nullptr)) return "<missing>";
    if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
    return text;
}

uint32_t SetupTest::DwordValue(const std::string& path, const char* name) {
    DWORD type = 0;
    uint32_t number = 0;
    if (!ReadValue(path, name, &type, nullptr, &number) || type != REG_DWORD) return 0xDEADBEEF;
    return number;
}
