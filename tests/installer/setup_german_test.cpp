// The real TesselSetup.exe under a German user locale (language code DEU).
#include "setup_fixture.h"

namespace {

class SetupGerman : public SetupTest {};

TEST_F(SetupGerman, ExampleConfigurationSpeaksGerman) {
    CopyExampleIni();
    ASSERT_NE(StartDialog(), nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog_), "Ledgerly Conduit Installation");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, 109), "Willkommen bei Ledgerly!");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kInstall), "Installieren");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kUninstall), "Deinstallieren");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kQuit), "Beenden");
    EXPECT_NE(SetupProcess::ItemText(dialog_, 107).find("Eintr\xe4ge"), std::string::npos);

    SetupProcess::Click(dialog_, kInstall);
    ExpectBox("Das Conduit-Modul wurde erfolgreich auf Ihrem System installiert.",
              "Installation abgeschlossen", BoxIcon::Information, {IDOK}, IDOK, true);
    std::string entry = Entry(1);
    EXPECT_EQ(DwordValue(entry, "Creator"), 0x4C444759u);  // LDGY
    EXPECT_EQ(StringValue(entry, "Conduit"), folder_ + "Tessel20.dll");
    EXPECT_EQ(StringValue(entry, "Directory"), "Ledgerly");
    EXPECT_EQ(DwordValue(entry, "FieldDelimiter"), 9u);
    EXPECT_EQ(DwordValue(entry, "ShowSyncStatus"), 1u);
    EXPECT_EQ(StringValue(entry, "TaskReportFile"), "Ledgerly Arbeitszeiten.txt");

    SetupProcess::Click(dialog_, kInstall);
    ExpectBox(
        "Offenbar ist bereits eine andere Version des Conduit-Moduls auf Ihrem System "
        "installiert.\n\nM\xf6"
        "chten Sie die vorhandene Version ersetzen?",
        "Best\xe4tigung", BoxIcon::Question, {IDCANCEL, IDYES, IDNO}, IDCANCEL, true);
    SetupProcess::Click(dialog_, kUninstall);
    ExpectBox("Das Conduit-Modul wurde erfolgreich von Ihrem System entfernt.",
              "Deinstallation abgeschlossen", BoxIcon::Information, {IDOK}, IDOK, true);
    SetupProcess::Click(dialog_, kUninstall);
    ExpectBox("FEHLER: Das Conduit-Modul konnte nicht von Ihrem System entfernt werden!",
              "Deinstallation fehlgeschlagen", BoxIcon::Error, {IDOK}, IDOK, true);
    Quit();
}

TEST_F(SetupGerman, GermanNotSupportedGivesDefaultLanguage) {
    WriteIni(ConduitSection("Conduit_DEU", {{"Caption", "Deutsch"}}) +
             ConduitSection("Conduit_ENU", {{"Caption", "English"}}) +
             "[Languages]\nDEU=0\nENU=1\n[General]\nDefaultLanguage=ENU\n");
    ASSERT_NE(StartDialog(), nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog_), "English");
    Quit();
}

TEST_F(SetupGerman, NoGermanConduitSectionStillUsesGermanTexts) {
    WriteIni(ConduitSection("Conduit") +
             "[Languages]\nDEU=1\n[Lang_DEU]\n4003=Keine deutsche Beschreibung.\n2000=Los\n");
    Start();
    ExpectPlainBox("Keine deutsche Beschreibung.");
    MessageBoxInfo box;
    dialog_ = setup_.WaitForDialogOrBox(&box);
    ASSERT_NE(dialog_, nullptr);
    EXPECT_EQ(SetupProcess::Text(dialog_), "Testly Setup");
    EXPECT_EQ(SetupProcess::ItemText(dialog_, kInstall), "Los");
    Quit();
}

}  // namespace
