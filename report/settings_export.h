// The conduit's settings for the report command, from a registry export of
// the conduit's entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Fills ConduitSettings from the export's bytes with the rules of the
// registry; false (reported) when the export is malformed or holds no
// settings. A value outside its setting's range is used as the conduit uses
// it, with a warning that names the value and what is used instead.
bool LoadSettingsExport(const std::vector<uint8_t>& bytes, const std::string& path);
