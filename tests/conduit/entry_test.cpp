// The library's exports that the HotSync manager calls besides OpenConduit.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "conduit_host.h"

namespace {

struct NameCase {
    const char* name;
    WORD size;
    std::string written;  // the bytes written into a buffer filled with '#'
};

const NameCase kNames[] = {
    {"LongerBufferIsZeroFilled", 64, "Ledgerly" + std::string(56, '\0')},
    {"ExactSizeHasNoTerminator", 8, "Ledgerly"},
    {"ShorterBufferIsCut", 4, "Ledg"},
    {"ZeroSizeWritesNothing", 0, ""},
};

class ConduitName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ConduitName, IsCopiedLikeABoundedStringCopy) {
    LoadedConduit conduit(BinFolder() + "\\Tessel20.dll");
    ASSERT_NE(conduit.getName, nullptr);
    char buffer[70];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(conduit.getName(buffer, GetParam().size), 0);
    const std::string& written = GetParam().written;
    EXPECT_EQ(std::string(buffer, sizeof buffer), written + std::string(70 - written.size(), '#'));
}

INSTANTIATE_TEST_SUITE_P(Exports, ConduitName, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Exports, VersionIsTwoPointZeroAndLibMainAcceptsEveryReason) {
    LoadedConduit conduit(BinFolder() + "\\Tessel20.dll");
    ASSERT_NE(conduit.getVersion, nullptr);
    ASSERT_NE(conduit.libMain, nullptr);
    EXPECT_EQ(conduit.getVersion(), 512u);
    EXPECT_NE(conduit.getName(nullptr, 10), 0);
    for (DWORD reason : {DLL_PROCESS_ATTACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
        EXPECT_EQ(conduit.libMain(conduit.module(), reason, nullptr), 1);
    }
}

}  // namespace
