// The Registry class against the real registry: what a read gives for
// values of every shape, what a failed open leaves, and what writes store.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "conduit_host.h"
#include "registry.h"

namespace {

struct ValueCase {
    const char* name;
    DWORD type;
    std::string bytes;
    bool isString;       // GetString into an 8-byte buffer, else GetDword
    bool read;           // whether the read succeeds
    const char* string;  // the buffer afterwards ("-------" if untouched)
    uint32_t dword;      // the target afterwards (5 if untouched)
};

const ValueCase kValueCases[] = {
    {"StringOfSevenFitsEightBytes", REG_SZ, std::string("1234567", 8), true, true, "1234567", 0},
    {"StringOfEightDoesNotFit", REG_SZ, std::string("12345678", 9), true, false, "-------", 0},
    {"EightBytesWithoutTerminatorDoNotFit", REG_BINARY, "abcdefgh", true, false, "-------", 0},
    {"FewerBytesWithoutTerminatorAreTerminated", REG_BINARY, "abc", true, true, "abc", 0},
    {"MissingStringLeavesTheBuffer", REG_NONE, "", true, false, "-------", 0},
    {"TwoBytesAreANumber", REG_BINARY, "\064\022", false, true, nullptr, 0x1234},
    {"TextIsItsBytesAsANumber", REG_SZ, std::string("ab", 3), false, true, nullptr, 0x6261},
    {"EightBytesAreNoNumber", REG_BINARY, "12345678", false, false, nullptr, 5},
    {"MissingNumberLeavesTheTarget", REG_NONE, "", false, false, nullptr, 5},
};

class RegistryValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RegistryValue, ReadsAsStored) {
    const ValueCase& v = GetParam();
    ConduitCase c;
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, c.registryPath.c_str(), &key), ERROR_SUCCESS);
    if (v.type != REG_NONE) {
        RegSetValueExA(key, "value", 0, v.type, reinterpret_cast<const BYTE*>(v.bytes.data()),
                       static_cast<DWORD>(v.bytes.size()));
    }
    RegCloseKey(key);
    Registry registry;
    ASSERT_TRUE(registry.Open(c.registryPath.c_str(), RegistryCurrentUser));
    if (v.isString) {
        char buffer[8] = "-------";
        EXPECT_EQ(registry.GetString("value", buffer, sizeof buffer), v.read);
        EXPECT_STREQ(buffer, v.string);
    } else {
        uint32_t target = 5;
        EXPECT_EQ(registry.GetDword("value", &target), v.read);
        EXPECT_EQ(target, v.dword);
    }
}

INSTANTIATE_TEST_SUITE_P(Values, RegistryValue, ::testing::ValuesIn(kValueCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryKey, InvalidRootOrFailedOpenHoldsNoKey) {
    ConduitCase c;
    c.SetDword("anything", 1);
    Registry registry;
    EXPECT_FALSE(registry.Open(c.registryPath.c_str(), 6));
    EXPECT_FALSE(registry.Create(c.registryPath.c_str(), -1));
    EXPECT_FALSE(registry.IsOpen());
    ASSERT_TRUE(registry.Open(c.registryPath.c_str(), RegistryCurrentUser));
    EXPECT_FALSE(registry.Open((c.registryPath + "\\missing").c_str(), RegistryCurrentUser));
    uint32_t value = 7;
    EXPECT_FALSE(registry.GetDword("anything", &value));
    EXPECT_EQ(value, 7u);
    EXPECT_FALSE(registry.DeleteKey("anything"));
}

TEST(RegistryKey, WritesStoreTypedValuesAndSubkeysEnumerate) {
    ConduitCase c;
    c.SetDword("placeholder", 0);
    Registry registry;
    ASSERT_TRUE(registry.Open(c.registryPath.c_str(), RegistryCurrentUser));
    EXPECT_TRUE(registry.SetString("empty", ""));
    EXPECT_TRUE(registry.SetDword("number", 0x01020304));
    const struct {
        const char* name;
        DWORD type;
        std::string data;
    } stored[] = {{"empty", REG_SZ, std::string(1, '\0')},
                  {"number", REG_DWORD, std::string("\004\003\002\001", 4)}};
    for (const auto& s : stored) {
        char data[16];
        DWORD type = 0, size = sizeof data;
        HKEY key;
        ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, c.registryPath.c_str(), &key), ERROR_SUCCESS);
        EXPECT_EQ(
            RegQueryValueExA(key, s.name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_EQ(type, s.type) << s.name;
        EXPECT_EQ(std::string(data, size), s.data) << s.name;
    }
    Registry child;
    ASSERT_TRUE(child.Create("Sub\\Deeper", registry));
    child.Close();
    char name[32];
    EXPECT_TRUE(registry.EnumKey(0, name, sizeof name));
    EXPECT_STREQ(name, "Sub");
    EXPECT_FALSE(registry.EnumKey(1, name, sizeof name));
    ASSERT_TRUE(child.Open("Sub", registry));
    EXPECT_TRUE(child.DeleteKey("Deeper"));
    EXPECT_FALSE(child.DeleteKey("Deeper"));
}

}  // namespace
