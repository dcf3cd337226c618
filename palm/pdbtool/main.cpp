// pdbtool: dumps .pdb databases as text and builds them from text descriptions.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "palm/pdb.h"
#include "palm/text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char kUsage[] =
    "usage: pdbtool dump FILE.pdb          print the database as a description\n"
    "       pdbtool check FILE.pdb...      check databases, one line each (unique ids\n"
    "                                      that are 0 or repeated are faults)\n"
    "       pdbtool build DESC.txt OUT.pdb build a database from a description\n"
    "       pdbtool text IN.txt OUT        convert a UTF-8 text file to Windows-1252\n"
    "Exit status: 0 done, 1 a file could not be read, parsed or written, 2 bad arguments.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int Fail(const std::string& error) {
    std::fprintf(stderr, "pdbtool: %s\n", error.c_str());
    return 1;
}

bool ReadText(const std::string& path, std::string& text, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!palm::ReadBytes(path, bytes, error)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

int Dump(const std::string& path) {
    palm::Database db;
    std::string error;
    if (!palm::ReadFile(path, db, error)) return Fail(error);
    std::string text = "# " + path + "\n" + palm::Describe(db);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// One line per file: "ok" and the number of records, or what is wrong with
// it. Unique ids that are 0 or repeated count as faults: a handheld never
// writes them, and a Sync Manager deletes records by their ids.
int Check(int count, char** paths) {
    int status = 0;
    for (int i = 0; i < count; ++i) {
        palm::Database db;
        std::string error;
        if (!palm::ReadFile(paths[i], db, error)) {
            std::printf("%s\n", error.c_str());
            status = 1;
            continue;
        }
        const size_t n = db.records.size();
        const std::string records = std::to_string(n) + (n == 1 ? " record" : " records");
        const std::vector<std::string> faults = palm::UniqueIdFaults(db);
        if (faults.empty()) {
            std::printf("%s: ok, %s\n", paths[i], records.c_str());
            continue;
        }
        std::string text = std::string(paths[i]) + ": " + records;
        for (const std::string& fault : faults) text += "; " + fault;
        std::printf("%s\n", text.c_str());
        status = 1;
    }
    return status;
}

int Build(const std::string& descPath, const std::string& outPath) {
    std::string text, error;
    palm::Database db;
    if (!ReadText(descPath, text, error) || !palm::ParseDescription(text, descPath, db, error) ||
        !palm::WriteFile(outPath, db, error)) {
        return Fail(error);
    }
    return 0;
}

int ConvertText(const std::string& inPath, const std::string& outPath) {
    std::string text, converted, error;
    if (!ReadText(inPath, text, error)) return Fail(error);
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    if (!palm::Utf8ToCp1252(text, converted, error)) return Fail(inPath + ": " + error);
    if (!palm::WriteBytesAtomically(
            outPath, std::vector<uint8_t>(converted.begin(), converted.end()), error)) {
        return Fail(error);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc < 2) return Usage();
    std::string command = argv[1];
    if (command == "dump" && argc == 3) return Dump(argv[2]);
    if (command == "check" && argc >= 3) return Check(argc - 2, argv + 2);
    if (command == "build" && argc == 4) return Build(argv[2], argv[3]);
    if (command == "text" && argc == 4) return ConvertText(argv[2], argv[3]);
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return Usage();
}
