// Damaged .pdb images for the fault tests: a small well-formed main database
// and copies of it whose offsets point anywhere. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace faults {

// "Ledgerly_DB" with appInfo and sortInfo blocks and three dirty records
// (categories 1 to 3), as a file image.
std::string SmallDatabase();

struct Damage {
    const char* what;
    std::string image;
};
// Copies of a well-formed image with one offset or count damaged each; the
// .pdb reader refuses every one of them.
std::vector<Damage> DamagedOffsets(const std::string& valid);

// Byte offset of a record's entry in the record list.
size_t RecordEntry(int index);
void Put32(std::string& image, size_t at, uint32_t value);

}  // namespace faults
