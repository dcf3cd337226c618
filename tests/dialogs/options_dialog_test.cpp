// The options dialog (1000), opened from the action dialog: how the settings
// are shown, what OK and Cancel store, and the data folder button.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "driver.h"
#include "host.h"

namespace {

std::string Name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

// Opens the options dialog, runs the given steps in it, then confirms the
// action dialog with OK.
void WithOptions(ConduitHost& host, std::vector<Script::Action> steps) {
    SyncPreference preference = host.Preference(2);
    Script script;
    script.On(Window::Action, [](HWND dialog) { Click(dialog, 402); });
    for (Script::Action& step : steps) script.On(Window::Options, step);
    script.On(Window::Action, [](HWND dialog) { Click(dialog, 1); });
    script.Run([&] { host.Configure(preference); });
    for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
}

uint32_t Stored(const ConduitHost& host, const char* name) {
    uint32_t value = 0xDEADBEEF;
    EXPECT_TRUE(host.GetDword(name, value)) << name;
    return value;
}

const int kFieldRadios[] = {1003, 1004, 1005, 1010};
const int kTextRadios[] = {104, 103, 1008, 1009};

TEST(OptionsDialog, ShowsRunTimeTextsAndTheDefaults) {
    ConduitHost host("Options" + Name());
    ASSERT_TRUE(host.Loaded());
    WithOptions(host, {[](HWND dialog) {
                    EXPECT_EQ(Caption(dialog), "Optionen");
                    const std::pair<int, const char*> texts[] = {
                        {119, "Sicherungsmodus"},
                        {118, "Immer alle Daten sichern"},
                        {117, "Nur neue und ge\344nderte Daten sichern"},
                        {111, "&Ausgabeformat"},
                        {1022, "Titelzeile f\374r Bericht ausgeben"},
                        {101, "Feldnamen vor Daten ausgeben"},
                        {116, "Leerzeile vor Fortsetzungen einf\374gen"},
                        {1023, "Zeilentrenner aus Notizen entfernen"},
                        {1024, "Datum/Uhrzeit in Anf\263hrungszeichen"},
                        {115, "Format Datum:"},
                        {112, "&Trennzeichen"},
                        {1003, "Komma"},
                        {1004, "Semikolon"},
                        {1005, "Tabulator"},
                        {1010, "Anderes"},
                        {113, "Text&begrenzer"},
                        {114, "Anf\263hrungszeichen"},
                        {104, "Doppelt"},
                        {103, "Einfach"},
                        {1008, "Keine"},
                        {1009, "Anderer"},
                        {1, "OK"},
                        {2, "Abbruch"},
                        {1026, "Daten..."},
                    };
                    for (const auto& [id, text] : texts) EXPECT_EQ(Text(dialog, id), text) << id;
                    EXPECT_TRUE(Checked(dialog, 118));
                    EXPECT_FALSE(Checked(dialog, 117));
                    EXPECT_TRUE(Checked(dialog, 1005));  // tab
                    EXPECT_TRUE(Checked(dialog, 1008));  // no text delimiter
                    EXPECT_EQ(Text(dialog, 1011), "");
                    EXPECT_EQ(Text(dialog, 1012), "");
                    for (int id : {1022, 101, 116, 1023, 1024}) EXPECT_TRUE(Checked(dialog, id));
                    EXPECT_EQ(ListEntries(dialog, 1025),
                              (std::vector<std::string>{"14-03-2000", "03-14-2000", "2000-03-14",
                                                        "14/03/2000", "03/14/2000", "2000/03/14",
                                                        "14.03.2000", "03.14.2000", "2000.03.14"}));
                    EXPECT_EQ(SelectedIndex(dialog, 1025), 2);
                    Click(dialog, 2);
                }});
}

TEST(OptionsDialog, OpensWithTheStoredDelimiters) {
    ConduitHost host("Options" + Name());
    ASSERT_TRUE(host.Loaded());
    struct Case {
        uint32_t field;
        int fieldRadio;
        const char* fieldText;
        uint32_t text;
        int textRadio;
        const char* textText;
    };
    const Case cases[] = {
        {',', 1003, "", '"', 104, ""},     {';', 1004, "", '\'', 103, ""},
        {'\t', 1005, "", 0, 1008, ""},     {'|', 1010, "|", '#', 1009, "#"},
        {0, 1010, "", 256 + '"', 104, ""}, {300, 1003, "", 256, 1008, ""},
    };
    for (const Case& c : cases) {
        host.SetDword("FieldDelimiter", c.field);
        host.SetDword("StringDelimiter", c.text);
        WithOptions(host, {[&](HWND dialog) {
                        for (int id : kFieldRadios)
                            EXPECT_EQ(Checked(dialog, id), id == c.fieldRadio) << c.field;
                        EXPECT_EQ(Text(dialog, 1011), c.fieldText) << c.field;
                        for (int id : kTextRadios)
                            EXPECT_EQ(Checked(dialog, id), id == c.textRadio) << c.text;
                        EXPECT_EQ(Text(dialog, 1012), c.textText) << c.text;
                        Click(dialog, 2);
                    }});
    }
}

TEST(OptionsDialog, OkStoresEveryControl) {
    ConduitHost host("Options" + Name());
    ASSERT_TRUE(host.Loaded());
    WithOptions(host, {[](HWND dialog) {
                           Click(dialog, 117);
                           Click(dialog, 1010);
                           Type(dialog, 1011, "abc");
                           Click(dialog, 1009);
                           Type(dialog, 1012, "xyz");
                           for (int id : {1022, 101, 116, 1023, 1024}) Click(dialog, id);
                           Select(dialog, 1025, 7);
                       },
                       [](HWND dialog) { Click(dialog, 1); }});
    EXPECT_EQ(Stored(host, "SyncBackupMethod"), 1u);
    EXPECT_EQ(Stored(host, "FieldDelimiter"), static_cast<uint32_t>('a'));
    EXPECT_EQ(Stored(host, "StringDelimiter"), static_cast<uint32_t>('x'));
    for (const char* name :
         {"ReportTitle", "FieldNames", "SeparateReports", "SingleLineNotes", "QuoteDateFields"})
        EXPECT_EQ(Stored(host, name), 0u) << name;
    EXPECT_EQ(Stored(host, "DateFormat"), 7u);

    // And back: every box ticked again, the other radios, the list's ends.
    struct Choice {
        int field;
        uint32_t fieldCode;
        int text;
        uint32_t textCode;
        int date;
    };
    const Choice choices[] = {
        {1003, ',', 104, '"', 0},
        {1004, ';', 103, '\'', 8},
        {1005, '\t', 1008, 0, 2},
    };
    for (const Choice& c : choices) {
        WithOptions(host, {[&](HWND dialog) {
                               Click(dialog, 118);
                               Click(dialog, c.field);
                               Click(dialog, c.text);
                               for (int id : {1022, 101, 116, 1023, 1024})
                                   if (!Checked(dialog, id)) Click(dialog, id);
                               Select(dialog, 1025, c.date);
                           },
                           [](HWND dialog) { Click(dialog, 1); }});
        EXPECT_EQ(Stored(host, "SyncBackupMethod"), 0u);
        EXPECT_EQ(Stored(host, "FieldDelimiter"), c.fieldCode);
        EXPECT_EQ(Stored(host, "StringDelimiter"), c.textCode);
        for (const char* name :
             {"ReportTitle", "FieldNames", "SeparateReports", "SingleLineNotes", "QuoteDateFields"})
            EXPECT_EQ(Stored(host, name), 1u) << name;
        EXPECT_EQ(Stored(host, "DateFormat"), static_cast<uint32_t>(c.date));
    }
}

TEST(OptionsDialog, OtherBoxesAreReadOnlyWhenTheirRadioIsChosen) {
    ConduitHost host("Options" + Name());
    ASSERT_TRUE(host.Loaded());
    host.SetDword("StringDelimiter", '"');
    WithOptions(host, {[](HWND dialog) {
                           Click(dialog, 1010);      // other field delimiter, box left empty
                           Type(dialog, 1012, "!");  // typed, but "Doppelt" stays checked
                       },
                       [](HWND dialog) {
                           EXPECT_TRUE(Checked(dialog, 104));
                           Click(dialog, 1);
                       }});
    EXPECT_EQ(Stored(host, "FieldDelimiter"), 0u);
    EXPECT_EQ(Stored(host, "StringDelimiter"), static_cast<uint32_t>('"'));
}

TEST(OptionsDialog, CancelAfterChangingEverythingChangesNothing) {
    ConduitHost host("Options" + Name());
    ASSERT_TRUE(host.Loaded());
    host.SetDword("SyncBackupMethod", 1);
    host.SetDword("FieldDelimiter", ';');
    host.SetDword("StringDelimiter", '\'');
    host.SetDword("DateFormat", 6);
    host.SetDword("FieldNames", 0);
    using Close = void (*)(HWND);
    const Close closers[] = {[](HWND dialog) { Click(dialog, 2); }, PressEscape, PressCloseBox};
    for (Close close : closers) {
        WithOptions(host, {[](HWND dialog) {
                               Click(dialog, 118);
                               Click(dialog, 1010);
                               Type(dialog, 1011, "x");
                               Click(dialog, 1009);
                               Type(dialog, 1012, "y");
                               for (int id : {1022, 101, 116, 1023, 1024}) Click(dialog, id);
                               Select(dialog, 1025, 0);
                           },
                           close});
        EXPECT_EQ(Stored(host, "SyncBackupMethod"), 1u);
        EXPECT_EQ(Stored(host, "FieldDelimiter"), static_cast<uint32_t>(';'));
        EXPECT_EQ(Stored(host, "StringDelimiter"), static_cast<uint32_t>('\''));
        EXPECT_EQ(Stored(host, "DateFormat"), 6u);
        EXPECT_EQ(Stored(host, "FieldNames"), 0u);
        EXPECT_EQ(Stored(host, "ReportTitle"), 1u);
    }
}

TEST(OptionsDialog, UnknownBackupMethodShowsAllAndIsStoredAsZero) {
    ConduitHost host("Options" + Name());
    ASSERT_TRUE(host.Loaded());
    host.SetDword("SyncBackupMethod", 5);
    host.SetDword("DateFormat", 9);  // out of range: loads as 2
    WithOptions(host, {[](HWND dialog) {
                           EXPECT_TRUE(Checked(dialog, 118));
                           EXPECT_FALSE(Checked(dialog, 117));
                           EXPECT_EQ(SelectedIndex(dialog, 1025), 2);
                       },
                       [](HWND dialog) { Click(dialog, 1); }});
    EXPECT_EQ(Stored(host, "SyncBackupMethod"), 0u);
    EXPECT_EQ(Stored(host, "DateFormat"), 2u);
}

TEST(OptionsDialog, DataFolderThatCannotBeOpenedGivesTheErrorBox) {
    ConduitHost host("Options" + Name());
    ASSERT_TRUE(host.Loaded());
    const std::string missing = "Ordner, den es nicht gibt";
    const std::string tooLong(250, 'x');  // with the base folder over 259 characters
    for (const std::string& directory : {missing, tooLong}) {
        host.SetString("Directory", directory);
        SyncPreference preference = host.Preference(2);
        std::string boxText;
        bool boxHasOwner = false;
        Script script;
        script.On(Window::Action, [](HWND dialog) { Click(dialog, 402); })
            .On(Window::Options, [](HWND dialog) { Click(dialog, 1026); })
            .On(Window::Box,
                [&](HWND box) {
                    boxText = BoxText(box);
                    boxHasOwner = GetWindow(box, GW_OWNER) != nullptr;
                    Click(box, IDOK);
                })
            .On(Window::Options, [](HWND dialog) { Click(dialog, 2); })
            .On(Window::Action, [](HWND dialog) { Click(dialog, 2); });
        script.Run([&] { host.Configure(preference); });
        for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
        EXPECT_EQ(boxText, "Conduit Fehler: Datenverzeichnis kann nicht ge\366ffnet werden!")
            << directory.size();
        EXPECT_TRUE(boxHasOwner);
    }
}

}  // namespace
