// The registry export reader over a table of files: the keys and values each
// gives, or its fault and line, or the key it holds the conduit's settings in.
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
    if (c.conduitKey.empty()) {
        EXPECT_EQ(Dump(file, kExportBase), c.dump);
    } else {
        const RegistryExportKey* key = FindConduitKey(file);
        EXPECT_EQ(key != nullptr ? key->path : "none", c.conduitKey);
    }
}

INSTANTIATE_TEST_SUITE_P(Registry, ExportFile, ::testing::ValuesIn(ExportCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
