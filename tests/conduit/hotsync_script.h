// HotSync scripts: cases of whole HotSyncs of the real Tessel20.dll, written
// as data. A script file holds cases; a case is a list of commands run in
// order against one case folder (handheld, desktop, registry key) and one
// loaded library: commands that prepare the handheld, the settings and the
// run, "sync" (or "hotsync", through hotsync.exe), and checks of the last
// run's result, log, status texts, reports and databases. The commands are
// described at the top of hotsync_cases.txt.
#pragma once

#include <string>
#include <vector>

#include "case_file.h"

using ScriptCase = FileCase;

// The cases of a script file beside the test program.
std::vector<ScriptCase> LoadScript(const std::string& fileName);
// Runs one case, reporting every failed check through GoogleTest.
void RunScriptCase(const ScriptCase& c);
