// Interoperability with Debian's Palm::PDB (Perl), one round trip: a file it
// writes is read here and written back byte for byte, and what is written
// here after a change is what it reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "palm/pdb.h"
#include "palm/text.h"

namespace {

std::string Perl(const std::string& args) {
    std::string output;
    if (std::FILE* pipe =
            popen((std::string(PERL) + " " + INTEROP_SCRIPT + " " + args).c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0) << args;
    }
    return output;
}

TEST(Interop, ReadsAndRewritesWhatPalmPdbWritesAndReads) {
    const std::string path = "/tmp/palm_interop_" + std::to_string(getpid()) + ".pdb";
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

    std::vector<uint8_t> original, rewritten;
    ASSERT_TRUE(palm::ReadBytes(path, original, error));
    ASSERT_TRUE(palm::Serialize(db, rewritten, error));
    EXPECT_EQ(rewritten, original);

    db.records.erase(db.records.begin());
    ASSERT_TRUE(palm::WriteFile(path, db, error)) << error;
    EXPECT_EQ(Perl("read " + path),
              "Interop_DB|DATA|LDGY|4|42|2|415050494e464f0001\n"
              "102|2|0|0|5549443d552d313700\n"
              "103|14|1|1|62696e617279000102ff\n");
    std::remove(path.c_str());
}

}  // namespace
