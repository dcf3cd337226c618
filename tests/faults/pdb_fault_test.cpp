// Damaged .pdb files on the handheld: cut at byte offsets around every part
// of the file, and with offsets that point anywhere. The Sync Manager
// refuses each with a fault that names the file, the conduit aborts with its
// log line, and the file stays on disk byte for byte as it was. A damaged
// property database costs only the properties.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "conduit_host.h"
#include "palm/pdb.h"

namespace {

// "Ledgerly_DB" with appInfo and sortInfo blocks and three records.
std::string SmallDatabase() {
    palm::Database db;
    db.SetName("Ledgerly_DB");
    db.hasAppInfo = db.hasSortInfo = true;
    db.appInfo = {1, 2, 3, 4, 5, 6};
    db.sortInfo = {7, 8, 9};
    for (int i = 0; i < 3; ++i) {
        const std::string text = "4.1.01,Kunde,Projekt,Thema," + std::to_string(i);
        palm::Record r;
        r.category = 4;
        r.flags = palm::kRecDirty;
        r.uniqueId = 0x100u + static_cast<uint32_t>(i);
        r.data.assign(text.begin(), text.end() + 1);
        db.records.push_back(r);
    }
    std::vector<uint8_t> image;
    std::string error;
    palm::Serialize(db, image, error);
    return std::string(image.begin(), image.end());
}

void Put(std::string& image, size_t at, uint32_t value, int bytes = 4) {
    for (int i = 0; i < bytes; ++i)
        image[at + i] = static_cast<char>(value >> (8 * (bytes - 1 - i)));
}

size_t Entry(int index) { return palm::kHeaderSize + 8 * static_cast<size_t>(index); }

struct Damage {
    std::string what;
    std::string image;
};

std::vector<Damage> Damages() {
    const std::string valid = SmallDatabase();
    const uint32_t size = static_cast<uint32_t>(valid.size());
    std::vector<Damage> all;
    for (size_t cut : {size_t{0}, size_t{31}, palm::kHeaderSize - 1, palm::kHeaderSize,
                       Entry(1) + 3, Entry(3), Entry(3) + 7}) {
        all.push_back({"cut at " + std::to_string(cut), valid.substr(0, cut)});
    }
    // Offsets at: the field's place in the file, then the value put there.
    const struct {
        const char* what;
        size_t at;
        uint32_t value;
        int bytes;
    } fields[] = {
        {"record offset 0", Entry(0), 0, 4},
        {"record inside the header", Entry(0), 40, 4},
        {"record inside the record list", Entry(1), 90, 4},
        {"record beyond the end", Entry(2), size + 10, 4},
        {"record at 4 GiB", Entry(1), 0xFFFFFFFFu, 4},
        {"appInfo beyond the end", 52, size + 1, 4},
        {"appInfo inside the header", 52, 8, 4},
        {"sortInfo below appInfo", 56, static_cast<uint32_t>(Entry(3)), 4},
        {"65535 records", 76, 0xFFFF, 2},
        {"a next record list", 72, 1, 4},
        {"a resource database", 32, 1, 2},
    };
    for (const auto& f : fields) {
        std::string image = valid;
        Put(image, f.at, f.value, f.bytes);
        all.push_back({f.what, image});
    }
    return all;
}

TEST(DamagedDatabase, IsRefusedAndLeftAsItWas) {
    ConduitCase c;
    c.WriteUser("Ziduv Vazuv");
    c.SetDword("DeleteRecords", 1);
    LoadedConduit conduit(c.conduitPath);
    const std::string path = c.handheld + "\\Ledgerly_DB.pdb";
    for (const Damage& damage : Damages()) {
        SCOPED_TRACE(damage.what);
        WriteFileBytes(path, damage.image);
        SyncRun run = conduit.Sync(c);
        EXPECT_EQ(run.result, -1);
        ASSERT_GE(run.log.size(), 2u);
        EXPECT_EQ(run.log[run.log.size() - 2].text, kOpenDB);
        EXPECT_EQ(run.log.back(), (LogEntry{17, ""}));
        ASSERT_EQ(run.hostMessages.size(), 1u);
        EXPECT_TRUE(Contains(run.hostMessages[0], "Ledgerly_DB.pdb: ")) << run.hostMessages[0];
        EXPECT_EQ(ReadFileBytes(path), damage.image);
        EXPECT_FALSE(c.ReportExists(kFiles[4]));
    }
}

TEST(DamagedDatabase, OfThePropertiesCostsOnlyTheUserId) {
    ConduitCase c;
    c.CopyExampleHandheld();
    const std::string aux = c.handheld + "\\LedgerlyAux_DB.pdb";
    std::string image = ReadFileBytes(aux);
    Put(image, Entry(0), static_cast<uint32_t>(image.size()) + 100);
    WriteFileBytes(aux, image);
    LoadedConduit conduit(c.conduitPath);
    SyncRun run = conduit.Sync(c);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log.back(), (LogEntry{20, ""}));
    EXPECT_NE(run.log[run.log.size() - 2].text, kProps);
    EXPECT_EQ(ReadFileBytes(aux), image);
    const std::string tasks = c.ReadReport(kFiles[0]);
    EXPECT_TRUE(Contains(tasks, "Logo entwerfen"));
    EXPECT_FALSE(Contains(tasks, "UserID"));
}

}  // namespace
