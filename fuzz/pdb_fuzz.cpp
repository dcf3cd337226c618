// Palm database files as the handheld folder holds them: parsing, writing
// back what parsed, and pdbtool's dump of it built again to the same records.
#include <cstdint>
#include <string>
#include <vector>

#include "palm/pdb.h"
#include "palm/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    palm::Database db;
    std::string error;
    if (!palm::Parse(data, size, "fuzz.pdb", db, error)) {
        if (error.rfind("fuzz.pdb", 0) != 0) __builtin_trap();  // errors name the file
        return 0;
    }
    std::vector<uint8_t> image;
    if (!palm::Serialize(db, image, error)) return 0;
    // What was written parses again to the same records.
    palm::Database again;
    if (!palm::Parse(image.data(), image.size(), "again.pdb", again, error)) __builtin_trap();
    if (again.records.size() != db.records.size()) __builtin_trap();
    for (size_t i = 0; i < db.records.size(); ++i) {
        if (again.records[i].data != db.records[i].data) __builtin_trap();
    }
    // A dump that builds again gives the same records.
    palm::Database built;
    if (palm::ParseDescription(palm::Describe(db), "dump", built, error)) {
        if (built.records.size() != db.records.size()) __builtin_trap();
        for (size_t i = 0; i < db.records.size(); ++i) {
            const palm::Record& a = built.records[i];
            const palm::Record& b = db.records[i];
            if (a.data != b.data || a.uniqueId != b.uniqueId || a.category != b.category ||
                a.flags != b.flags) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
