#include "report_paths.h"

#include "system_text.h"

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

}  // namespace

std::string FolderOf(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1])) --end;
    while (end > 1 && IsSeparator(path[end - 1])) --end;
    if (end == 0) return ".";
    return path.substr(0, end);
}

std::string NameOf(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    size_t start = end;
    while (start > 0 && !IsSeparator(path[start - 1])) --start;
    return path.substr(start, end - start);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

std::string NativePath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string native = ToUtf8(path);
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
#endif
}
