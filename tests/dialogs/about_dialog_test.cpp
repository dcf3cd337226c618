// The about dialog (3000), opened from the action dialog.
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver.h"
#include "host.h"

namespace {

std::string Name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

TEST(AboutDialog, ShowsTextsAndPictureAndClosesEveryWay) {
    ConduitHost host("About" + Name());
    ASSERT_TRUE(host.Loaded());
    SyncPreference preference = host.Preference(2);
    Script script;
    script.On(Window::Action, [](HWND dialog) { Click(dialog, 103); })
        .On(Window::About,
            [](HWND dialog) {
                EXPECT_EQ(Caption(dialog), "Programm Information");
                EXPECT_EQ(Text(dialog, 107), "Ledgerly 1.1 Dateibasiertes Conduit");
                EXPECT_EQ(Text(dialog, 108), "Version 0.50 (beta)");
                EXPECT_EQ(Text(dialog, 109), "Copyright \251 2000 Tessel Project");
                EXPECT_EQ(Text(dialog, 110), "Kontakt: tessel@example.org");
                EXPECT_EQ(Text(dialog, 101), "Tessel Project HomePage");
                EXPECT_EQ(Text(dialog, 1), "Schlie\337en");
                EXPECT_TRUE(IsBitmapControl(dialog, 102));
                SIZE size = PictureSize(dialog, 102);
                EXPECT_EQ(size.cx, 46);
                EXPECT_EQ(size.cy, 100);
                Click(dialog, 1);
            })
        .On(Window::Action, [](HWND dialog) { Click(dialog, 103); })
        .On(Window::About, PressEscape)
        .On(Window::Action, [](HWND dialog) { Click(dialog, 103); })
        .On(Window::About, PressCloseBox)
        .On(Window::Action, [](HWND dialog) { Click(dialog, 1); });
    script.Run([&] { host.Configure(preference); });
    for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
    EXPECT_EQ(preference.syncType, 2);
}

// Without a browser the shell cannot open the web page: the error box, and
// the about dialog stays open. CTest runs this with Wine's browser helper
// switched off (WINEDLLOVERRIDES winebrowser.exe=d, which Wine keeps from the
// program's environment) and TESSEL_NO_BROWSER=1.
TEST(AboutDialog, WebPageFailureGivesTheErrorBox) {
    if (std::getenv("TESSEL_NO_BROWSER") == nullptr)
        GTEST_SKIP() << "needs WINEDLLOVERRIDES=winebrowser.exe=d and TESSEL_NO_BROWSER=1";
    ConduitHost host("About" + Name());
    ASSERT_TRUE(host.Loaded());
    SyncPreference preference = host.Preference(2);
    std::string boxText;
    Script script;
    script.On(Window::Action, [](HWND dialog) { Click(dialog, 103); })
        .On(Window::About, [](HWND dialog) { Click(dialog, 101); })
        .On(Window::Box,
            [&](HWND box) {
                boxText = BoxText(box);
                Click(box, IDOK);
            })
        .On(Window::About, [](HWND dialog) { Click(dialog, 1); })
        .On(Window::Action, [](HWND dialog) { Click(dialog, 2); });
    script.Run([&] { host.Configure(preference); });
    for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
    EXPECT_EQ(boxText, "Conduit Fehler: Browser Applikation konnte nicht gestartet werden!");
}

}  // namespace
