// The real TesselSetup.exe, run in its own process and driven through its
// windows, under an English user locale.
#include <algorithm>
#include <vector>

#include "setup_fixture.h"

namespace {

const uint32_t kTesty = 0x54535459;  // "TSTY"
const std::string kIni = ConduitSection("Conduit");

class Setup : public SetupTest {
  protected:
    std::string ConduitPath() const { return folder_ + "Tessel20.dll"; }
    void Install() { SetupProcess::Click(dialog_, kInstall); }
    void Uninstall() { SetupProcess::Click(dialog_, kUninstall); }
    void ExpectInstalled() {
        ExpectBox(kTextInstalled, "Installation terminated", BoxIcon::Information, {IDOK}, IDOK,
                  true);
    }
    void ExpectInstallFailed() {
        ExpectBox(kTextNotInstalled, "Installation failed", BoxIcon::Error, {IDOK}, IDOK, true);
    }
    void ExpectQuestion(const char* text, int answer) {
        ExpectBox(text, "Confirmation", BoxIcon::Question, {IDCANCEL, IDYES, IDNO}, answer, true);
    }
};

TEST_F(Setup, DialogShowsConfigurationAndBuiltInTexts) {
    WriteIni(kIni);
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog), "Testly Setup");
    EXPECT_EQ(SetupProcess::ItemText(dialog, 109), "Welcome to Testly");
    EXPECT_EQ(SetupProcess::ItemText(dialog, 107), "Registers the Testly conduit.");
    EXPECT_EQ(SetupProcess::ItemText(dialog, 108), "Testly");
    EXPECT_EQ(SetupProcess::ItemText(dialog, 110), "Testly to text");
    EXPECT_EQ(SetupProcess::ItemText(dialog, 111), "2.5");
    EXPECT_EQ(SetupProcess::ItemText(dialog, kInstall), "Install");
    EXPECT_EQ(SetupProcess::ItemText(dialog, kUninstall), "Uninstall");
    EXPECT_EQ(SetupProcess::ItemText(dialog, kQuit), "Quit");
    // The picture became a bitmap control holding bitmap 100; the window has its icon.
    HWND picture = GetDlgItem(dialog, 104);
    LONG style = GetWindowLongA(picture, GWL_STYLE);
    EXPECT_EQ(style & SS_TYPEMASK, SS_BITMAP);
    EXPECT_NE(style & SS_CENTERIMAGE, 0);
    EXPECT_NE(style & SS_SUNKEN, 0);
    EXPECT_NE(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    // (The window icon cannot be asked for from another process under Wine:
    // WM_GETICON answers 0 there; the screenshots show it in the title bar.)
    EXPECT_NE(GetWindowLongA(GetDlgItem(dialog, kQuit), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    Quit();
}

TEST_F(Setup, ExampleConfigurationSpeaksEnglish) {
    CopyExampleIni();
    ASSERT_NE(StartDialog(), nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog_), "Ledgerly Conduit Setup");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, 109), "Welcome to Ledgerly!");
    Install();
    ExpectBox(kTextInstalled, "Installation complete", BoxIcon::Information, {IDOK}, IDOK, true);
    EXPECT_EQ(StringValue(Entry(1), "TaskReportFile"), "Ledgerly Work Times.txt");
    Uninstall();
    ExpectBox(kTextRemoved, "Uninstallation complete", BoxIcon::Information, {IDOK}, IDOK, true);
    Uninstall();
    ExpectBox(kTextNotRemoved, "Uninstallation failed", BoxIcon::Error, {IDOK}, IDOK, true);
    Quit();
}

TEST_F(Setup, RowsOfThePictureThatTheFrameCutsArePlain) {
    // Bitmap 100 of the program, read as 32-bit pixels.
    HMODULE program = LoadLibraryExA((setup_driver::ProgramDirectory() + "TesselSetup.exe").c_str(),
                                     nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(program, MAKEINTRESOURCEA(100), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    BITMAP size{};
    GetObjectA(bitmap, sizeof size, &size);
    ASSERT_EQ(size.bmWidth, 110);
    ASSERT_EQ(size.bmHeight, 240);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, 110, -240, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(110 * 240);
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(screen, bitmap, 0, 240, pixels.data(), &info, DIB_RGB_COLORS), 240);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    FreeLibrary(program);

    // The frame centres the picture and shows as many rows as it is high.
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    RECT frame{};
    GetClientRect(GetDlgItem(dialog_, 104), &frame);
    Quit();
    ASSERT_GT(frame.bottom, 120);
    const int cut = frame.bottom >= 240 ? 0 : (240 - frame.bottom + 1) / 2;
    std::string unevenRows;
    for (int y = 0; y < 240; ++y) {
        if (y >= cut && y < 240 - cut) continue;
        const uint32_t* row = &pixels[y * 110];
        if (std::count(row, row + 110, row[0]) != 110) unevenRows += " " + std::to_string(y);
    }
    EXPECT_EQ(unevenRows, "") << "the frame shows " << frame.bottom << " of 240 rows";
}

TEST_F(Setup, EscapeAndCloseBoxEndLikeQuit) {
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    PostMessageA(dialog_, WM_COMMAND, IDCANCEL, 0);
    ExpectExit(0);
    ASSERT_NE(StartDialog(), nullptr);
    PostMessageA(dialog_, WM_CLOSE, 0, 0);
    ExpectExit(0);
    EXPECT_TRUE(SubkeyNames(kHotSyncPath).empty());
}

TEST_F(Setup, DialogThatCannotBeCreatedEndsWith1) {
    // The same program over a dialog template with a control of no known class.
    WriteIni(kIni);
    Start(std::string(), "TesselSetupBrokenDialog.exe");
    ExpectExit(1);
}

TEST_F(Setup, TextPriorityAndEscapes) {
    WriteIni(kIni + "[Languages]\nENU=1\n" + ConduitSection("Conduit_ENU") +
             "[Lang_ENU]\n2000=From Lang_ENU\n2001=\n"
             "[Lang]\n2000=From Lang\n2001=Also from Lang\n"
             "3001=one\\ntwo\\tthree \\\\ \\q end\\\n1001=Done\\r!\n");
    ASSERT_NE(StartDialog(), nullptr);
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kInstall), "From Lang_ENU");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kUninstall), "Also from Lang");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kQuit), "Quit");
    Install();
    ExpectBox("one\ntwo\tthree \\ q end", "Done\r!", BoxIcon::Information, {IDOK}, IDOK, true);
    Quit();
}

TEST_F(Setup, UnsupportedLanguageFallsBackSilently) {
    // ENU listed as 0: the default language is taken, without a message.
    WriteIni(ConduitSection("Conduit", {{"Caption", "Neutral"}}) +
             ConduitSection("Conduit_ENU", {{"Caption", "English"}}) +
             ConduitSection("Conduit_FRA", {{"Caption", "French"}}) +
             "[Languages]\nENU=0\n[General]\nDefaultLanguage=FRA\n[Lang_FRA]\n2002=Quitter\n");
    ASSERT_NE(StartDialog(), nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog_), "French");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kQuit), "Quitter");
    Quit();

    // ENU not listed at all, no default language: section Conduit.
    WriteIni(ConduitSection("Conduit", {{"Caption", "Neutral"}}) +
             ConduitSection("Conduit_ENU", {{"Caption", "English"}}) + "[Languages]\nDEU=1\n");
    ASSERT_NE(StartDialog(), nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog_), "Neutral");
    Quit();

    // Listed with 2: the code is ENU, not the number.
    WriteIni(ConduitSection("Conduit", {{"Caption", "Neutral"}}) +
             ConduitSection("Conduit_ENU", {{"Caption", "English"}}) +
             ConduitSection("Conduit_2", {{"Caption", "Two"}}) + "[Languages]\nENU=2\n");
    ASSERT_NE(StartDialog(), nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog_), "English");
    Quit();
}

TEST_F(Setup, MissingLanguageSectionShows4003AndKeepsCode) {
    WriteIni(kIni +
             "[Languages]\nENU=1\n[Lang_ENU]\n2000=Set up\n[Default]\nColour=blue\n"
             "[Default_ENU]\nColour=red\n");
    Start();
    ExpectPlainBox(kTextNoLanguage);
    MessageBoxInfo box;
    dialog_ = setup_.WaitForDialogOrBox(&box);
    ASSERT_NE(dialog_, nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog_), "Testly Setup");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kInstall), "Set up");
    Install();
    ExpectInstalled();
    EXPECT_EQ(StringValue(Entry(1), "Colour"), "red");
    Quit();
}

TEST_F(Setup, LanguageSectionIsUsedAsAWhole) {
    // Conduit_ENU has a Caption but no Info; Conduit is not consulted for it.
    WriteIni(kIni + "[Languages]\nENU=1\n" + ConduitSection("Conduit_ENU", {{"Info", "-"}}));
    Start();
    ExpectPlainBox(kTextIncomplete);
    ExpectExit(1);
}

struct BadConfig {
    const char* key;
    const char* value;
};

class SetupBadConfig : public Setup, public ::testing::WithParamInterface<BadConfig> {};

TEST_P(SetupBadConfig, Shows4001AndEndsWith1) {
    WriteIni(ConduitSection("Conduit", {{GetParam().key, GetParam().value}}));
    Start();
    ExpectPlainBox(kTextIncomplete);
    ExpectExit(1);
}

INSTANTIATE_TEST_SUITE_P(Keys, SetupBadConfig,
                         ::testing::Values(BadConfig{"Creator", "ABC"},
                                           BadConfig{"Creator", "ABCDE"},
                                           BadConfig{"Priority", "0"}, BadConfig{"Priority", "5"},
                                           BadConfig{"Priority", "high"},
                                           BadConfig{"Priority", "-"}, BadConfig{"Caption", "-"},
                                           BadConfig{"Module", ""}));

TEST_F(Setup, PriorityWithBlankOrPlusAndCreatorByteOrder) {
    WriteIni(ConduitSection("Conduit", {{"Priority", "\" 3\""}, {"Creator", "Ab\xe9Z"}}));
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectInstalled();
    Quit();
    EXPECT_EQ(DwordValue(Entry(1), "Priority"), 3u);
    EXPECT_EQ(DwordValue(Entry(1), "Creator"), 0x4162E95Au);

    DeleteKeyTree(Entry(1));
    WriteIni(ConduitSection("Conduit", {{"Priority", "+3"}}));
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectInstalled();
    Quit();
    EXPECT_EQ(DwordValue(Entry(1), "Priority"), 3u);
}

TEST_F(Setup, InstallWritesTheEntry) {
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectInstalled();
    Quit();
    ASSERT_EQ(SubkeyNames(kHotSyncPath), std::vector<std::string>{"Application1"});
    EXPECT_EQ(StringValue(Entry(1), "Name"), "Testly");
    EXPECT_EQ(DwordValue(Entry(1), "Creator"), kTesty);
    EXPECT_EQ(StringValue(Entry(1), "Conduit"), ConduitPath());
    EXPECT_EQ(StringValue(Entry(1), "Module"), "Testly");
    EXPECT_EQ(StringValue(Entry(1), "Directory"), "TestlyData");
    EXPECT_EQ(DwordValue(Entry(1), "Priority"), 2u);
    EXPECT_EQ(DwordValue(Entry(1), "Integrate"), 0u);
}

TEST_F(Setup, NumberingKeepsGapsAndReadsOddNames) {
    AddEntry("Application1", 1, "One", "", "");
    AddEntry("Application3", 3, "Three", "", "");
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectInstalled();
    EXPECT_EQ(DwordValue(Entry(4), "Creator"), kTesty);
    EXPECT_FALSE(KeyExists(Entry(2)));

    // Application and ApplicationX count as 0; other spellings are not entries.
    DeleteKeyTree(kHotSyncPath);
    CreateKey(kHotSyncPath);
    AddEntry("Application", 1, "", "", "");
    AddEntry("ApplicationX", 2, "", "", "");
    AddEntry("MyApplication7", 3, "", "", "");
    AddEntry("application9", kTesty, "Testly", "", "");
    Install();
    ExpectInstalled();
    EXPECT_EQ(DwordValue(Entry(1), "Creator"), kTesty);
    Quit();
}

struct Clash {
    const char* name;
    const char* directory;
    bool conduitInOtherCase;
    const char* message;
};

class SetupClash : public Setup, public ::testing::WithParamInterface<Clash> {};

TEST_P(SetupClash, StopsAtTheFirstClash) {
    AddEntry("Application1", 0x4F544852, "", "", "");
    std::string conduit = GetParam().conduitInOtherCase ? ConduitPath() : "";
    for (char& c : conduit) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    AddEntry("Application2", 0x4F544853, GetParam().name, GetParam().directory, conduit);
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectPlainBox(GetParam().message);
    ExpectInstallFailed();
    Quit();
    EXPECT_EQ(SubkeyNames(kHotSyncPath),
              (std::vector<std::string>{"Application1", "Application2"}));
}

INSTANTIATE_TEST_SUITE_P(Values, SetupClash,
                         ::testing::Values(Clash{"tESTLY", "", false, kTextNameUsed},
                                           Clash{"tESTLY", "testlydata", true, kTextNameUsed},
                                           Clash{"", "TESTLYDATA", false, kTextDirectoryUsed},
                                           Clash{"Other", "testlyData", true, kTextDirectoryUsed},
                                           Clash{"", "", true, kTextModuleUsed}));

TEST_F(Setup, EmptyOrOtherValuesDoNotClash) {
    AddEntry("Application1", 0x4F544852, "", "", "");
    SetString(Entry(1), "Name", "");
    SetString(Entry(1), "Directory", "");
    AddEntry("Application2", 0x4F544853, "Testly2", "TestlyData\\x", ConduitPath() + "x");
    // A name filling the whole buffer without terminator does not match.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, Entry(2).c_str(), &key), ERROR_SUCCESS);
    std::string longName(260, 'T');
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(longName.data()), 260);
    RegCloseKey(key);
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectInstalled();
    Quit();
    EXPECT_EQ(DwordValue(Entry(3), "Creator"), kTesty);
}

TEST_F(Setup, DefaultValues) {
    WriteIni(kIni +
             "[Default]\nSmall=dword:0000000a\nUpper=DWORD:0000000A\nNine=dword:123456789\n"
             "Bare=dword:\nNoDigits=dword:xyz\nText=plain text\nFromLanguage=\nIntegrate=dword:1\n"
             "[Default_]\nFromLanguage=dword:00000007\nOnlyHere=1\n");
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectInstalled();
    Quit();
    // No Languages section and no default language: the code is empty, so Default_.
    std::string entry = Entry(1);
    EXPECT_EQ(DwordValue(entry, "Small"), 10u);
    EXPECT_EQ(StringValue(entry, "Upper"), "DWORD:0000000A");
    EXPECT_EQ(DwordValue(entry, "Nine"), 0x12345678u);
    EXPECT_EQ(StringValue(entry, "Bare"), "dword:");
    EXPECT_EQ(StringValue(entry, "NoDigits"), "dword:xyz");
    EXPECT_EQ(StringValue(entry, "Text"), "plain text");
    EXPECT_EQ(DwordValue(entry, "FromLanguage"), 7u);
    EXPECT_EQ(DwordValue(entry, "Integrate"), 1u);
    EXPECT_EQ(StringValue(entry, "OnlyHere"), "<missing>");
}

TEST_F(Setup, MissingHotSyncKeyIsNotCreated) {
    DeleteKeyTree(kHotSyncPath);
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectPlainBox(kTextOpenKey);  // looking for an old entry
    ExpectPlainBox(kTextOpenKey);  // registering
    ExpectInstallFailed();
    Uninstall();
    ExpectPlainBox(kTextOpenKey);
    ExpectBox(kTextNotRemoved, "Deinstallation failed", BoxIcon::Error, {IDOK}, IDOK, true);
    Quit();
    EXPECT_FALSE(KeyExists(kHotSyncPath));
}

TEST_F(Setup, MissingLibraryAsksFirst) {
    DeleteFileA(ConduitPath().c_str());
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectQuestion(kTextMissingModule, IDNO);
    ExpectNoBox();
    Install();
    ExpectQuestion(kTextMissingModule, IDCANCEL);
    ExpectNoBox();
    EXPECT_TRUE(SubkeyNames(kHotSyncPath).empty());
    Install();
    ExpectQuestion(kTextMissingModule, IDYES);
    ExpectInstalled();
    Quit();
    EXPECT_EQ(StringValue(Entry(1), "Conduit"), ConduitPath());
}

TEST_F(Setup, ReinstallAnsweredYesNoAndCancel) {
    AddEntry("Application1", 0x4F544852, "Other", "", "");
    AddEntry("Application2", kTesty, "Testly", "TestlyData", ConduitPath());
    SetString(Entry(2), "Marker", "old");
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    for (int answer : {IDNO, IDCANCEL}) {
        Install();
        ExpectQuestion(kTextReplace, answer);
        ExpectNoBox();
        EXPECT_EQ(StringValue(Entry(2), "Marker"), "old");
    }
    // The old entry had the highest number: the new one takes it again.
    Install();
    ExpectQuestion(kTextReplace, IDYES);
    ExpectInstalled();
    EXPECT_EQ(SubkeyNames(kHotSyncPath),
              (std::vector<std::string>{"Application1", "Application2"}));
    EXPECT_EQ(StringValue(Entry(2), "Marker"), "<missing>");
    EXPECT_EQ(DwordValue(Entry(2), "Creator"), kTesty);

    // Below another entry: the new one goes above it.
    AddEntry("Application3", 0x4F544853, "Third", "", "");
    DeleteKeyTree(Entry(1));
    Install();
    ExpectQuestion(kTextReplace, IDYES);
    ExpectInstalled();
    EXPECT_EQ(SubkeyNames(kHotSyncPath),
              (std::vector<std::string>{"Application3", "Application4"}));
    Quit();
}

TEST_F(Setup, OldEntryThatCannotBeDeleted) {
    AddEntry("Application1", kTesty, "Testly", "TestlyData", ConduitPath());
    CreateKey(Entry(1) + "\\Locked");  // a key with subkeys cannot be deleted
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Install();
    ExpectQuestion(kTextReplace, IDYES);
    ExpectPlainBox(kTextDeleteKey);
    ExpectPlainBox(kTextCreatorExists);
    ExpectInstallFailed();
    Quit();
    EXPECT_EQ(SubkeyNames(kHotSyncPath), std::vector<std::string>{"Application1"});
}

TEST_F(Setup, UninstallTwice) {
    AddEntry("Application1", kTesty, "Testly", "TestlyData", ConduitPath());
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Uninstall();
    ExpectBox(kTextRemoved, "Deinstallation terminated", BoxIcon::Information, {IDOK}, IDOK, true);
    EXPECT_TRUE(SubkeyNames(kHotSyncPath).empty());
    Uninstall();
    ExpectBox(kTextNotRemoved, "Deinstallation failed", BoxIcon::Error, {IDOK}, IDOK, true);
    Quit();
}

TEST_F(Setup, TwoEntriesWithOneCreator) {
    AddEntry("Application1", kTesty, "First", "", "");
    AddEntry("Application2", kTesty, "Second", "", "");
    WriteIni(kIni);
    ASSERT_NE(StartDialog(), nullptr);
    Uninstall();
    ExpectBox(kTextRemoved, "Deinstallation terminated", BoxIcon::Information, {IDOK}, IDOK, true);
    EXPECT_EQ(SubkeyNames(kHotSyncPath), std::vector<std::string>{"Application2"});
    // The other one is still found.
    Install();
    ExpectQuestion(kTextReplace, IDNO);
    Quit();
}

TEST_F(Setup, StartedFromAnotherDirectory) {
    // install.ini lies beside the program file, not in the current directory.
    Start();
    ExpectPlainBox(kTextNoConfig);
    ExpectExit(1);
}

TEST_F(Setup, OverlongIniPathIsAMissingFile) {
    // A current directory that leaves no room for "\install.ini"; a file whose
    // name the cut path would give must not be read either.
    std::string folder = folder_;
    while (folder.size() < 240) {
        folder += std::string(std::min<size_t>(60, 248 - folder.size()), 'd') + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    }
    folder.pop_back();
    ASSERT_LE(folder.size(), 259u);
    ASSERT_GT(folder.size() + 12, 259u);
    std::string cut = (folder + "\\install.ini").substr(0, 259);
    FILE* file = std::fopen(cut.c_str(), "wb");
    ASSERT_NE(file, nullptr) << cut;
    std::fputs(kIni.c_str(), file);
    std::fclose(file);
    Start(folder);
    ExpectPlainBox(kTextNoConfig);
    ExpectExit(1);
}

TEST_F(Setup, SetupDriverInstallsAndUninstalls) {
    WriteIni(kIni);
    auto run = [&](const std::string& arguments) {
        std::string program = setup_driver::ProgramDirectory() + "setup-driver.exe";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        std::string commandLine = "\"" + program + "\" " + arguments + " \"" + folder_ + ".\"";
        if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info)) {
            return DWORD{9999};
        }
        DWORD status = 9998;
        WaitForSingleObject(info.hProcess, 30000);
        GetExitCodeProcess(info.hProcess, &status);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        return status;
    };
    EXPECT_EQ(run("install"), 0u);
    EXPECT_EQ(DwordValue(Entry(1), "Creator"), kTesty);
    EXPECT_EQ(run("install"), 0u);  // answers the replace question
    EXPECT_EQ(SubkeyNames(kHotSyncPath), std::vector<std::string>{"Application1"});
    EXPECT_EQ(run("uninstall"), 0u);
    EXPECT_TRUE(SubkeyNames(kHotSyncPath).empty());
    EXPECT_EQ(run("uninstall"), 1u);
}

}  // namespace
