// The report command's side of texts, paths and messages. Texts inside are
// Windows-1252, as in the conduit; on Linux the command's arguments and
// its messages on standard error are UTF-8 and are converted at this edge.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An argument or a system text as Windows-1252 (on Linux from UTF-8; a
// character that Windows-1252 lacks becomes '?').
std::string ToCp1252(const std::string& text);
std::string SystemText(const std::string& text);
// The platform's words for an errno value, as Windows-1252.
std::string SystemReason(int code);

// Paths as the command's arguments give them.
std::string FolderOf(const std::string& path);  // "." when there is none
std::string NameOf(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);
bool EqualIgnoringCase(const std::string& a, const std::string& b);

// Loads the message texts of the user's language from conduit.nls beside
// the program, when it is there; faults of the file go to standard error.
void LoadCommandTexts(const char* argv0);
// Fills ConduitSettings from a registry export of the conduit's entry, with
// the rules of the registry; false (reported) when the export is malformed
// or holds no settings.
bool LoadSettingsExport(const std::vector<uint8_t>& bytes, const std::string& path);
