// Column lists from the registry: splitting into fixed name slots.
#include <cstdint>
#include <cstring>
#include <vector>

#include "settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The list as the registry reader hands it over: at most 255 characters
    // and a terminator, or a buffer filled without one.
    std::vector<char> list(kColumnListSize, 'x');
    std::memcpy(list.data(), data, size < list.size() ? size : list.size());
    char slots[kMaxColumns][kColumnNameSize];
    std::memset(slots, 'y', sizeof slots);
    for (auto& slot : slots) slot[kColumnNameSize - 1] = '\0';
    const int count = size > 0 ? 1 + data[0] % kMaxColumns : kMaxColumns;
    SplitColumnList(list.data(), slots, count);
    for (auto& slot : slots) {
        if (std::memchr(slot, '\0', kColumnNameSize) == nullptr) __builtin_trap();
    }
    return 0;
}
