// The Registry class against the real registry: what a failed open leaves,
// and what writes store. What reads give for values of every shape and size
// is in the settings cases.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "conduit_host.h"
#include "registry.h"

namespace {

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
