// The .pdb description that pdbtool dumps and builds (the example handheld
// is built from one): records and texts read as written, and a dump that
// builds back the same file byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "palm/pdb.h"
#include "palm/text.h"

namespace {

palm::Database Sample() {
    palm::Database db;
    db.SetName("Sample_DB");
    db.header.attributes = 0x0008;
    db.header.creationDate = 3000000000u;
    db.header.type = palm::FourCC("DATA");
    db.header.creator = palm::FourCC("LDGY");
    db.header.uniqueIdSeed = 40;
    db.hasAppInfo = true;
    db.appInfo = {1, 2, 3, 4, 5};
    db.hasSortInfo = true;
    db.sortInfo = {9, 8};
    db.records.push_back({palm::kRecDirty, 1, 0x010203, {'a', 'b', 0}});
    db.records.push_back({0, 14, 7, {'U', 'I', 'D', '=', 'x', 0}});
    db.records.push_back({palm::kRecDeleted | palm::kRecSecret, 15, 0, {}});
    return db;
}

std::vector<uint8_t> Image(const palm::Database& db) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(palm::Serialize(db, bytes, error)) << error;
    return bytes;
}

TEST(Description, BuildsRecordsAndDescribesThemBack) {
    const std::string text =
        "\xEF\xBB\xBF# comment\n"
        "name \"Ledgerly_DB\"\r\n"
        "type \"DATA\"\ncreator \"LDGY\"\nattributes 0x0008\nversion 2\n"
        "created 2000-03-14T08:00:00\nmodnum 5\n"
        "appinfo \"\\x00\\x01\"\n"
        "record cat=1 flags=dirty \"M\xC3\xBCller, Rückfragen\\nNächster\"  # trailing comment\n"
        "record uid=1 cat=14 \"UID=U-17\"\n"
        "record cat=0 flags=dirty,secret \"raw\\x00\" noterm\n";
    palm::Database db;
    std::string error;
    ASSERT_TRUE(palm::ParseDescription(text, "d.txt", db, error)) << error;
    EXPECT_EQ(db.Name(), "Ledgerly_DB");
    EXPECT_EQ(db.header.version, 2);
    EXPECT_EQ(db.header.modificationNumber, 5u);
    ASSERT_EQ(db.records.size(), 3u);
    EXPECT_EQ(std::string(db.records[0].data.begin(), db.records[0].data.end()),
              std::string("M\xFCller, R\xFC"
                          "ckfragen\nN\xE4"
                          "chster",
                          27) +
                  '\0');
    EXPECT_EQ(db.records[0].uniqueId, 2u);  // 1 is taken by the explicit uid
    EXPECT_EQ(db.records[1].uniqueId, 1u);
    EXPECT_EQ(db.records[2].uniqueId, 3u);
    EXPECT_EQ(db.header.uniqueIdSeed, 4u);
    EXPECT_EQ(db.records[2].data, (std::vector<uint8_t>{'r', 'a', 'w', 0}));
    EXPECT_EQ(db.records[2].flags, palm::kRecDirty | palm::kRecSecret);

    palm::Database again;
    ASSERT_TRUE(palm::ParseDescription(palm::Describe(db), "dump", again, error)) << error;
    EXPECT_EQ(Image(again), Image(db));
    EXPECT_NE(palm::Describe(db).find("record index=0 uid=2 cat=1 flags=dirty \"M\xC3\xBCller"),
              std::string::npos);
}

// A header name field as a handheld leaves it: the name, its zero byte, and
// whatever the 32 bytes held before.
struct NameField {
    const char* name;    // test name
    const char* field;   // the 32 bytes of the header's name field
    bool tailDirective;  // the dump needs a nametail line
};

const NameField kNameFields[] = {
    {"ZeroPadded", "Ledgerly_DB\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", false},
    {"OldNameAfterTheZero", "Memo\0DB\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", true},
    {"LastByteOnly", "Ledgerly_DB\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01", true},
    {"ZerosInsideTheTail", "A\0\xFF\0\0\xFF\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
     true},
    {"EscapedBytes", "DB\0\x81\x8D\xA0\xAD\n\r\t\"\\\x7F\xFC\xE4\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
     true},
    {"TailFillsTheField",
     "A\0\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE"
     "\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE",
     true},
    {"LongestName", "0123456789012345678901234567890\0", false},
};

class DumpThenBuild : public testing::TestWithParam<NameField> {};

TEST_P(DumpThenBuild, KeepsTheNameFieldByteForByte) {
    palm::Database db = Sample();
    std::memcpy(db.header.name, GetParam().field, sizeof db.header.name);
    std::vector<uint8_t> file = Image(db);
    palm::Database read;
    std::string error;
    ASSERT_TRUE(palm::Parse(file.data(), file.size(), "x.pdb", read, error)) << error;

    std::string dump = palm::Describe(read);
    EXPECT_EQ(dump.find("\nnametail ") != std::string::npos, GetParam().tailDirective) << dump;
    palm::Database built;
    ASSERT_TRUE(palm::ParseDescription(dump, "dump", built, error)) << error;
    EXPECT_EQ(Image(built), file);
}

INSTANTIATE_TEST_SUITE_P(NameFields, DumpThenBuild, testing::ValuesIn(kNameFields),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
