// The HotSync action dialog (399) through ConfigureConduit: what it shows,
// what it answers in the preference record and what it stores.
#include <gtest/gtest.h>

#include "driver.h"
#include "host.h"

namespace {

std::string Name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

void ExpectNoFailures(const Script& script) {
    for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
}

TEST(ActionDialog, ShowsRunTimeTextsPicturesAndSettings) {
    ConduitHost host("Action" + Name());
    ASSERT_TRUE(host.Loaded());
    SyncPreference preference = host.Preference(2);
    Script script;
    script.On(Window::Action, [](HWND dialog) {
        EXPECT_EQ(Caption(dialog), "HotSync Aktion bestimmen");
        EXPECT_EQ(Text(dialog, 403), "Ledgerly");
        EXPECT_EQ(Text(dialog, 406), "Handheld \374berschreibt Desktop");
        EXPECT_EQ(Text(dialog, 407), "Nicht ausf\374hren");
        EXPECT_EQ(Text(dialog, 408), "Daten vom Handheld l\366schen");
        EXPECT_EQ(Text(dialog, 104), "HotSync Status anzeigen");
        EXPECT_EQ(Text(dialog, 409), "Als Vorgabe");
        EXPECT_EQ(Text(dialog, 1), "Ok");
        EXPECT_EQ(Text(dialog, 2), "Abbruch");
        EXPECT_EQ(Text(dialog, 402), "Erweitert...");
        EXPECT_EQ(Text(dialog, 103), "\334ber...");
        EXPECT_FALSE(Visible(dialog, 105));
        for (int id : {412, 413, 414, 106}) {
            EXPECT_TRUE(IsBitmapControl(dialog, id)) << id;
            SIZE size = PictureSize(dialog, id);
            EXPECT_EQ(size.cx, 48) << id;
            EXPECT_EQ(size.cy, 24) << id;
        }
        // Defaults: sync type 2, nothing deleted, status shown.
        EXPECT_TRUE(Checked(dialog, 406));
        EXPECT_FALSE(Checked(dialog, 407));
        EXPECT_FALSE(Checked(dialog, 408));
        EXPECT_TRUE(Checked(dialog, 104));
        EXPECT_FALSE(Checked(dialog, 409));
        Click(dialog, 1);
    });
    script.Run([&] { EXPECT_EQ(host.Configure(preference), 0); });
    ExpectNoFailures(script);
    EXPECT_EQ(preference.syncType, 2);
    EXPECT_EQ(preference.preferenceKind, 2);
    uint32_t value = 99;
    EXPECT_TRUE(host.GetDword("DeleteRecords", value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(host.GetDword("ShowSyncStatus", value));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(host.ValueCount(), 11);
}

TEST(ActionDialog, EverySyncTypeOtherThanTwoShowsDoNothing) {
    ConduitHost host("Action" + Name());
    ASSERT_TRUE(host.Loaded());
    for (int32_t type : {0, 1, 3, 6, -1}) {
        SyncPreference preference = host.Preference(type);
        Script script;
        script.On(Window::Action, [&](HWND dialog) {
            EXPECT_FALSE(Checked(dialog, 406)) << type;
            EXPECT_TRUE(Checked(dialog, 407)) << type;
            Click(dialog, 1);
        });
        script.Run([&] { host.Configure(preference); });
        ExpectNoFailures(script);
        EXPECT_EQ(preference.syncType, 6) << type;
        EXPECT_EQ(preference.preferenceKind, 2) << type;
    }
    // Choosing the overwrite action turns a do-nothing call into type 2.
    SyncPreference preference = host.Preference(6);
    Script script;
    script.On(Window::Action, [](HWND dialog) { Click(dialog, 406); })
        .On(Window::Action, [](HWND dialog) { Click(dialog, 1); });
    script.Run([&] { host.Configure(preference); });
    ExpectNoFailures(script);
    EXPECT_EQ(preference.syncType, 2);
}

TEST(ActionDialog, AsDefaultAnswersKindOneAndStartsUntickedNextTime) {
    ConduitHost host("Action" + Name());
    ASSERT_TRUE(host.Loaded());
    SyncPreference preference = host.Preference(2);
    Script first;
    first
        .On(Window::Action,
            [](HWND dialog) {
                Click(dialog, 409);
                Click(dialog, 408);
                Click(dialog, 104);
                Click(dialog, 407);
            })
        .On(Window::Action, [](HWND dialog) {
            EXPECT_TRUE(Checked(dialog, 409));
            Click(dialog, 1);
        });
    first.Run([&] { host.Configure(preference); });
    ExpectNoFailures(first);
    EXPECT_EQ(preference.syncType, 6);
    EXPECT_EQ(preference.preferenceKind, 1);
    uint32_t value = 99;
    EXPECT_TRUE(host.GetDword("DeleteRecords", value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(host.GetDword("ShowSyncStatus", value));
    EXPECT_EQ(value, 0u);

    SyncPreference again = host.Preference(6);
    again.preferenceKind = 1;
    Script second;
    second.On(Window::Action, [](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, 409));
        EXPECT_TRUE(Checked(dialog, 408));
        EXPECT_FALSE(Checked(dialog, 104));
        Click(dialog, 1);
    });
    second.Run([&] { host.Configure(again); });
    ExpectNoFailures(second);
    EXPECT_EQ(again.preferenceKind, 2);
}

TEST(ActionDialog, CancelEscapeAndCloseBoxLeaveTheRecordAndStillSave) {
    ConduitHost host("Action" + Name());
    ASSERT_TRUE(host.Loaded());
    host.SetDword("DeleteRecords", 1);
    host.SetString("TaskReportFile", "Zeiten.txt");
    host.SetString("Directory", "Ledgerly");
    using Close = void (*)(HWND);
    const Close closers[] = {[](HWND dialog) { Click(dialog, 2); }, PressEscape, PressCloseBox};
    for (Close close : closers) {
        SyncPreference preference = host.Preference(2);
        preference.preferenceKind = 55;
        Script script;
        script
            .On(Window::Action,
                [](HWND dialog) {
                    Click(dialog, 407);
                    Click(dialog, 408);
                    Click(dialog, 409);
                })
            .On(Window::Action, close);
        script.Run([&] { EXPECT_EQ(host.Configure(preference), 0); });
        ExpectNoFailures(script);
        EXPECT_EQ(preference.syncType, 2);
        EXPECT_EQ(preference.preferenceKind, 55);
        uint32_t value = 99;
        EXPECT_TRUE(host.GetDword("DeleteRecords", value));
        EXPECT_EQ(value, 1u);
    }
    // Saved anyway: the eleven numbers are there, the strings untouched.
    uint32_t delimiter = 99;
    EXPECT_TRUE(host.GetDword("FieldDelimiter", delimiter));
    EXPECT_EQ(delimiter, 9u);
    EXPECT_EQ(host.ValueCount(), 13);
    std::string text;
    EXPECT_TRUE(host.GetString("TaskReportFile", text));
    EXPECT_EQ(text, "Zeiten.txt");
}

TEST(ActionDialog, OptionsConfirmedThenActionCancelledAreStored) {
    ConduitHost host("Action" + Name());
    ASSERT_TRUE(host.Loaded());
    SyncPreference preference = host.Preference(2);
    Script script;
    script.On(Window::Action, [](HWND dialog) { Click(dialog, 402); })
        .On(Window::Options, [](HWND dialog) { Click(dialog, 1004); })
        .On(Window::Options, [](HWND dialog) { Click(dialog, 1); })
        .On(Window::Action, [](HWND dialog) { Click(dialog, 2); });
    script.Run([&] { host.Configure(preference); });
    ExpectNoFailures(script);
    uint32_t value = 0;
    EXPECT_TRUE(host.GetDword("FieldDelimiter", value));
    EXPECT_EQ(value, static_cast<uint32_t>(';'));
    EXPECT_EQ(preference.preferenceKind, 77);
}

// A key below a volatile key cannot be created as a lasting key.
TEST(ActionDialog, UncreatableKeyGivesTheErrorBoxOnOkAndOnCancel) {
    ConduitHost host("Action" + Name());
    ASSERT_TRUE(host.Loaded());
    HKEY volatileKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, host.KeyPath().c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(volatileKey);
    for (int button : {1, 2}) {
        SyncPreference preference = host.Preference(2);
        std::snprintf(preference.registryPath, sizeof preference.registryPath, "%s\\Lasting",
                      host.KeyPath().c_str());
        std::string boxText, boxCaption;
        bool boxHasIcon = false;
        Script script;
        script
            .On(Window::Action,
                [&](HWND dialog) {
                    Click(dialog, 407);
                    Click(dialog, button);
                })
            .On(Window::Box, [&](HWND box) {
                boxText = BoxText(box);
                boxCaption = Caption(box);
                boxHasIcon = SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0) != 0;
                Click(box, IDOK);
            });
        script.Run([&] { EXPECT_EQ(host.Configure(preference), 0); });
        ExpectNoFailures(script);
        EXPECT_EQ(boxText, "   - Einstellungen konnten nicht gespeichert werden!") << button;
        EXPECT_FALSE(boxCaption.empty());
        EXPECT_TRUE(boxHasIcon);
        EXPECT_EQ(preference.syncType, button == 1 ? 6 : 2);
    }
}

// One user's settings must not show up in the next user's dialog when the
// next user's key lacks them.
TEST(ActionDialog, ValuesOfAnEarlierUserDoNotLeak) {
    ConduitHost host("Action" + Name());
    ASSERT_TRUE(host.Loaded());
    host.SetDword("DeleteRecords", 1);
    host.SetDword("ShowSyncStatus", 0);
    SyncPreference first = host.Preference(2);
    Script script;
    script.On(Window::Action, [](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, 408));
        EXPECT_FALSE(Checked(dialog, 104));
        Click(dialog, 2);
    });
    script.Run([&] { host.Configure(first); });
    ExpectNoFailures(script);

    SyncPreference second = host.Preference(2);
    std::snprintf(second.registryPath, sizeof second.registryPath, "%s\\OtherUser",
                  host.KeyPath().c_str());
    Script other;
    other.On(Window::Action, [](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, 408));
        EXPECT_TRUE(Checked(dialog, 104));
        Click(dialog, 2);
    });
    other.Run([&] { host.Configure(second); });
    ExpectNoFailures(other);
}

}  // namespace
