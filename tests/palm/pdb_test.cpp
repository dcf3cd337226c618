// The .pdb description that pdbtool dumps and builds (the example handheld
// is built from one): records and texts read as written, and a dump that
// builds back the same file byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "palm/pdb.h"
#include "palm/text.h"

namespace {

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

}  // namespace
