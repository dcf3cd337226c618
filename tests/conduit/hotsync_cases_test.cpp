// Whole HotSyncs of the real Tessel20.dll, written as data in hotsync_cases.txt.
#include <gtest/gtest.h>

#include "hotsync_script.h"

namespace {

class HotSyncCase : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(HotSyncCase, RunsAsWritten) { RunScriptCase(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Script, HotSyncCase, ::testing::ValuesIn(LoadScript("hotsync_cases.txt")),
                         [](const auto& info) { return info.param.name; });

}  // namespace
