// The registry export reader over a table of files: the keys and values each
// gives, or its fault and line; and the choice of the conduit's key.
#include <gtest/gtest.h>

#include <string>

#include "export_cases.h"
#include "registry_export.h"

namespace {

bool Read(const std::string& bytes, RegistryExport* file, RegistryExportError* error) {
    return ReadRegistryExport(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), file,
                              error);
}

class ExportFile : public ::testing::TestWithParam<ExportCase> {};

TEST_P(ExportFile, GivesItsValuesOrItsFault) {
    const ExportCase& c = GetParam();
    RegistryExport file;
    RegistryExportError error;
    const bool read = Read(FileBytes(c, kExportBase), &file, &error);
    EXPECT_EQ(read, c.fault == RegistryExportFault::None) << RegistryExportFaultText(error.fault);
    EXPECT_EQ(RegistryExportFaultText(error.fault), RegistryExportFaultText(c.fault));
    EXPECT_EQ(error.line, c.line);
    EXPECT_EQ(Dump(file, kExportBase), c.dump);
}

INSTANTIATE_TEST_SUITE_P(Registry, ExportFile, ::testing::ValuesIn(ExportCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct KeyChoice {
    const char* name;
    std::string text;    // after the header
    const char* chosen;  // path of the chosen key, or null
};

class ConduitKey : public ::testing::TestWithParam<KeyChoice> {};

TEST_P(ConduitKey, IsTheOneWhoseConduitIsTheLibrary) {
    const KeyChoice& c = GetParam();
    RegistryExport file;
    RegistryExportError error;
    ASSERT_TRUE(Read("REGEDIT4\r\n" + c.text, &file, &error)) << error.line;
    const RegistryExportKey* key = FindConduitKey(file);
    EXPECT_EQ(key != nullptr ? key->path : "(none)", c.chosen != nullptr ? c.chosen : "(none)");
}

INSTANTIATE_TEST_SUITE_P(
    Registry, ConduitKey,
    ::testing::Values(
        KeyChoice{"LibraryInAnyFolderAndCase",
                  "[HKEY_CURRENT_USER\\A]\r\n\"Conduit\"=\"C:\\\\Palm\\\\other.dll\"\r\n"
                  "[HKEY_CURRENT_USER\\B]\r\n\"conduit\"=\"D:\\\\x/TESSEL20.DLL\"\r\n",
                  "HKEY_CURRENT_USER\\B"},
        KeyChoice{"ElseTheFirstWithValues",
                  "[HKEY_CURRENT_USER\\A]\r\n[HKEY_CURRENT_USER\\B]\r\n\"X\"=dword:1\r\n"
                  "[HKEY_CURRENT_USER\\C]\r\n\"Conduit\"=\"Tessel20.dll.bak\"\r\n",
                  "HKEY_CURRENT_USER\\B"},
        KeyChoice{"ElseTheFirstKey", "[HKEY_CURRENT_USER\\A]\r\n[HKEY_CURRENT_USER\\B]\r\n",
                  "HKEY_CURRENT_USER\\A"},
        KeyChoice{"NoneWithoutKeys", "", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
