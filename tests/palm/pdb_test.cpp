// The .pdb library: file images, faults, atomic writes, descriptions, dates.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../../palm/sync20/live_index.h"
#include "palm/pdb.h"
#include "palm/text.h"

namespace {

palm::Database Sample() {
    palm::Database db;
    db.SetName("Sample_DB");
    db.header.attributes = 0x0008;
    db.header.version = 3;
    db.header.creationDate = 3000000000u;
    db.header.modificationDate = 3000000100u;
    db.header.backupDate = 12345;
    db.header.modificationNumber = 77;
    db.header.type = palm::FourCC("DATA");
    db.header.creator = palm::FourCC("LDGY");
    db.header.uniqueIdSeed = 40;
    db.hasAppInfo = true;
    db.appInfo = {1, 2, 3, 4, 5};
    db.hasSortInfo = true;
    db.sortInfo = {9, 8};
    db.records.push_back({palm::kRecDirty, 1, 0x010203, {'a', 'b', 0}});
    db.records.push_back({0, 14, 7, {'U', 'I', 'D', '=', 'x', 0}});
    db.records.push_back({palm::kRecDeleted | palm::kRecSecret, 15, 0xFFFFFF, {}});
    return db;
}

std::vector<uint8_t> Image(const palm::Database& db) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(palm::Serialize(db, bytes, error)) << error;
    return bytes;
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = v >> 24;
    b[at + 1] = v >> 16 & 0xFF;
    b[at + 2] = v >> 8 & 0xFF;
    b[at + 3] = v & 0xFF;
}

std::string ParseError(const std::vector<uint8_t>& bytes) {
    palm::Database db;
    std::string error;
    EXPECT_FALSE(palm::Parse(bytes.data(), bytes.size(), "bad.pdb", db, error));
    return error;
}

std::string TempPath(const std::string& name) {
#ifdef _WIN32
    const char* dir = std::getenv("TEMP");
    return std::string(dir ? dir : ".") + "\\" + name;
#else
    return "/tmp/" + name;
#endif
}

bool Exists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

TEST(PdbImage, LayoutFieldsAndRoundTripByteForByte) {
    std::vector<uint8_t> bytes = Image(Sample());
    ASSERT_EQ(bytes.size(), 78u + 3 * 8 + 2 + 5 + 2 + 3 + 6);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), "Sample_DB");
    EXPECT_EQ(bytes[76], 0);
    EXPECT_EQ(bytes[77], 3);  // record count
    // First entry: offset after header, list, padding, appInfo and sortInfo.
    EXPECT_EQ(bytes[78 + 3], 78 + 24 + 2 + 5 + 2);
    EXPECT_EQ(bytes[78 + 4], 0x41);  // dirty, category 1
    EXPECT_EQ(bytes[78 + 8 + 4], 0x0E);
    EXPECT_EQ(bytes[78 + 16 + 4], 0x9F);

    palm::Database db;
    std::string error;
    ASSERT_TRUE(palm::Parse(bytes.data(), bytes.size(), "x", db, error)) << error;
    EXPECT_EQ(db.Name(), "Sample_DB");
    EXPECT_EQ(db.header.modificationNumber, 77u);
    EXPECT_EQ(db.header.uniqueIdSeed, 40u);
    EXPECT_EQ(palm::FourCCText(db.header.creator), "LDGY");
    EXPECT_EQ(db.appInfo, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(db.sortInfo, (std::vector<uint8_t>{9, 8}));
    ASSERT_EQ(db.records.size(), 3u);
    EXPECT_EQ(db.records[0].flags, palm::kRecDirty);
    EXPECT_EQ(db.records[0].uniqueId, 0x010203u);
    EXPECT_EQ(db.records[1].category, 14);
    EXPECT_EQ(db.records[2].flags, palm::kRecDeleted | palm::kRecSecret);
    EXPECT_TRUE(db.records[2].data.empty());
    EXPECT_EQ(Image(db), bytes);
}

TEST(PdbImage, EmptyBlocksAndNoBlocks) {
    palm::Database db = Sample();
    db.hasSortInfo = false;
    db.sortInfo.clear();
    db.appInfo.clear();  // present but empty: keeps a non-zero offset
    db.records.clear();
    std::vector<uint8_t> bytes = Image(db);
    palm::Database back;
    std::string error;
    ASSERT_TRUE(palm::Parse(bytes.data(), bytes.size(), "x", back, error)) << error;
    EXPECT_TRUE(back.hasAppInfo);
    EXPECT_FALSE(back.hasSortInfo);
    EXPECT_EQ(Image(back), bytes);
}

TEST(PdbImage, EveryMalformedFileIsRefusedWithItsFault) {
    const std::vector<uint8_t> good = Image(Sample());
    auto bad = good;

    EXPECT_NE(ParseError(std::vector<uint8_t>(good.begin(), good.begin() + 50))
                  .find("bad.pdb: truncated header"),
              std::string::npos);
    bad = good;
    bad[33] |= 0x01;
    EXPECT_NE(ParseError(bad).find("resource database"), std::string::npos);
    bad = good;
    Put32(bad, 72, 5);
    EXPECT_NE(ParseError(bad).find("next record list id is 5"), std::string::npos);
    bad = good;
    bad[77] = 40;  // 40 entries do not fit
    EXPECT_NE(ParseError(bad).find("record count 40 does not match"), std::string::npos);
    bad = good;
    Put32(bad, 78 + 8, static_cast<uint32_t>(good.size() + 1));
    EXPECT_NE(ParseError(bad).find("record 1 offset"), std::string::npos);
    EXPECT_NE(ParseError(bad).find("outside the file"), std::string::npos);
    bad = good;
    Put32(bad, 78 + 16, 78 + 24 + 2 + 5 + 2);  // record 2 before record 1
    EXPECT_NE(ParseError(bad).find("record 2 offset 111 is below the record 1 offset"),
              std::string::npos);
    bad = good;
    Put32(bad, 52, 20);  // appInfo inside the header
    EXPECT_NE(ParseError(bad).find("appInfo block offset 20 lies inside the header"),
              std::string::npos);
    bad = good;
    Put32(bad, 56, 0xFFFFFFF0u);
    EXPECT_NE(ParseError(bad).find("sortInfo block offset"), std::string::npos);
}

TEST(PdbImage, EveryTruncationAndByteFlipEndsCleanly) {
    const std::vector<uint8_t> good = Image(Sample());
    for (size_t n = 0; n < good.size(); ++n) {
        palm::Database db;
        std::string error;
        bool ok = palm::Parse(good.data(), n, "cut.pdb", db, error);
        if (!ok) {
            EXPECT_EQ(error.rfind("cut.pdb: ", 0), 0u);
        }
    }
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        auto bytes = good;
        bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        palm::Database db;
        std::string error;
        if (palm::Parse(bytes.data(), bytes.size(), "x", db, error)) {
            std::vector<uint8_t> again;
            EXPECT_TRUE(palm::Serialize(db, again, error));
        }
    }
}

TEST(PdbImage, SerializeRefusesWhatTheFormatCannotHold) {
    palm::Database db = Sample();
    std::vector<uint8_t> out;
    std::string error;
    db.records[0].category = 16;
    EXPECT_FALSE(palm::Serialize(db, out, error));
    db = Sample();
    db.records[0].uniqueId = 0x1000000;
    EXPECT_FALSE(palm::Serialize(db, out, error));
    db = Sample();
    db.records.resize(70000);
    EXPECT_FALSE(palm::Serialize(db, out, error));
    EXPECT_NE(error.find("too many records"), std::string::npos);
}

TEST(PdbFile, AtomicWriteReplacesAndLeavesNoTemporaryFile) {
    const std::string path = TempPath("palm_pdb_file_test.pdb");
    std::remove(path.c_str());
    std::string error;
    palm::Database db = Sample();
    ASSERT_TRUE(palm::WriteFile(path, db, error)) << error;
    db.records.pop_back();
    ASSERT_TRUE(palm::WriteFile(path, db, error)) << error;  // over an existing file
    palm::Database back;
    ASSERT_TRUE(palm::ReadFile(path, back, error)) << error;
    EXPECT_EQ(back.records.size(), 2u);
    EXPECT_FALSE(Exists(path + ".tmp"));

    // A fault while writing leaves the old file untouched.
    db.records[0].category = 99;
    EXPECT_FALSE(palm::WriteFile(path, db, error));
    ASSERT_TRUE(palm::ReadFile(path, back, error)) << error;
    EXPECT_EQ(back.records.size(), 2u);
    std::remove(path.c_str());

    EXPECT_FALSE(palm::WriteFile(TempPath("no_such_folder_palm/x.pdb"), Sample(), error));
    EXPECT_NE(error.find("x.pdb"), std::string::npos);
    EXPECT_FALSE(palm::ReadFile(TempPath("no_such_file_palm.pdb"), back, error));
    EXPECT_NE(error.find("no_such_file_palm.pdb: cannot open"), std::string::npos);
}

TEST(Text, Windows1252AndQuoting) {
    std::string out, error;
    ASSERT_TRUE(palm::Utf8ToCp1252("M\xC3\xBCller \xE2\x82\xAC \xC3\x9F", out, error));
    EXPECT_EQ(out, "M\xFCller \x80 \xDF");
    EXPECT_FALSE(palm::Utf8ToCp1252("\xE4\xB8\xAD", out, error));  // U+4E2D
    EXPECT_NE(error.find("U+4E2D"), std::string::npos);
    EXPECT_FALSE(palm::Utf8ToCp1252("\xC3", out, error));
    EXPECT_FALSE(palm::Utf8ToCp1252("\xC0\xAF", out, error));  // overlong
    EXPECT_EQ(palm::Cp1252ToUtf8("\xFC\x81"), "\xC3\xBC\xEF\xBF\xBD");

    const std::vector<uint8_t> bytes = {'a', '"',  '\\', '\n', '\r', '\t',
                                        0,   0x01, 0xFC, 0x81, 0xA0};
    const std::string quoted = palm::Quote(bytes);
    EXPECT_EQ(quoted, "\"a\\\"\\\\\\n\\r\\t\\0\\x01\xC3\xBC\\x81\\xA0\"");
    size_t pos = 0;
    std::vector<uint8_t> back;
    ASSERT_TRUE(palm::Unquote(quoted + " rest", pos, back, error)) << error;
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(pos, quoted.size());
    for (const char* bad : {"\"open", "\"\\q\"", "\"\\x4\"", "\"end\\"}) {
        pos = 0;
        EXPECT_FALSE(palm::Unquote(bad, pos, back, error)) << bad;
    }
}

TEST(Text, Dates) {
    EXPECT_EQ(palm::FormatDate(0), "1904-01-01T00:00:00");
    EXPECT_EQ(palm::FormatDate(0xFFFFFFFFu), "2040-02-06T06:28:15");
    uint32_t s = 0;
    ASSERT_TRUE(palm::ParseDate("2000-03-14T09:05:00", s));
    EXPECT_EQ(palm::FormatDate(s), "2000-03-14T09:05:00");
    ASSERT_TRUE(palm::ParseDate("12345", s));
    EXPECT_EQ(s, 12345u);
    EXPECT_FALSE(palm::ParseDate("2001-02-29T00:00:00", s));
    EXPECT_FALSE(palm::ParseDate("1903-12-31T23:59:59", s));
    EXPECT_FALSE(palm::ParseDate("2041-01-01T00:00:00", s));
    EXPECT_FALSE(palm::ParseDate("2000-03-14 09:05:00", s));
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

TEST(Description, FaultsNameTheLine) {
    struct Case {
        const char* text;
        const char* fault;
    } cases[] = {
        {"name \"A\"\nbogus 1\n", "d.txt:2: unknown keyword 'bogus'"},
        {"name \"A\"\nrecord cat=16 \"x\"\n", "d.txt:2: cat must be"},
        {"name \"A\"\nrecord cat=1\n", "d.txt:2: the record has no quoted text"},
        {"name \"A\"\nrecord cat=1 flags=odd \"x\"\n", "d.txt:2: flags must be"},
        {"name \"A\"\nrecord \"\xE4\xB8\xAD\"\n", "d.txt:2: character U+4E2D"},
        {"name \"A\"\nrecord \"a\\q\"\n", "d.txt:2: unknown escape"},
        {"name \"A\"\nrecord uid=16777216 \"x\"\n", "d.txt:2: uid must be"},
        {"name \"A\"\ntype \"DAT\"\n", "d.txt:2: type must be exactly four bytes"},
        {"name \"A\"\nattributes 0x0001\n", "resource database"},
        {"name \"0123456789012345678901234567890123\"\n", "d.txt:1: the name holds at most 31"},
        {"type \"DATA\"\n", "d.txt:0: the description has no name"},
        {"name \"A\"\ncreated yesterday\n", "d.txt:2: created takes a date"},
        {"nametail \"x\"\nname \"0123456789012345678901234567890\"\n",
         "d.txt:1: the name, its zero byte and nametail hold at most 32 bytes"},
    };
    for (const Case& c : cases) {
        palm::Database db;
        std::string error;
        EXPECT_FALSE(palm::ParseDescription(c.text, "d.txt", db, error)) << c.text;
        EXPECT_NE(error.find(c.fault), std::string::npos) << error;
    }
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

TEST(LiveIndex, FollowsRemovalsAndAppends) {
    palm::LiveIndex index;
    index.Reset(1000);
    std::vector<size_t> reference(1000);
    for (size_t i = 0; i < reference.size(); ++i) reference[i] = i;
    std::mt19937 random(3);
    size_t size = 1000;
    for (int step = 0; step < 3000; ++step) {
        if (random() % 3 == 0) {
            index.Append();
            reference.push_back(size++);
        } else if (!reference.empty()) {
            size_t k = random() % reference.size();
            index.Remove(reference[k]);
            reference.erase(reference.begin() + static_cast<long>(k));
        }
        ASSERT_EQ(index.Count(), reference.size());
        if (!reference.empty()) {
            size_t k = random() % reference.size();
            ASSERT_EQ(index.Find(k), reference[k]);
            ASSERT_EQ(index.Rank(reference[k]), k);
        }
    }
}

}  // namespace
