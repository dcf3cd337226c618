// The message file beside the library: its checks and their boxes, the
// choice of the language, the texts it loads; and the shipped conduit.nls.
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver.h"
#include "host.h"
#include "messages.h"

namespace {

std::string Name() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

const char kBuiltInCaption[] = "HotSync Aktion bestimmen";

// Runs ConfigureConduit, records the message boxes that come before the
// action dialog, and hands the action dialog to inspect before cancelling it.
std::vector<std::string> ConfigureAndInspect(ConduitHost& host, int expectedBoxes,
                                             const std::function<void(HWND)>& inspect) {
    std::vector<std::string> boxes;
    SyncPreference preference = host.Preference(2);
    Script script;
    for (int i = 0; i < expectedBoxes; ++i)
        script.On(Window::Box, [&](HWND box) {
            boxes.push_back(BoxText(box));
            EXPECT_EQ(Caption(box), "Internal Error");
            EXPECT_TRUE(Visible(box, IDOK));
            for (int other : {IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE})
                EXPECT_FALSE(Visible(box, other)) << other;
            EXPECT_EQ(SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0), 0) << "icon";
            Click(box, IDOK);
        });
    script.On(Window::Action, [&](HWND dialog) {
        inspect(dialog);
        Click(dialog, 2);
    });
    script.Run([&] { host.Configure(preference); });
    for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
    return boxes;
}

// A valid file whose default language XYZ renames the action dialog.
std::string FileWith(const std::string& contentType, const std::string& contentVersion,
                     const std::string& moduleName, const std::string& moduleVersion) {
    std::string file = "[General]\n";
    if (!contentType.empty()) file += "ContentType=" + contentType + "\n";
    if (!contentVersion.empty()) file += "ContentVersion=" + contentVersion + "\n";
    if (!moduleName.empty()) file += "ModuleName=" + moduleName + "\n";
    if (!moduleVersion.empty()) file += "ModuleVersion=" + moduleVersion + "\n";
    return file + "DefaultLanguage=XYZ\n[Languages]\n[XYZ]\nmsgUISync001=Geladen\n";
}

struct Row {
    const char* name;
    std::string file;  // empty: no file at all
    const char* box;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class Validation : public ::testing::TestWithParam<Row> {};

TEST_P(Validation, ShowsItsBoxAndKeepsTheTexts) {
    const Row& row = GetParam();
    ConduitHost host(std::string("Validation") + row.name);
    ASSERT_TRUE(host.Loaded());
    host.SetMessageFile(row.file.empty() ? nullptr : row.file.c_str());
    std::vector<std::string> boxes = ConfigureAndInspect(
        host, 1, [](HWND dialog) { EXPECT_EQ(Caption(dialog), kBuiltInCaption); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], std::string(row.box) + "\n\nDefault language will be used.");
}

const std::string kOk[] = {"NLS-Message-File", "1.00", "LYConduit20", "0.50"};

INSTANTIATE_TEST_SUITE_P(
    MessageFile, Validation,
    ::testing::Values(Row{"Missing", "", "ERROR: Unable to locate message file!"},
                      Row{"NoContentType", FileWith("", kOk[1], kOk[2], kOk[3]),
                          "ERROR: Unable to identify message file type!"},
                      Row{"WrongContentType", FileWith("NLS-Message", kOk[1], kOk[2], kOk[3]),
                          "ERROR: Content type mismatch in message file!"},
                      Row{"NoContentVersion", FileWith(kOk[0], "", kOk[2], kOk[3]),
                          "ERROR: Unable to determine content version of message file!"},
                      Row{"ContentVersionNotNumeric", FileWith(kOk[0], "1.0", kOk[2], kOk[3]),
                          "ERROR: Content version mismatch in message file!"},
                      Row{"NoModuleName", FileWith(kOk[0], kOk[1], "", kOk[3]),
                          "ERROR: Unable to identify message file!"},
                      Row{"WrongModuleName", FileWith(kOk[0], kOk[1], "LYConduit21", kOk[3]),
                          "ERROR: Module mismatch in message file!"},
                      Row{"NoModuleVersion", FileWith(kOk[0], kOk[1], kOk[2], ""),
                          "ERROR: Unable to determine version of message file!"},
                      Row{"WrongModuleVersion", FileWith(kOk[0], kOk[1], kOk[2], "0.5"),
                          "ERROR: Module version mismatch in message file!"}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

TEST(MessageFile, ComparisonsIgnoreTheCaseOfLetters) {
    ConduitHost host("Messages" + Name());
    ASSERT_TRUE(host.Loaded());
    host.SetMessageFile(FileWith("nls-MESSAGE-file", "1.00", "lyconduit20", "0.50").c_str());
    ConfigureAndInspect(host, 0, [](HWND dialog) { EXPECT_EQ(Caption(dialog), "Geladen"); });
}

// The user's own language code is taken from the locale, so these run the
// same under any user locale.
TEST(MessageFile, LanguageChoice) {
    const std::string user = UserLanguage();
    ASSERT_FALSE(user.empty());
    ASSERT_NE(user, "XYZ");
    const std::string sections =
        "[" + user + "]\nmsgUISync001=Benutzersprache\n" + "[XYZ]\nmsgUISync001=Vorgabesprache\n";
    struct Case {
        const char* name;
        std::string file;
        const char* caption;
    };
    const Case cases[] = {
        {"UserLanguageOffered",
         MessageFileHeader("XYZ") + "[Languages]\n" + user + "=1\n" + sections, "Benutzersprache"},
        {"UserLanguageListedWithZero",
         MessageFileHeader("XYZ") + "[Languages]\n" + user + "=0\n" + sections, "Vorgabesprache"},
        {"UserLanguageNotListed", MessageFileHeader("XYZ") + "[Languages]\n" + sections,
         "Vorgabesprache"},
        {"UserLanguageWithoutSection",
         MessageFileHeader("XYZ") + "[Languages]\n" + user + "=1\n[XYZ]\nmsgUISync001=Vorgabe\n",
         kBuiltInCaption},
        {"NoDefaultLanguage", MessageFileHeader("") + "[Languages]\nXYZ=1\n" + sections,
         kBuiltInCaption},
        {"DefaultLanguageWithoutSection", MessageFileHeader("PTB") + "[Languages]\n" + sections,
         kBuiltInCaption},
    };
    for (const Case& c : cases) {
        ConduitHost host(std::string("Language") + c.name);
        ASSERT_TRUE(host.Loaded());
        host.SetMessageFile(c.file.c_str());
        ConfigureAndInspect(host, 0,
                            [&](HWND dialog) { EXPECT_EQ(Caption(dialog), c.caption) << c.name; });
    }
}

TEST(MessageFile, ValuesEscapesEmptyValuesAndLength) {
    ConduitHost host("Messages" + Name());
    ASSERT_TRUE(host.Loaded());
    const std::string longText(300, 'a');
    const std::string cutEscape = std::string(254, 'b') + "\\nweg";
    const std::string file = MessageFileHeader("XYZ") +
                             "[Languages]\n"
                             "[XYZ]\n"
                             "msgUISync001=Ordner\\\\Datei\n"
                             "msgUISync002=\n"
                             "msgUISync003=\"   - drei Blanks\"\n"
                             "msgUISync004=" +
                             longText + "\nmsgUISync005=" + cutEscape +
                             "\n"
                             "msgUISync010=Tab\\there \\\"quoted\\\" \\x\\\n"
                             "msgErrOpenDataDir=Zeile 1\\nZeile 2\\r\n"
                             "msgErrOdbcConnection=nicht benutzt\n";
    host.SetMessageFile(file.c_str());
    host.SetString("Directory", "gibt es nicht");
    SyncPreference preference = host.Preference(2);
    std::string boxText;
    Script script;
    script
        .On(Window::Action,
            [&](HWND dialog) {
                EXPECT_EQ(Caption(dialog), "Ordner\\Datei");
                EXPECT_EQ(Text(dialog, 406), "Handheld \374berschreibt Desktop");
                EXPECT_EQ(Text(dialog, 407), "   - drei Blanks");
                EXPECT_EQ(Text(dialog, 408), std::string(255, 'a'));
                EXPECT_EQ(Text(dialog, 104), std::string(254, 'b'));
                EXPECT_EQ(Text(dialog, 402), "Tab\there \"quoted\" x");
                EXPECT_EQ(Text(dialog, 103), "\334ber...");
                Click(dialog, 402);
            })
        .On(Window::Options, [](HWND dialog) { Click(dialog, 1026); })
        .On(Window::Box,
            [&](HWND box) {
                boxText = BoxText(box);
                Click(box, IDOK);
            })
        .On(Window::Options, [](HWND dialog) { Click(dialog, 2); })
        .On(Window::Action, [](HWND dialog) { Click(dialog, 2); });
    script.Run([&] { host.Configure(preference); });
    for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
    EXPECT_EQ(boxText, "Zeile 1\nZeile 2\r");
}

TEST(MessageFile, EveryCallReloadsOverTheCurrentTexts) {
    ConduitHost host("Messages" + Name());
    ASSERT_TRUE(host.Loaded());
    const std::string header = MessageFileHeader("XYZ") + "[Languages]\n[XYZ]\n";
    host.SetMessageFile((header + "msgUISync001=Eins\nmsgUISync003=Drei\n").c_str());
    ConfigureAndInspect(host, 0, [](HWND dialog) {
        EXPECT_EQ(Caption(dialog), "Eins");
        EXPECT_EQ(Text(dialog, 407), "Drei");
    });
    host.SetMessageFile((header + "msgUISync001=Zwei\n").c_str());
    ConfigureAndInspect(host, 0, [](HWND dialog) {
        EXPECT_EQ(Caption(dialog), "Zwei");
        EXPECT_EQ(Text(dialog, 407), "Drei");
    });
    host.SetMessageFile(nullptr);
    std::vector<std::string> boxes =
        ConfigureAndInspect(host, 1, [](HWND dialog) { EXPECT_EQ(Caption(dialog), "Zwei"); });
    EXPECT_EQ(boxes.size(), 1u);
}

// ---- The shipped message file ------------------------------------------------

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

std::string ShippedValue(const char* section, const char* key) {
    const std::string path = ProgramFolder() + "conduit.nls";
    char value[512] = "";
    GetPrivateProfileStringA(section, key, "", value, sizeof value, path.c_str());
    return value;
}

TEST(ShippedMessageFile, OffersGermanAndEnglishAndTranslatesEveryEntry) {
    EXPECT_EQ(ShippedValue("General", "DefaultLanguage"), "ENU");
    EXPECT_EQ(ShippedValue("Languages", "ENU"), "1");
    EXPECT_EQ(ShippedValue("Languages", "DEU"), "1");
    for (const MessageEntry& entry : MessageCatalog) {
        const std::string english = ShippedValue("ENU", entry.key);
        EXPECT_FALSE(english.empty()) << entry.key;
        EXPECT_LT(english.size(), 256u) << entry.key;
        const bool logLine = std::string(entry.builtInText).rfind("   - ", 0) == 0;
        EXPECT_EQ(english.rfind("   - ", 0) == 0, logLine) << entry.key;
        // The only conversions are the "%s" of the built-in text.
        EXPECT_EQ(Count(english, "%"), Count(entry.builtInText, "%s")) << entry.key;
        EXPECT_EQ(Count(english, "%s"), Count(entry.builtInText, "%s")) << entry.key;
        const std::string key = entry.key;
        if (key != "msgUIAbout003" && key != "msgUIOptions019") {
            EXPECT_NE(english, entry.builtInText) << entry.key;
        }
    }
}

// Run by CTest under a German and an English user locale as well.
TEST(ShippedMessageFile, SpeaksTheUserLanguage) {
    const std::string user = UserLanguage();
    const char* expected = std::getenv("TESSEL_EXPECT_LANGUAGE");
    if (expected != nullptr) {
        ASSERT_EQ(user, expected) << "user locale";
    }
    const bool german = user == "DEU";
    ConduitHost host("Shipped" + user + (expected != nullptr ? "Locale" : ""));
    ASSERT_TRUE(host.Loaded());
    host.UseShippedMessageFile();
    SyncPreference preference = host.Preference(2);
    Script script;
    script
        .On(Window::Action,
            [&](HWND dialog) {
                EXPECT_EQ(Caption(dialog), german ? kBuiltInCaption : "Change HotSync Action");
                EXPECT_EQ(Text(dialog, 2), german ? "Abbruch" : "Cancel");
                Click(dialog, 402);
            })
        .On(Window::Options,
            [&](HWND dialog) {
                EXPECT_EQ(Caption(dialog), german ? "Optionen" : "Options");
                EXPECT_EQ(Text(dialog, 1005), german ? "Tabulator" : "Tab");
                Click(dialog, 2);
            })
        .On(Window::Action, [](HWND dialog) { Click(dialog, 103); })
        .On(Window::About,
            [&](HWND dialog) {
                EXPECT_EQ(Text(dialog, 1), german ? "Schlie\337en" : "Close");
                Click(dialog, 1);
            })
        .On(Window::Action, [](HWND dialog) { Click(dialog, 2); });
    script.Run([&] { host.Configure(preference); });
    for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
}

}  // namespace
