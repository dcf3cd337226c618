// Paths as the report command's arguments give them, and report paths as the
// conduit writes them (Windows-1252, backslashes) in the platform's spelling.
#pragma once

#include <string>

std::string FolderOf(const std::string& path);  // "." when there is none
std::string NameOf(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);

// A report path (Windows-1252 with backslashes) as the file system takes it:
// on Linux UTF-8 with slashes, on Windows as it is.
std::string NativePath(const std::string& path);
