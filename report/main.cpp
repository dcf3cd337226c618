// tessel-report: the conduit's five reports from a handheld backup, without
// a HotSync. It fills the conduit's module-wide state as a HotSync would
// (the settings, the HotSync user, the handheld's properties, the report
// files) and hands every record to the conduit's own conversion, so the
// reports are byte for byte those of Tessel20.dll. The backup is only read.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "messages.h"
#include "palm/pdb.h"
#include "properties.h"
#include "records.h"
#include "report_files.h"
#include "report_texts.h"
#include "session.h"
#include "settings.h"

namespace {

struct Options {
    std::string settings, user, database, folder;
    bool userGiven = false, modified = false, append = false;
};

// Exit statuses.
constexpr int kWritten = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;

void Usage() {
    for (MessageKey key : {msgReportUsage, msgReportUsage2, msgReportUsage3, msgReportUsage4}) {
        LogMessage(Msg(key));
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
        } else if (arg == "--") {
            for (++i; i < argc; ++i) plain.push_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            LogMessage(Msg(msgReportBadArgument), SystemText(arg).c_str());
            Usage();
            return false;
        } else {
            plain.push_back(arg);
        }
    }
    if (plain.size() != 2) {
        Usage();
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
// folders). Cut to 63 bytes, as the Sync Manager hands it over.
bool FindUser(const Options& o, std::string& user) {
    if (o.userGiven) {
        user = ToCp1252(o.user);
    } else {
        std::vector<uint8_t> bytes;
        std::string error;
        const std::string folder = FolderOf(o.database);
        if (palm::ReadBytes(JoinPath(folder, "User.txt"), bytes, error)) {
            user.assign(bytes.begin(), bytes.end());
            user = user.substr(0, user.find_first_of(std::string("\r\n\0", 3)));
        } else if (EqualIgnoringCase(NameOf(folder), "Backup")) {
            user = ToCp1252(NameOf(FolderOf(folder)));
        }
    }
    if (user.empty()) {
        LogMessage(Msg(msgReportNoUser));
        return false;
    }
    if (user.size() > kIdSize - 1) user.resize(kIdSize - 1);
    std::snprintf(pilotId, sizeof pilotId, "%s", user.c_str());
    return true;
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

// The record's text for a message: up to its first zero byte.
std::string RecordText(const palm::Record& r) {
    std::string text(r.data.begin(), r.data.end());
    return text.substr(0, text.find('\0'));
}

int Run(const Options& o) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(o.database, bytes)) return kFailed;
    palm::Database db;
    std::string error;
    if (!palm::Parse(bytes.data(), bytes.size(), o.database, db, error)) {
        const std::string fault = error.substr(error.find(": ") + 2);
        LogMessage(Msg(msgReportNotDatabase), SystemText(o.database).c_str(), fault.c_str());
        return kFailed;
    }
    if (db.Name() != "Ledgerly_DB") {
        LogMessage(Msg(msgReportNotLedgerly), SystemText(o.database).c_str(), db.Name().c_str());
        return kFailed;
    }

    ConduitSettings = DefaultSettings();
    if (!o.settings.empty()) {
        std::vector<uint8_t> settings;
        if (!ReadFileBytes(o.settings, settings) || !LoadSettingsExport(settings, o.settings)) {
            return kFailed;
        }
    }
    std::string user;
    if (!FindUser(o, user)) return kBadArguments;
    LoadProperties(o);

    // Each flag overrides its half of the backup method.
    const bool modifiedOnly = o.modified || ConduitSettings.SyncBackupMethod == 1;
    const bool append = o.append || ConduitSettings.SyncBackupMethod == 1;
    ConduitSettings.SyncBackupMethod = append ? 1 : 0;

    const std::string folder = ToCp1252(o.folder);
    char failedPath[kPathSize] = "";
    char reason[ReportStream::kReasonSize] = "";
    if (!OpenReportFiles(folder.c_str(), failedPath, reason)) {
        if (failedPath[0] != '\0') LogMessage(Msg(msgErrWriteReport), failedPath, reason);
        LogMessage(Msg(msgErrOpenDataFiles));
        return kFailed;
    }
    if (!BeginReportPass(false)) {
        DiscardReportFiles();
        return kFailed;
    }
    int written = 0;
    for (size_t i = 0; i < db.records.size(); ++i) {
        const palm::Record& r = db.records[i];
        if (modifiedOnly && !(r.flags & palm::kRecDirty)) continue;
        if (ConvertRecord(reinterpret_cast<const char*>(r.data.data()), r.category,
                          r.data.size()) == 0) {
            if (AnyReportFailed()) {
                LogReportFailures();
            } else {
                LogMessage(Msg(msgReportRefused), std::to_string(i).c_str(), RecordText(r).c_str());
            }
            CloseReportFiles();
            return kFailed;
        }
        ++written;
    }
    if (!CloseReportFiles()) {
        LogReportFailures();
        return kFailed;
    }
    LogMessage(Msg(msgReportDone), std::to_string(written).c_str(), folder.c_str());
    return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
    LoadCommandTexts(argc > 0 ? argv[0] : "");
    Options o;
    if (!ParseArguments(argc, argv, o)) return kBadArguments;
    return Run(o);
}
