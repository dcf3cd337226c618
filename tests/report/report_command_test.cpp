// tessel-report natively, as a Linux user runs it (under ASan and UBSan in
// the native build): backups laid out as the HotSync manager lays them out,
// settings files, users, bad arguments and files that cannot be read or
// written; the exit status, the messages, the reports, and a backup that is
// never written. That its reports are the library's own is checked by the
// HotSync cases under Wine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "case_file.h"
#include "palm/pdb.h"
#include "palm/text.h"

namespace fs = std::filesystem;

namespace {

const char kHeader[] = "name \"Ledgerly_DB\"\ntype \"DATA\"\ncreator \"LDGY\"\n";
const char kRecords[] =
    "record cat=1 flags=dirty \"14.3.00,9:05,1:30,Müller GmbH,Website,Design,Logo\"\n"
    "record cat=4 flags=- \"4.1.01,K,P,T,schon gesichert\"\n"
    "record cat=5 flags=dirty \"5.1.01,K,P,T,$0001A2F3:Diri Deziz,Rückruf\"\n";

struct CommandCase {
    std::string name, folder = "b", database, perl, user, settings, limit, args, out, report, has;
    std::vector<std::string> messages;
    std::vector<std::pair<std::string, std::string>> prefilled;  // report, its bytes
    int status = 0;
};

std::vector<CommandCase> Cases() {
    std::vector<CommandCase> cases;
    for (const FileCase& f : ReadCaseFile(REPORT_CASES)) {
        CommandCase c;
        c.name = f.name;
        for (const auto& command : f.commands) {
            std::vector<Word> w;
            std::string error;
            SplitWords(command.second, w, error, false);
            auto text = [&](size_t i) { return i < w.size() ? w[i].text : std::string(); };
            const std::string& verb = w[0].text;
            if (verb == "folder") c.folder = text(1);
            if (verb == "records") c.database = std::string(kHeader) + kRecords;
            if (verb == "no-records") c.database = kHeader;
            for (int i = 0; verb == "long-records" && i < std::stoi(text(1)); ++i) {
                c.database += "record cat=4 \"4.1.01,K,P," + std::string(81, 't') + "\"\n";
            }
            if (verb == "long-records") c.database = kHeader + c.database;
            if (verb == "database") c.database = text(1);
            if (verb == "perl") c.perl = text(1);
            if (verb == "prefill") c.prefilled.push_back({text(1), text(2)});
            if (verb == "user") c.user = text(1);
            if (verb == "settings") c.settings += text(1);
            if (verb == "limit") c.limit = "trap '' XFSZ; ulimit -f " + text(1) + "; ";
            if (verb == "run") c.args = text(1), c.out = text(2);
            if (verb == "status") c.status = std::stoi(text(1));
            if (verb == "message") c.messages.push_back(text(1));
            if (verb == "report") c.report = text(1), c.has = text(2);
        }
        cases.push_back(c);
    }
    return cases;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void Spill(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs a shell command line; its exit status, and what it printed.
int Shell(const std::string& command, std::string* printed) {
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        printed->append(buffer, n);
    return pipe == nullptr ? -1 : WEXITSTATUS(pclose(pipe));
}

void PrintTo(const CommandCase& c, std::ostream* out) { *out << c.name; }

class ReportCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ReportCommand, EndsAsItShouldAndNeverWritesTheBackup) {
    const CommandCase& c = GetParam();
    const fs::path root = fs::temp_directory_path() / ("tessel-report-" + c.name);
    fs::remove_all(root);
    const fs::path folder = root / c.folder;
    const fs::path database = folder / "Ledgerly_DB.pdb";
    palm::Database db;
    std::string error, messages;
    fs::create_directories(folder);
    if (c.perl.empty()) {
        ASSERT_TRUE(palm::ParseDescription(c.database, c.name, db, error)) << error;
        ASSERT_TRUE(palm::WriteFile(database.string(), db, error)) << error;
    } else {
        ASSERT_EQ(Shell(std::string(PERL) + " -MPalm::PDB -MPalm::Raw -e '$p = Palm::Raw->new; " +
                            c.perl + " $p->Write(shift)' '" + database.string() + "'",
                        &messages),
                  0)
            << messages;
    }
    ASSERT_TRUE(palm::ParseDescription("name \"LedgerlyAux_DB\"\nrecord cat=14 \"UID=U-17\"\n",
                                       "aux", db, error));
    ASSERT_TRUE(palm::WriteFile((folder / "LedgerlyAux_DB.pdb").string(), db, error));
    if (!c.user.empty()) Spill(folder / "User.txt", c.user);
    if (!c.settings.empty()) Spill(folder / "settings.reg", c.settings);
    const fs::path out = root / c.out;
    for (const auto& p : c.prefilled) Spill(out / p.first, p.second);
    const std::string before = Slurp(database);
    struct stat was, is;
    stat(database.c_str(), &was);

    std::string args = c.args;
    if (args.find("$S") != std::string::npos) {
        args.replace(args.find("$S"), 2, "'" + (folder / "settings.reg").string() + "'");
    }
    messages.clear();
    const int status =
        Shell("cd '" + folder.string() + "' && " + c.limit + "LANG=C LC_ALL= LC_MESSAGES= '" +
                  TESSEL_REPORT + "' " + args +
                  (c.out.empty() ? "" : " '" + database.string() + "' '" + out.string() + "'"),
              &messages);
    EXPECT_EQ(status, c.status) << messages;
    for (const std::string& m : c.messages) EXPECT_NE(messages.find(m), std::string::npos) << m;

    if (!c.report.empty()) {
        EXPECT_TRUE(fs::exists(out / c.report)) << messages;
        EXPECT_NE(Slurp(out / c.report).find(c.has), std::string::npos);
    } else if (!c.out.empty() && fs::exists(out)) {
        size_t files = 0;
        for (auto entry = fs::directory_iterator(out); entry != fs::directory_iterator(); ++entry)
            ++files;
        EXPECT_EQ(files, c.prefilled.size()) << "a partial file was left";
        for (const auto& p : c.prefilled) EXPECT_EQ(Slurp(out / p.first), p.second) << p.first;
    }
    stat(database.c_str(), &is);
    EXPECT_EQ(Slurp(database), before);
    EXPECT_EQ(is.st_mtime, was.st_mtime);
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Backups, ReportCommand, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
