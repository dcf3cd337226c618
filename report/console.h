// The report command's console: lines of Windows-1252 text on standard error
// (messages) or standard output (--help, --version), in the encoding the
// terminal shows.
#pragma once

void PrintLine(const char* text);    // standard error
void PrintOutput(const char* text);  // standard output
