// tessel-report: the conduit's five reports from a handheld backup, without
// a HotSync. It fills the conduit's module-wide state as a HotSync would
// (the settings, the HotSync user, the handheld's properties, the report
// files) and hands every record to the conduit's own conversion, so the
// reports are byte for byte those of Tessel20.dll. The backup is only read:
// once, mapped or into one buffer, and its records are converted where they
// lie.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "backup_file.h"
#include "command_messages.h"
#include "console.h"
#include "messages.h"
#include "palm/pdb.h"
#include "properties.h"
#include "records.h"
#include "report_files.h"
#include "report_paths.h"
#include "session.h"
#include "settings.h"
#include "settings_export.h"
#include "staged_reports.h"
#include "system_text.h"
#include "texts.h"

namespace {

struct Options {
    std::string settings, user, database, folder;
    bool userGiven = false, modified = false, append = false, skipRefused = false;
    bool help = false, version = false;
};

// Exit statuses, as the usage text lists them.
constexpr int kWritten = 0;
constexpr int kRefused = 1;
constexpr int kBadArguments = 2;
constexpr int kUnknownUser = 3;
constexpr int kCannotRead = 4;
constexpr int kNotABackup = 5;
constexpr int kCannotWrite = 6;

void Usage(void (*print)(const char*)) {
    for (MessageKey key : {msgReportUsage, msgReportUsage2, msgReportUsage3, msgReportUsage4,
                           msgReportUsage5, msgReportUsage6}) {
        print(Msg(key));
    }
}

// Parses the arguments; on a fault prints it and the usage text.
bool ParseArguments(int argc, char** argv, Options& o) {
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--settings" || arg == "--user") && i + 1 < argc && argv[i + 1][0] != '\0') {
            (arg == "--settings" ? o.settings : o.user) = argv[++i];
            if (arg == "--user") o.userGiven = true;
        } else if (arg == "--modified") {
            o.modified = true;
        } else if (arg == "--append") {
            o.append = true;
        } else if (arg == "--skip-refused") {
            o.skipRefused = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--") {
            for (++i; i < argc; ++i) plain.push_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            LogMessage(Msg(msgReportBadArgument), SystemText(arg).c_str());
            Usage(PrintLine);
            return false;
        } else {
            plain.push_back(arg);
        }
    }
    if (o.help || o.version) return true;
    if (plain.size() != 2) {
        Usage(PrintLine);
        return false;
    }
    o.database = plain[0];
    o.folder = plain[1];
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
    std::string error;
    if (palm::ReadBytes(path, bytes, error)) return true;
    LogMessage(Msg(msgReportCannotRead), SystemText(path).c_str(), SystemReason(errno).c_str());
    return false;
}

// The HotSync user: --user, else the first line of User.txt beside the
// database, else the folder above a folder named Backup
// (<user>\Backup\Ledgerly_DB.pdb, as the HotSync manager lays out its
// folders), in the user's encoding. Cut to 63 bytes of Windows-1252, as the
// Sync Manager hands it over.
int FindUser(const Options& o) {
    std::string name, where;
    const std::string folder = FolderOf(o.database);
    std::vector<uint8_t> bytes;
    std::string error;
    if (o.userGiven) {
        name = o.user, where = "--user";
    } else if (palm::ReadBytes(JoinPath(folder, "User.txt"), bytes, error)) {
        name.assign(bytes.begin(), bytes.end());
        name = name.substr(0, name.find_first_of(std::string("\r\n\0", 3)));
        where = JoinPath(folder, "User.txt");
    } else if (EqualFoldingAZ(NameOf(folder).c_str(), "Backup")) {
        name = NameOf(FolderOf(folder)), where = FolderOf(folder);
    }
    if (name.empty()) {
        LogMessage(Msg(msgReportNoUser));
        return kUnknownUser;
    }
    std::string user, character;
    switch (NameToCp1252(name, user, character)) {
        case NameFault::NotUtf8:
            LogMessage(Msg(msgReportUserNotUtf8), SystemText(where).c_str());
            return kUnknownUser;
        case NameFault::NoCharacter:
            LogMessage(Msg(msgReportUserNotCp1252), ToCp1252(name).c_str(), character.c_str());
            return kUnknownUser;
        case NameFault::None:
            break;
    }
    if (user.size() > kIdSize - 1) user.resize(kIdSize - 1);
    std::snprintf(pilotId, sizeof pilotId, "%s", user.c_str());
    return kWritten;
}

// The handheld's properties from LedgerlyAux_DB.pdb beside the database,
// when there is one that can be read, and the "UID" they give.
void LoadProperties(const Options& o) {
    handheldProperties.Clear();
    palm::Database aux;
    std::string error;
    if (palm::ReadFile(JoinPath(FolderOf(o.database), std::string(kPropertyDatabase) + ".pdb"), aux,
                       error)) {
        for (const palm::Record& r : aux.records) {
            if (r.category != kPropertyCategory) continue;
            handheldProperties.AddFromRecordData(reinterpret_cast<const char*>(r.data.data()),
                                                 r.data.size(), false);
        }
    }
    const char* uid = handheldProperties.Get("UID");
    std::snprintf(userId, sizeof userId, "%s", uid != nullptr ? uid : "");
}

// The start of a record's text for a message: up to its first zero byte, at
// most 40 bytes, line ends and tabs as blanks.
std::string RecordStart(const palm::RecordView& r) {
    constexpr size_t kShown = 40;
    std::string text(reinterpret_cast<const char*>(r.data), r.size);
    text = text.substr(0, text.find('\0'));
    if (text.size() > kShown) text = text.substr(0, kShown) + "...";
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    return text;
}

// Ends a run that changes no report.
int Unchanged(int status) {
    LogOtherCutWarnings();
    DiscardStagedReports();
    LogMessage(Msg(msgReportUnchanged));
    return status;
}

int Run(const Options& o) {
    BackupFile backup;
    if (!backup.Read(o.database)) {
        LogMessage(Msg(msgReportCannotRead), SystemText(o.database).c_str(),
                   SystemReason(errno).c_str());
        return kCannotRead;
    }
    palm::DatabaseView db;
    std::string error;
    if (!palm::ParseView(backup.Data(), backup.Size(), o.database, db, error)) {
        const std::string fault = error.substr(error.find(": ") + 2);
        LogMessage(Msg(msgReportNotDatabase), SystemText(o.database).c_str(), fault.c_str());
        return kNotABackup;
    }
    if (db.Name() != "Ledgerly_DB") {
        LogMessage(Msg(msgReportNotLedgerly), SystemText(o.database).c_str(), db.Name().c_str());
        return kNotABackup;
    }

    ConduitSettings = DefaultSettings();
    if (!o.settings.empty()) {
        std::vector<uint8_t> settings;
        if (!ReadFileBytes(o.settings, settings)) return kCannotRead;
        if (!LoadSettingsExport(settings, o.settings)) return kNotABackup;
    }
    const int user = FindUser(o);
    if (user != kWritten) return user;
    LoadProperties(o);

    // Each flag overrides its half of the backup method.
    const bool modifiedOnly = o.modified || ConduitSettings.SyncBackupMethod == 1;
    const bool append = o.append || ConduitSettings.SyncBackupMethod == 1;
    ConduitSettings.SyncBackupMethod = append ? 1 : 0;

    const std::string folder = ToCp1252(o.folder);
    if (!OpenStagedReports(folder, append)) return Unchanged(kCannotWrite);
    size_t written = 0, refused = 0;
    for (size_t i = 0; i < db.records.size(); ++i) {
        const palm::RecordView& r = db.records[i];
        if (modifiedOnly && !(r.flags & palm::kRecDirty)) continue;
        const Conversion result =
            ConvertRecordWithCause(reinterpret_cast<const char*>(r.data), r.category, r.size);
        if (result == Conversion::Written) {
            ++written;
            continue;
        }
        if (result == Conversion::WriteFailed) {
            LogReportFailures();
            return Unchanged(kCannotWrite);
        }
        LogMessage(Msg(msgReportRefused), std::to_string(i).c_str(), RecordStart(r).c_str());
        ++refused;
        if (!o.skipRefused) return Unchanged(kRefused);
    }
    LogOtherCutWarnings();
    if (!CommitStagedReports()) return kCannotWrite;
    LogMessage(Msg(msgReportDone), std::to_string(written).c_str(), folder.c_str());
    if (refused == 0) return kWritten;
    LogMessage(Msg(msgReportRefusedCount), std::to_string(refused).c_str());
    return kRefused;
}

}  // namespace

int main(int argc, char** argv) {
    LoadCommandTexts(argc > 0 ? argv[0] : "");
    Options o;
    if (!ParseArguments(argc, argv, o)) return kBadArguments;
    if (o.help) {
        Usage(PrintOutput);
        return kWritten;
    }
    if (o.version) {
        PrintOutput("tessel-report (Tessel) " TESSEL_VERSION);
        return kWritten;
    }
    return Run(o);
}
