#include "messages.h"

#include <cstring>
#include <memory>
#include <vector>

#include "texts.h"

// Texts are Windows-1252 bytes, written with octal escapes
// (\344 a-umlaut, \366 o-umlaut, \374 u-umlaut, \337 sharp s, \263 superscript 3).
#define ENTRY(key, text) \
    { #key, text, text }

MessageEntry MessageCatalog[kMessageCount] = {
    ENTRY(msgWarnKeepRecords, "   - WARNUNG: Daten auf HandHeld wurden nicht gel\366scht!"),
    ENTRY(msgBackupEntries, "Ledgerly Eintr\344ge werden gesichert..."),
    ENTRY(msgAddEntryFailed, "   - Datensatz konnte nicht angelegt werden!"),
    ENTRY(msgUpdateProperties, "   - Attribute werden aktualisiert"),
    ENTRY(msgErrSyncOpenDB, "   - SyncOpenDB ist fehlgeschlagen!"),
    ENTRY(msgErrOdbcConnection, "   - ODBC Verbindung ist fehlgeschlagen!"),
    ENTRY(msgErrRegisterConduit, "   - SyncRegisterConduit ist fehlgeschlagen!"),
    ENTRY(msgErrSetupNotFound, "Setup Programm konnte nicht gefunden werden!"),
    ENTRY(msgErrInitEnv,
          "ODCB Fehler: Die Initialisierung der ODBC-Anwendungs-Umgebung ist fehlgeschlagen!"),
    ENTRY(msgErrAllocConnection,
          "ODCB Fehler: Es konnte kein Verbindungs-Descriptor angelegt werden!"),
    ENTRY(msgErrConnectDSN,
          "ODCB Fehler: Verbindung zur Datenquelle konnte nicht hergestellt werden!"),
    ENTRY(msgErrCreateStatement, "ODCB Fehler: Es konnte kein Befehls-Descriptor angelegt werden!"),
    ENTRY(msgErrInsertRecord, "ODCB Fehler: Datensatz wurde nicht angelegt!"),
    ENTRY(msgErrNoColumnsDefined,
          "Conduit Fehler: Es wurden keine Spalten f\374r die Zieltabelle definiert!"),
    ENTRY(msgErrBadRecFormat, "Conduit Fehler: Ung\374ltiges Datensatz Format!"),
    ENTRY(msgErrUnknownRecType, "Conduit Fehler: Datensatz-Typ nicht bekannt!"),
    ENTRY(msgResetSyncFlagsFailed,
          "   - Synchronisierungs-Marken konnten nicht zur\374ckgesetzt werden!"),
    ENTRY(msgErrLoadSettings, "   - Einstellungen konnten nicht geladen werden!"),
    ENTRY(msgErrNoDataDir,
          "   - Es ist kein Datenverzeichnis konfiguriert -- Synchronisation wird verlassen!"),
    ENTRY(msgErrSaveSettings, "   - Einstellungen konnten nicht gespeichert werden!"),
    ENTRY(msgErrOpenDataFiles, "   - Dateien konnten nicht ge\366ffnet werden!"),
    ENTRY(msgErrOpenDataDir, "Conduit Fehler: Datenverzeichnis kann nicht ge\366ffnet werden!"),
    ENTRY(msgErrStartBrowser, "Conduit Fehler: Browser Applikation konnte nicht gestartet werden!"),
    ENTRY(msgErrCreateDataDir, "   - Datenverzeichnis konnte nicht angelegt werden!"),
    ENTRY(msgErrInvalidDataDir, "   - Ung\374ltiges Datenverzeichnis!"),
    ENTRY(msgWrnNoTaskTable,
          "Conduit Warnung: Die Tabelle f\374r Datens\344tze der Zeiterfassung wurde nicht "
          "definiert!"),
    ENTRY(msgWrnNoExpenseTable,
          "Conduit Warnung: Die Tabelle f\374r Datens\344tze der Ausgabenfassung wurde nicht "
          "definiert!"),
    ENTRY(msgWrnNoRouteTable,
          "Conduit Warnung: Die Tabelle f\374r Datens\344tze des Fahrtenbuchs wurde nicht "
          "definiert!"),
    ENTRY(msgWrnNoContactTable,
          "Conduit Warnung: Die Tabelle f\374r Datens\344tze der Kontaktvermerke wurde nicht "
          "definiert!"),
    ENTRY(msgWrnNoMemoTable,
          "Conduit Warnung: Die Tabelle f\374r Datens\344tze der Projektnotizen wurde nicht "
          "definiert!"),
    ENTRY(msgSyncInitializing, "Initialisierung ..."),
    ENTRY(msgSyncRemaining, "Verbleibende Datens\344tze"),
    ENTRY(msgSyncFinishing, "Verarbeitung abschlie\337en..."),
    ENTRY(msgSyncDoNothing, "Wird nicht ausgef\374hrt"),
    ENTRY(msgUISync001, "HotSync Aktion bestimmen"),
    ENTRY(msgUISync002, "Handheld \374berschreibt Desktop"),
    ENTRY(msgUISync003, "Nicht ausf\374hren"),
    ENTRY(msgUISync004, "Daten vom Handheld l\366schen"),
    ENTRY(msgUISync005, "HotSync Status anzeigen"),
    ENTRY(msgUISync006, "Als Vorgabe"),
    ENTRY(msgUISync007, "Ok"),
    ENTRY(msgUISync008, "Abbruch"),
    ENTRY(msgUISync009, "Hilfe"),
    ENTRY(msgUISync010, "Erweitert..."),
    ENTRY(msgUISync011, "\334ber..."),
    ENTRY(msgUIOptions001, "Optionen"),
    ENTRY(msgUIOptions002, "&Ausgabeformat"),
    ENTRY(msgUIOptions003, "Titelzeile f\374r Bericht ausgeben"),
    ENTRY(msgUIOptions004, "Feldnamen vor Daten ausgeben"),
    ENTRY(msgUIOptions005, "Zeilentrenner aus Notizen entfernen"),
    ENTRY(msgUIOptions006, "Datum/Uhrzeit in Anf\263hrungszeichen"),
    ENTRY(msgUIOptions007, "Format Datum:"),
    ENTRY(msgUIOptions008, "&Trennzeichen"),
    ENTRY(msgUIOptions009, "Komma"),
    ENTRY(msgUIOptions010, "Semikolon"),
    ENTRY(msgUIOptions011, "Tabulator"),
    ENTRY(msgUIOptions012, "Anderes"),
    ENTRY(msgUIOptions013, "Text&begrenzer"),
    ENTRY(msgUIOptions014, "Anf\263hrungszeichen"),
    ENTRY(msgUIOptions015, "Doppelt"),
    ENTRY(msgUIOptions016, "Einfach"),
    ENTRY(msgUIOptions017, "Keine"),
    ENTRY(msgUIOptions018, "Anderer"),
    ENTRY(msgUIOptions019, "OK"),
    ENTRY(msgUIOptions020, "Abbruch"),
    ENTRY(msgUIOptions021, "Daten..."),
    ENTRY(msgUIOptions022, "Sicherungsmodus"),
    ENTRY(msgUIOptions023, "Immer alle Daten sichern"),
    ENTRY(msgUIOptions024, "Nur neue und ge\344nderte Daten sichern"),
    ENTRY(msgUIOptions025, "Leerzeile vor Fortsetzungen einf\374gen"),
    ENTRY(msgUIAbout001, "Programm Information"),
    ENTRY(msgUIAbout002, "Ledgerly 1.1 Dateibasiertes Conduit"),
    ENTRY(msgUIAbout003, "Version 0.50 (beta)"),
    ENTRY(msgUIAbout004, "Kontakt: tessel@example.org"),
    ENTRY(msgUIAbout005, "Tessel Project HomePage"),
    ENTRY(msgUIAbout006, "Schlie\337en"),
    // Log lines with the file or date they name in place of "%s".
    ENTRY(msgSaveHistory, "   - Bisherige Berichtszeilen wurden angeh\344ngt an: %s"),
    ENTRY(msgErrSaveHistory,
          "   - Bisherige Berichtszeilen konnten nicht gesichert werden: %s: %s"),
    ENTRY(msgErrWriteReport, "   - Datei konnte nicht geschrieben werden: %s: %s"),
    ENTRY(msgErrDeleteRecord, "   - SyncDeleteRec ist fehlgeschlagen!"),
    ENTRY(msgErrSyncCloseDB,
          "   - SyncCloseDB ist fehlgeschlagen: Die \304nderungen auf dem Handheld wurden nicht "
          "gespeichert!"),
    ENTRY(msgWrnTaskCut,
          "Conduit Warnung: Ein zu langes Feld der Arbeitszeit vom %s wurde gek\374rzt!"),
    ENTRY(msgWrnExpenseCut,
          "Conduit Warnung: Ein zu langes Feld der Ausgabe vom %s wurde gek\374rzt!"),
    ENTRY(msgWrnRouteCut, "Conduit Warnung: Ein zu langes Feld der Fahrt vom %s wurde gek\374rzt!"),
    ENTRY(msgWrnContactCut,
          "Conduit Warnung: Ein zu langes Feld des Kontaktvermerks vom %s wurde gek\374rzt!"),
    ENTRY(msgWrnMemoCut,
          "Conduit Warnung: Ein zu langes Feld der Projektnotiz vom %s wurde gek\374rzt!"),
    ENTRY(msgWrnMoreCut,
          "Conduit Warnung: Weitere Eintr\344ge mit zu langen Feldern wurden gek\374rzt: %s"),
    // The report command's own texts.
    ENTRY(msgReportUsage,
          "Aufruf: tessel-report [--settings DATEI] [--user NAME] [--modified] [--append]\n"
          "                      [--skip-refused] DATENBANK.pdb ZIELORDNER\n"
          "        tessel-report --help | --version"),
    ENTRY(msgReportUsage2,
          "Schreibt die f\374nf Berichte des Ledgerly Conduits aus einer Sicherung der\n"
          "Datenbank Ledgerly_DB, ohne HotSync und ohne die Sicherung zu \344ndern."),
    ENTRY(msgReportUsage3,
          "  --settings DATEI  die Einstellungen des Conduits als Export der Registrierung\n"
          "  --user NAME       der Text der Spalte PilotID (sonst User.txt neben der\n"
          "                    Datenbank oder der Ordner \374ber dem Ordner Backup)"),
    ENTRY(msgReportUsage4,
          "  --modified        nur neue und ge\344nderte Eintr\344ge\n"
          "  --append          an vorhandene Berichte anh\344ngen\n"
          "  --skip-refused    nicht \374bernommene Eintr\344ge nennen und alle anderen\n"
          "                    schreiben"),
    ENTRY(msgReportUsage5,
          "Ergebnis:\n"
          "  0  alle Eintr\344ge geschrieben\n"
          "  1  Eintr\344ge nicht \374bernommen (mit --skip-refused: alle anderen geschrieben)\n"
          "  2  falscher Aufruf\n"
          "  3  HotSync Benutzer unbekannt oder nicht in Windows-1252 darstellbar"),
    ENTRY(msgReportUsage6,
          "  4  eine Eingabedatei fehlt oder ist nicht lesbar\n"
          "  5  keine Sicherung der Datenbank Ledgerly_DB, oder besch\344digt\n"
          "  6  ein Bericht kann nicht geschrieben werden\n"
          "Au\337er mit 1 und --skip-refused bleiben die Berichte bei Fehlern unver\344ndert."),
    ENTRY(msgReportBadArgument, "Unbekannte oder unvollst\344ndige Angabe: %s"),
    ENTRY(msgReportCannotRead, "%s kann nicht gelesen werden: %s"),
    ENTRY(msgReportNotDatabase, "%s ist keine Palm Datenbank: %s"),
    ENTRY(msgReportNotLedgerly,
          "%s ist keine Sicherung der Datenbank Ledgerly_DB: Sie enth\344lt die Datenbank \"%s\"."),
    ENTRY(msgReportBadSettings, "Die Einstellungsdatei %s ist in Zeile %s fehlerhaft."),
    ENTRY(msgReportNoSettings, "Die Einstellungsdatei %s enth\344lt keine Einstellungen."),
    ENTRY(msgReportNoUser,
          "Der HotSync Benutzer ist nicht bekannt: Bitte mit --user NAME angeben."),
    ENTRY(msgReportRefused, "Eintrag %s wurde nicht \374bernommen: %s"),
    ENTRY(msgReportDone, "%s Eintr\344ge wurden nach %s geschrieben."),
    ENTRY(msgReportCannotCreateFolder, "Der Ordner %s kann nicht angelegt werden: %s"),
    ENTRY(msgReportNotFolder, "%s ist kein Ordner: %s"),
    ENTRY(msgReportSettingRange,
          "Die Einstellung %s liegt au\337erhalb ihres Bereichs; verwendet wird %s."),
    ENTRY(msgReportUserNotUtf8, "Der Name des HotSync Benutzers (%s) ist kein UTF-8."),
    ENTRY(msgReportUserNotCp1252,
          "Der Name des HotSync Benutzers (%s) ist in Windows-1252 nicht darstellbar: Er "
          "enth\344lt %s."),
    ENTRY(msgReportRefusedCount, "Nicht \374bernommene Eintr\344ge: %s."),
    ENTRY(msgReportUnchanged, "Die Berichte wurden nicht ge\344ndert."),
};

#undef ENTRY

const char kConduitName[] = "Ledgerly";
const char kAboutNotice[] = "Copyright \251 2000 Tessel Project";
const char kMakerHomePage[] = "https://tessel.example.org/ledgerly/";

namespace {

// The copy behind each replaced text, one per entry: replacing a text again
// releases the copy before, so reloading the message file at every call
// never piles up memory while the library stays loaded.
std::unique_ptr<char[]>* TextCopies() {
    static std::unique_ptr<char[]> copies[kMessageCount];
    return copies;
}

}  // namespace

void ResolveEscapes(char* text) { TranslateEscapes(text, text, std::strlen(text) + 1); }

void SetMessageText(MessageKey key, const char* value) {
    if (value == nullptr || value[0] == '\0' || key < 0 || key >= kMessageCount) return;
    size_t length = std::strlen(value);
    std::unique_ptr<char[]> copy(new char[length + 1]);
    std::memcpy(copy.get(), value, length + 1);
    ResolveEscapes(copy.get());
    MessageCatalog[key].text = copy.get();
    TextCopies()[key] = std::move(copy);
}

void ResetMessageTexts() {
    for (MessageEntry& entry : MessageCatalog) entry.text = entry.builtInText;
    for (int i = 0; i < kMessageCount; ++i) TextCopies()[i].reset();
}

namespace {

constexpr uint32_t kHeaderValueSize = 80;
constexpr uint32_t kLanguageSize = 20;
constexpr uint32_t kMessageValueSize = 256;

struct HeaderCheck {
    const char* key;
    const char* expected;
    const char* missing;
    const char* mismatch;
};

const HeaderCheck kHeaderChecks[] = {
    {"ContentType", "NLS-Message-File",
     "ERROR: Unable to identify message file type!\n\nDefault language will be used.",
     "ERROR: Content type mismatch in message file!\n\nDefault language will be used."},
    {"ContentVersion", "1.00",
     "ERROR: Unable to determine content version of message file!\n\nDefault language will be "
     "used.",
     "ERROR: Content version mismatch in message file!\n\nDefault language will be used."},
    {"ModuleName", "LYConduit20",
     "ERROR: Unable to identify message file!\n\nDefault language will be used.",
     "ERROR: Module mismatch in message file!\n\nDefault language will be used."},
    {"ModuleVersion", "0.50",
     "ERROR: Unable to determine version of message file!\n\nDefault language will be used.",
     "ERROR: Module version mismatch in message file!\n\nDefault language will be used."},
};

}  // namespace

void LoadMessageFile(MessageFile& file) {
    if (!file.Exists()) {
        file.ShowFault("ERROR: Unable to locate message file!\n\nDefault language will be used.");
        return;
    }
    for (const HeaderCheck& check : kHeaderChecks) {
        char value[kHeaderValueSize] = "";
        file.ReadString("General", check.key, value, kHeaderValueSize);
        if (value[0] == '\0') {
            file.ShowFault(check.missing);
            return;
        }
        if (!EqualFoldingAZ(value, check.expected)) {
            file.ShowFault(check.mismatch);
            return;
        }
    }

    char language[kLanguageSize] = "";
    file.UserLanguage(language, kLanguageSize);
    language[kLanguageSize - 1] = '\0';
    if (language[0] != '\0' && file.ReadInt("Languages", language, 0) == 0) language[0] = '\0';
    if (language[0] == '\0') file.ReadString("General", "DefaultLanguage", language, kLanguageSize);
    if (language[0] == '\0') return;
    LoadMessageTexts(file, language);
}

void LoadMessageTexts(MessageFile& file, const char* section) {
    for (int i = 0; i < kMessageCount; ++i) {
        char value[kMessageValueSize] = "";
        file.ReadString(section, MessageCatalog[i].key, value, kMessageValueSize);
        value[kMessageValueSize - 1] = '\0';
        if (value[0] != '\0') SetMessageText(static_cast<MessageKey>(i), value);
    }
}

#ifdef _WIN32

namespace {

constexpr char kMessageFileName[] = "conduit.nls";

// The message file through the Windows profile functions, faults in message
// boxes.
class WindowsMessageFile final : public MessageFile {
  public:
    explicit WindowsMessageFile(const char* path) : path_(path) {}

    bool Exists() override {
        if (path_ == nullptr) return false;
        DWORD attributes = GetFileAttributesA(path_);
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    void ReadString(const char* section, const char* key, char* buffer, uint32_t size) override {
        GetPrivateProfileStringA(section, key, "", buffer, size, path_);
    }
    uint32_t ReadInt(const char* section, const char* key, int32_t defaultValue) override {
        return GetPrivateProfileIntA(section, key, defaultValue, path_);
    }
    void UserLanguage(char* buffer, uint32_t size) override {
        if (GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, buffer,
                           static_cast<int>(size)) == 0) {
            buffer[0] = '\0';
        }
    }
    void ShowFault(const char* text) override {
        MessageBoxA(GetActiveWindow(), text, "Internal Error", MB_OK);
    }

  private:
    const char* path_;  // null when the path does not fit
};

// Path of the message file beside module; false when it does not fit.
bool MessageFilePath(HINSTANCE module, char (&path)[MAX_PATH]) {
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    char* slash = std::strrchr(path, '\\');
    size_t folder = slash != nullptr ? static_cast<size_t>(slash - path) + 1 : 0;
    if (folder + sizeof kMessageFileName > MAX_PATH) return false;
    std::memcpy(path + folder, kMessageFileName, sizeof kMessageFileName);
    return true;
}

}  // namespace

void LoadMessageFile(HINSTANCE module) {
    char path[MAX_PATH];
    WindowsMessageFile file(MessageFilePath(module, path) ? path : nullptr);
    LoadMessageFile(file);
}

void LoadMessageTexts(const char* path, const char* section) {
    WindowsMessageFile file(path);
    LoadMessageTexts(file, section);
}

#endif
