// The report command's reports, written beside the old ones and put in their
// place only when the run succeeds: a run that fails leaves every report as
// it was, rewritten or appended to alike.
#pragma once

#include <string>

// Makes sure the output folder (Windows-1252) is there, creating one level
// as the conduit does, and opens each of the five reports that the settings
// name in it as a new file beside the report ("<report>.tessel-new"); in
// append mode the new file begins with a copy of the report. Fills
// reportFiles as OpenReportFiles does and logs the "Using" line of each
// report. False, logged with the path and the system's reason, when the
// folder or a new file cannot be made; then nothing is left behind.
bool OpenStagedReports(const std::string& folder, bool append);
// Closes the new files and renames each over its report. False (logged)
// when a last write or a rename fails.
bool CommitStagedReports();
// Closes and removes the new files (and a folder that the run created and
// left empty): every report stays as it was.
void DiscardStagedReports();
