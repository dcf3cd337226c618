// tessel-report natively, as a Linux user runs it (under ASan and UBSan in
// the native build): backups laid out as the HotSync manager lays them out,
// settings files, users, bad arguments and files that cannot be read or
// written; the exit status, the messages, the reports, and a backup that is
// never written. That its reports are the library's own is checked by the
// HotSync cases under Wine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
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

void WriteDatabase(const fs::path& path, const std::string& description) {
    palm::Database db;
    std::string error;
    ASSERT_TRUE(palm::ParseDescription(description, "db", db, error)) << error;
    ASSERT_TRUE(palm::WriteFile(path.string(), db, error)) << error;
}

class ReportCommand : public ::testing::TestWithParam<FileCase> {};

TEST_P(ReportCommand, EndsAsItShouldAndNeverWritesTheBackup) {
    const fs::path root = fs::temp_directory_path() / ("tessel-report-" + GetParam().name);
    fs::remove_all(root);
    fs::path folder = root / "b", out;
    std::string database, user, settings, limit, messages, error;
    std::vector<std::pair<std::string, std::string>> prefilled;  // report, its bytes
    int status = -1;
    for (const auto& command : GetParam().commands) {
        SCOPED_TRACE("report_cases.txt:" + std::to_string(command.first) + ": " + command.second);
        std::vector<Word> w;
        SplitWords(command.second, w, error, false);
        auto text = [&](size_t i) { return i < w.size() ? w[i].text : std::string(); };
        const std::string& verb = w[0].text;
        if (verb == "folder") folder = root / text(1);
        if (verb == "records") database = std::string(kHeader) + kRecords;
        if (verb == "long-records") database = kHeader;
        for (int i = 0; verb == "long-records" && i < std::stoi(text(1)); ++i) {
            database += "record cat=4 \"4.1.01,K,P," + std::string(81, 't') + "\"\n";
        }
        if (verb == "database") database = text(1);
        if (verb == "prefill") prefilled.push_back({text(1), text(2)});
        if (verb == "user") user = text(1);
        if (verb == "settings") settings += text(1);
        if (verb == "limit") limit = "trap '' XFSZ; ulimit -f " + text(1) + "; ";
        if (verb == "status") {
            EXPECT_EQ(status, std::stoi(text(1))) << messages;
        } else if (verb == "message") {
            EXPECT_NE(messages.find(text(1)), std::string::npos) << messages;
        }
        if (verb == "report") {
            EXPECT_TRUE(fs::exists(out / text(1))) << messages;
            EXPECT_NE(Slurp(out / text(1)).find(text(2)), std::string::npos);
        }
        if (verb == "unchanged") {
            std::error_code missing;
            size_t files = 0;
            for (auto e = fs::directory_iterator(out, missing); e != fs::directory_iterator(); ++e)
                ++files;
            EXPECT_EQ(files, prefilled.size()) << "a partial file was left";
            for (const auto& p : prefilled) EXPECT_EQ(Slurp(out / p.first), p.second) << p.first;
        }
        if (verb != "run") continue;
        const fs::path pdb = folder / "Ledgerly_DB.pdb";
        fs::create_directories(folder);
        WriteDatabase(pdb, database);
        WriteDatabase(folder / "LedgerlyAux_DB.pdb",
                      "name \"LedgerlyAux_DB\"\nrecord cat=14 \"UID=U-17\"\n");
        if (!user.empty()) Spill(folder / "User.txt", user);
        if (!settings.empty()) Spill(folder / "settings.reg", settings);
        out = text(2).empty() ? fs::path() : root / text(2);
        for (const auto& p : prefilled) Spill(out / p.first, p.second);
        std::string args = text(1);
        if (args.find("$S") != std::string::npos) {
            args.replace(args.find("$S"), 2, "'" + (folder / "settings.reg").string() + "'");
        }
        const std::string before = Slurp(pdb);
        struct stat was, is;
        stat(pdb.c_str(), &was);
        messages.clear();
        const std::string line =
            "cd '" + folder.string() + "' && " + limit + "LANG=C LC_ALL= LC_MESSAGES= '" +
            TESSEL_REPORT + "' " + args +
            (out.empty() ? "" : " '" + pdb.string() + "' '" + out.string() + "'");
        std::FILE* pipe = popen((line + " 2>&1").c_str(), "r");
        char buffer[4096];
        for (size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            messages.append(buffer, n);
        status = pipe == nullptr ? -1 : WEXITSTATUS(pclose(pipe));
        stat(pdb.c_str(), &is);
        EXPECT_EQ(Slurp(pdb), before);
        EXPECT_EQ(is.st_mtime, was.st_mtime);
    }
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Backups, ReportCommand, ::testing::ValuesIn(ReadCaseFile(REPORT_CASES)),
                         [](const auto& info) { return info.param.name; });

}  // namespace
