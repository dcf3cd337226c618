// Interoperability with Debian's Palm::PDB (Perl): files it writes are read
// here, files written here are read by it, and pdbtool builds what it reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "palm/pdb.h"
#include "palm/text.h"

namespace {

std::string Shell(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0) << command;
    }
    return output;
}

// A file name in /tmp of this process's own.
std::string Temp(const std::string& name) {
    return "/tmp/palm_interop_" + std::to_string(getpid()) + "_" + name;
}

std::string Perl(const std::string& args) {
    return Shell(std::string(PERL) + " " + INTEROP_SCRIPT + " " + args);
}

TEST(Interop, ReadsWhatPalmPdbWrites) {
    const std::string path = Temp("from_perl.pdb");
    Perl("write " + path);
    palm::Database db;
    std::string error;
    ASSERT_TRUE(palm::ReadFile(path, db, error)) << error;
    EXPECT_EQ(db.Name(), "Interop_DB");
    EXPECT_EQ(palm::FourCCText(db.header.type), "DATA");
    EXPECT_EQ(palm::FourCCText(db.header.creator), "LDGY");
    EXPECT_EQ(db.header.version, 4);
    EXPECT_EQ(db.header.attributes, 0x0008);
    EXPECT_EQ(db.header.modificationNumber, 42u);
    EXPECT_EQ(std::string(db.appInfo.begin(), db.appInfo.end()), std::string("APPINFO\0\1", 9));
    ASSERT_EQ(db.records.size(), 3u);
    EXPECT_EQ(db.records[0].uniqueId, 101u);
    EXPECT_EQ(db.records[0].category, 1);
    EXPECT_EQ(db.records[0].flags, palm::kRecDirty);
    EXPECT_EQ(std::string(db.records[0].data.begin(), db.records[0].data.end()),
              std::string("14.3.00,9:05,1:30,M\xFCller GmbH", 29) + '\0');
    EXPECT_EQ(db.records[1].flags, 0);
    EXPECT_EQ(db.records[2].category, 14);
    EXPECT_EQ(db.records[2].data.back(), 0xFF);

    // Rewriting keeps every byte of what Palm::PDB wrote.
    std::vector<uint8_t> original, rewritten;
    ASSERT_TRUE(palm::ReadBytes(path, original, error));
    ASSERT_TRUE(palm::Serialize(db, rewritten, error));
    EXPECT_EQ(rewritten, original);
    std::remove(path.c_str());
}

TEST(Interop, PalmPdbReadsWhatThisLibraryAndPdbtoolWrite) {
    const std::string desc = Temp("desc.txt"), path = Temp("to_perl.pdb");
    if (std::FILE* f = std::fopen(desc.c_str(), "wb")) {
        std::fputs(
            "name \"To_Perl\"\ntype \"DATA\"\ncreator \"LDGY\"\nversion 1\nmodnum 9\n"
            "record uid=7 cat=1 flags=dirty \"Stra\xC3\x9F"
            "e\"\n"
            "record uid=8 cat=14 flags=secret \"UID=U-17\"\n",
            f);
        std::fclose(f);
    }
    ASSERT_EQ(Shell(std::string(PDBTOOL) + " build " + desc + " " + path), "");
    EXPECT_EQ(Perl("read " + path),
              "To_Perl|DATA|LDGY|1|9|2|\n"
              "7|1|1|0|53747261df6500\n"
              "8|14|0|1|5549443d552d313700\n");

    palm::Database db;
    std::string error;
    ASSERT_TRUE(palm::ReadFile(path, db, error)) << error;
    db.records.erase(db.records.begin());
    ASSERT_TRUE(palm::WriteFile(path, db, error)) << error;
    EXPECT_EQ(Perl("read " + path), "To_Perl|DATA|LDGY|1|9|1|\n8|14|0|1|5549443d552d313700\n");
    std::remove(desc.c_str());
    std::remove(path.c_str());
}

}  // namespace
