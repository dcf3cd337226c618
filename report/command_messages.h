// The report command's message texts: the conduit's message table, in the
// user's language from the message file beside the program.
#pragma once

// Loads the message texts of the user's language from conduit.nls beside
// the program, when it is there; faults of the file go to standard error.
void LoadCommandTexts(const char* argv0);
