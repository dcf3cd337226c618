#include "command_messages.h"

#include <string>

#include "console.h"
#include "messages.h"
#include "profile_file.h"
#include "report_paths.h"
#include "user_language.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

void LoadCommandTexts(const char* argv0) {
    std::string program = argv0;
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) program.assign(path, n);
    char language[20] = "";
    if (GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, language, sizeof language) ==
        0) {
        language[0] = '\0';
    }
#else
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n > 0 && static_cast<size_t>(n) < sizeof path) program.assign(path, static_cast<size_t>(n));
    const std::string language = UserLanguageFromEnvironment();
#endif
    // Without a message file the built-in texts stand, with no word of it:
    // the file is an offer, not a part the command needs.
    ProfileMessageFile file(JoinPath(FolderOf(program), "conduit.nls"), language, PrintLine);
    if (file.Exists()) LoadMessageFile(file);
}
