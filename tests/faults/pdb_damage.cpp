#include "pdb_damage.h"

#include "palm/pdb.h"

namespace faults {

// A small main database with appInfo and sortInfo blocks and three records.
std::string SmallDatabase() {
    palm::Database db;
    db.SetName("Ledgerly_DB");
    db.header.type = palm::FourCC("DATA");
    db.header.creator = palm::FourCC("LDGY");
    db.hasAppInfo = true;
    db.appInfo = {1, 2, 3, 4, 5, 6};
    db.hasSortInfo = true;
    db.sortInfo = {7, 8, 9};
    for (int i = 0; i < 3; ++i) {
        palm::Record record;
        const std::string text = "4.1.01,Kunde,Projekt,Thema," + std::to_string(i);
        record.category = static_cast<uint8_t>(1 + i);
        record.flags = palm::kRecDirty;
        record.uniqueId = 0x100u + static_cast<uint32_t>(i);
        record.data.assign(text.begin(), text.end());
        record.data.push_back(0);
        db.records.push_back(record);
    }
    db.header.uniqueIdSeed = 0x200;
    std::vector<uint8_t> image;
    std::string error;
    palm::Serialize(db, image, error);
    return std::string(image.begin(), image.end());
}

void Put32(std::string& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>(value >> (24 - 8 * i));
}
static void Put16(std::string& image, size_t at, uint16_t value) {
    image[at] = static_cast<char>(value >> 8);
    image[at + 1] = static_cast<char>(value);
}
static uint32_t Get32(const std::string& image, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(image[at + i]);
    return value;
}

static constexpr size_t kAppInfoOffset = 52, kSortInfoOffset = 56, kNextList = 72, kCount = 76;
size_t RecordEntry(int index) { return palm::kHeaderSize + 8 * static_cast<size_t>(index); }

std::vector<Damage> DamagedOffsets(const std::string& valid) {
    const uint32_t size = static_cast<uint32_t>(valid.size());
    std::vector<Damage> all;
    auto with = [&](const char* what, auto change) {
        std::string image = valid;
        change(image);
        all.push_back({what, image});
    };
    with("record offset 0", [](std::string& m) { Put32(m, RecordEntry(0), 0); });
    with("record inside the header", [](std::string& m) { Put32(m, RecordEntry(0), 40); });
    with("record inside the record list", [](std::string& m) { Put32(m, RecordEntry(1), 90); });
    with("record below the one before",
         [](std::string& m) { Put32(m, RecordEntry(2), Get32(m, RecordEntry(1)) - 1); });
    with("record beyond the end", [size](std::string& m) { Put32(m, RecordEntry(2), size + 10); });
    with("record at 4 GiB", [](std::string& m) { Put32(m, RecordEntry(1), 0xFFFFFFFFu); });
    with("appInfo beyond the end", [size](std::string& m) { Put32(m, kAppInfoOffset, size + 1); });
    with("appInfo inside the header", [](std::string& m) { Put32(m, kAppInfoOffset, 8); });
    with("sortInfo below appInfo",
         [](std::string& m) { Put32(m, kSortInfoOffset, Get32(m, kAppInfoOffset) - 2); });
    with("sortInfo after the first record",
         [](std::string& m) { Put32(m, kSortInfoOffset, Get32(m, RecordEntry(0)) + 1); });
    with("65535 records", [](std::string& m) { Put16(m, kCount, 0xFFFF); });
    with("record list past the end", [](std::string& m) { Put16(m, kCount, 40); });
    with("a next record list", [](std::string& m) { Put32(m, kNextList, 1); });
    with("a resource database", [](std::string& m) { m[33] = static_cast<char>(m[33] | 1); });
    return all;
}

}  // namespace faults
