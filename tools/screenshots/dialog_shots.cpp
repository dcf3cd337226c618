// Opens the action, options and about dialogs of a conduit library one after
// the other for screenshots: when a dialog is up it writes NAME.rect (screen
// rectangle "x y width height") into the output folder and waits for
// NAME.done before it goes on. Usage:
//   dialog_shots LIBRARY-FOLDER LIBRARY-NAME OUTPUT-FOLDER
// The library folder holds the conduit library (and its message file) and
// serves as the base folder of the data.
#include <windows.h>

#include <cstdio>
#include <string>

#include "dialog_driver.h"
#include "hotsync.h"

namespace {

std::string output;

void Announce(const char* name, HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    const std::string file = output + "\\" + name + ".rect";
    const std::string partial = file + ".part";
    if (FILE* f = std::fopen(partial.c_str(), "w")) {
        std::fprintf(f, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top);
        std::fclose(f);
        MoveFileA(partial.c_str(), file.c_str());
    }
}

std::function<bool()> Shot(const char* name) {
    return [name] {
        return GetFileAttributesA((output + "\\" + name + ".done").c_str()) !=
               INVALID_FILE_ATTRIBUTES;
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: dialog_shots LIBRARY-FOLDER LIBRARY-NAME OUTPUT-FOLDER\n");
        return 2;
    }
    output = argv[3];
    const std::string library = std::string(argv[1]) + "\\" + argv[2];
    HMODULE module = LoadLibraryExA(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    auto configure = module == nullptr
                         ? nullptr
                         : reinterpret_cast<long(__cdecl*)(SyncPreference&)>(
                               reinterpret_cast<void*>(GetProcAddress(module, "ConfigureConduit")));
    if (configure == nullptr) {
        std::fprintf(stderr, "cannot load %s\n", library.c_str());
        return 1;
    }
    SyncPreference preference = {};
    std::snprintf(preference.userPath, sizeof preference.userPath, "%s", argv[1]);
    std::snprintf(preference.registryPath, sizeof preference.registryPath, "%s",
                  "Software\\Tessel\\Screenshots");
    preference.syncType = 2;

    Script script;
    script.On(Window::Action, [](HWND dialog) { Announce("action", dialog); })
        .On(
            Window::Action, [](HWND dialog) { Click(dialog, 402); }, Shot("action"))
        .On(Window::Options, [](HWND dialog) { Announce("options", dialog); })
        .On(
            Window::Options, [](HWND dialog) { Click(dialog, 2); }, Shot("options"))
        .On(Window::Action, [](HWND dialog) { Click(dialog, 103); })
        .On(Window::About, [](HWND dialog) { Announce("about", dialog); })
        .On(
            Window::About, [](HWND dialog) { Click(dialog, 1); }, Shot("about"))
        .On(Window::Action, [](HWND dialog) { Click(dialog, 2); });
    script.Run([&] { configure(preference); });
    for (const std::string& failure : script.Failures())
        std::fprintf(stderr, "%s\n", failure.c_str());
    return script.Failures().empty() ? 0 : 1;
}
