// The conduit's name, which the HotSync manager asks for with buffers of any
// size: copied like a bounded string copy, zero-filled to the buffer's end.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "conduit_host.h"

namespace {

TEST(Exports, NameIsCopiedLikeABoundedStringCopy) {
    LoadedConduit conduit(BinFolder() + "\\Tessel20.dll");
    ASSERT_NE(conduit.getName, nullptr);
    EXPECT_NE(conduit.getName(nullptr, 10), 0);
    for (WORD size : {64, 8, 4, 0}) {
        char buffer[70];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(conduit.getName(buffer, size), 0);
        std::string written = std::string("Ledgerly").substr(0, size);
        written.resize(size, '\0');
        EXPECT_EQ(std::string(buffer, sizeof buffer), written + std::string(70 - size, '#'));
    }
}

}  // namespace
