// The conduit's message table: every text that it logs or shows, addressed
// directly by its message key. Built-in texts are German (Windows-1252); a
// message file can replace them.
#pragma once

#include <cstddef>
#include <cstdint>

enum MessageKey {
    msgWarnKeepRecords,
    msgBackupEntries,
    msgAddEntryFailed,
    msgUpdateProperties,
    msgErrSyncOpenDB,
    msgErrOdbcConnection,
    msgErrRegisterConduit,
    msgErrSetupNotFound,
    msgErrInitEnv,
    msgErrAllocConnection,
    msgErrConnectDSN,
    msgErrCreateStatement,
    msgErrInsertRecord,
    msgErrNoColumnsDefined,
    msgErrBadRecFormat,
    msgErrUnknownRecType,
    msgResetSyncFlagsFailed,
    msgErrLoadSettings,
    msgErrNoDataDir,
    msgErrSaveSettings,
    msgErrOpenDataFiles,
    msgErrOpenDataDir,
    msgErrStartBrowser,
    msgErrCreateDataDir,
    msgErrInvalidDataDir,
    msgWrnNoTaskTable,
    msgWrnNoExpenseTable,
    msgWrnNoRouteTable,
    msgWrnNoContactTable,
    msgWrnNoMemoTable,
    msgSyncInitializing,
    msgSyncRemaining,
    msgSyncFinishing,
    msgSyncDoNothing,
    msgUISync001,
    msgUISync002,
    msgUISync003,
    msgUISync004,
    msgUISync005,
    msgUISync006,
    msgUISync007,
    msgUISync008,
    msgUISync009,
    msgUISync010,
    msgUISync011,
    msgUIOptions001,
    msgUIOptions002,
    msgUIOptions003,
    msgUIOptions004,
    msgUIOptions005,
    msgUIOptions006,
    msgUIOptions007,
    msgUIOptions008,
    msgUIOptions009,
    msgUIOptions010,
    msgUIOptions011,
    msgUIOptions012,
    msgUIOptions013,
    msgUIOptions014,
    msgUIOptions015,
    msgUIOptions016,
    msgUIOptions017,
    msgUIOptions018,
    msgUIOptions019,
    msgUIOptions020,
    msgUIOptions021,
    msgUIOptions022,
    msgUIOptions023,
    msgUIOptions024,
    msgUIOptions025,
    msgUIAbout001,
    msgUIAbout002,
    msgUIAbout003,
    msgUIAbout004,
    msgUIAbout005,
    msgUIAbout006,
    msgSaveHistory,
    msgErrSaveHistory,
    msgErrWriteReport,
    msgErrDeleteRecord,
    msgErrSyncCloseDB,
    msgWrnTaskCut,
    msgWrnExpenseCut,
    msgWrnRouteCut,
    msgWrnContactCut,
    msgWrnMemoCut,
    msgWrnMoreCut,
    msgReportUsage,
    msgReportUsage2,
    msgReportUsage3,
    msgReportUsage4,
    msgReportUsage5,
    msgReportUsage6,
    msgReportBadArgument,
    msgReportCannotRead,
    msgReportNotDatabase,
    msgReportNotLedgerly,
    msgReportBadSettings,
    msgReportNoSettings,
    msgReportNoUser,
    msgReportRefused,
    msgReportDone,
    msgReportCannotCreateFolder,
    msgReportNotFolder,
    msgReportSettingRange,
    msgReportUserNotUtf8,
    msgReportUserNotCp1252,
    msgReportRefusedCount,
    msgReportUnchanged,
    kMessageCount
};

struct MessageEntry {
    const char* key;          // name in the message file
    const char* builtInText;  // German default
    const char* text;         // current text
};

// The one table, in load order.
extern MessageEntry MessageCatalog[kMessageCount];

// Current text of an entry.
inline const char* Msg(MessageKey key) { return MessageCatalog[key].text; }

// Replaces an entry's text by a copy of value with its escapes resolved
// (\n, \r, \t; a backslash before any other character gives that character;
// a trailing backslash is dropped). An empty value leaves the entry unchanged.
void SetMessageText(MessageKey key, const char* value);

// Resolves the escapes of text in place.
void ResolveEscapes(char* text);

// Puts every entry back to its built-in text.
void ResetMessageTexts();

// Conduit name, product texts of the about dialog and the maker's web page:
// fixed, not translatable.
extern const char kConduitName[];    // "Ledgerly"
extern const char kAboutNotice[];    // notice line of the about dialog
extern const char kMakerHomePage[];  // web page opened from the about dialog

// Access to a message file: reading its values, the user's language code and
// showing a fault. The conduit reads through the Windows profile functions
// and shows message boxes; other programs bring their own reader.
class MessageFile {
  public:
    // Whether the file is there to be read.
    virtual bool Exists() = 0;
    // Reads key of section into buffer (size bytes): the value terminated
    // within the buffer, empty when the key is missing, as
    // GetPrivateProfileStringA does with an empty default.
    virtual void ReadString(const char* section, const char* key, char* buffer, uint32_t size) = 0;
    // Reads key of section as a number, defaultValue when it is missing, as
    // GetPrivateProfileIntA does.
    virtual uint32_t ReadInt(const char* section, const char* key, int32_t defaultValue) = 0;
    // The user's language code (such as DEU) into buffer, empty if unknown.
    virtual void UserLanguage(char* buffer, uint32_t size) = 0;
    // Tells the user that the file is missing or not valid.
    virtual void ShowFault(const char* text) = 0;

  protected:
    ~MessageFile() = default;
};

// Validates the message file (a fault names the first failing check and
// keeps the texts), chooses the language (the user's when the file offers it,
// else its DefaultLanguage, else none) and loads that language's texts.
void LoadMessageFile(MessageFile& file);
// Loads every entry from section of the message file.
void LoadMessageTexts(MessageFile& file, const char* section);

#ifdef _WIN32
#include <windows.h>
// Loads the texts of the user's language from "conduit.nls" beside the
// library module, after validating the file (a message box names the fault).
void LoadMessageFile(HINSTANCE module);
// Loads every entry from section of the message file at path.
void LoadMessageTexts(const char* path, const char* section);
#endif
