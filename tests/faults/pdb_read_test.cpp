// The .pdb reader over damaged files, natively (under ASan and UBSan in the
// native build) and in the win32 build: cut at every byte offset and with
// corrupted offsets, a read either succeeds or names the file and the
// fault, and never changes the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "palm/pdb.h"
#include "pdb_damage.h"

namespace {

using namespace faults;

std::string Slurp(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(palm::ReadBytes(path, bytes, error)) << error;
    return std::string(bytes.begin(), bytes.end());
}

void Spill(const std::string& path, const std::string& image) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(image.data(), 1, image.size(), file);
    std::fclose(file);
}

TEST(PdbReadTest, CutAtEveryByteOffset) {
    const std::string path = "pdb-read-cut.pdb";
    const std::string valid = SmallDatabase();
    size_t refused = 0;
    for (size_t cut = 0; cut <= valid.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::string image = valid.substr(0, cut);
        Spill(path, image);
        palm::Database db;
        std::string error;
        if (palm::ReadFile(path, db, error)) {
            // Only a cut inside the last record leaves a well-formed file.
            EXPECT_GT(cut, RecordEntry(3));
            EXPECT_EQ(db.records.size(), 3u);
        } else {
            ++refused;
            EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        }
        EXPECT_EQ(Slurp(path), image);
    }
    EXPECT_GT(refused, valid.size() - 40);
    std::remove(path.c_str());
}

TEST(PdbReadTest, CorruptedOffsets) {
    const std::string path = "pdb-read-damaged.pdb";
    for (const Damage& damage : DamagedOffsets(SmallDatabase())) {
        SCOPED_TRACE(damage.what);
        Spill(path, damage.image);
        palm::Database db;
        std::string error;
        EXPECT_FALSE(palm::ReadFile(path, db, error));
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_EQ(Slurp(path), damage.image);
    }
    std::remove(path.c_str());
}

}  // namespace
