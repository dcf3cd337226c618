// setup-driver: runs TesselSetup.exe in a folder, clicks Install or Uninstall,
// answers its questions with Yes, prints every message box and quits it.
//
//   setup-driver.exe install|uninstall [FOLDER] [--create-key] [--program FILE]
//
// FOLDER holds install.ini (default: the folder of this program).
// --create-key creates the HotSync manager's key first when it is missing.
// --program runs that TesselSetup.exe (default: the one beside this program).
// Exit status 0 when the command succeeded and the installer ended with 0.
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

#include "driver.h"

namespace {

using setup_driver::BoxIcon;
using setup_driver::MessageBoxInfo;
using setup_driver::SetupProcess;

int Usage() {
    std::fprintf(
        stderr, "usage: setup-driver install|uninstall [FOLDER] [--create-key] [--program FILE]\n");
    return 2;
}

void Print(const MessageBoxInfo& box) {
    std::printf("[%s] (%s) %s\n", box.caption.c_str(), setup_driver::BoxIconName(box.icon),
                box.text.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string command, folder, program;
    bool createKey = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--create-key") == 0) {
            createKey = true;
        } else if (std::strcmp(argv[i], "--program") == 0) {
            if (++i == argc) return Usage();
            program = argv[i];
        } else if (command.empty()) {
            command = argv[i];
        } else if (folder.empty()) {
            folder = argv[i];
        } else {
            return Usage();
        }
    }
    if (command != "install" && command != "uninstall") return Usage();
    if (program.empty()) program = setup_driver::ProgramDirectory() + "TesselSetup.exe";
    if (folder.empty()) folder = setup_driver::ProgramDirectory();

    if (createKey) {
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\U.S. Robotics\\Pilot Desktop", &key) ==
            ERROR_SUCCESS) {
            RegCloseKey(key);
        }
    }

    SetupProcess setup;
    if (!setup.Start(program, folder)) {
        std::fprintf(stderr, "setup-driver: cannot start %s in %s\n", program.c_str(),
                     folder.c_str());
        return 1;
    }
    // Notes about the language come before the dialog; a missing or
    // incomplete install.ini ends the installer instead.
    HWND dialog = nullptr;
    for (;;) {
        MessageBoxInfo box;
        dialog = setup.WaitForDialogOrBox(&box);
        if (dialog != nullptr) break;
        if (box.window == nullptr) {
            std::fprintf(stderr, "setup-driver: the installer showed no dialog\n");
            return 1;
        }
        Print(box);
        setup.Answer(box, IDOK);
    }

    SetupProcess::Click(dialog, command == "install" ? 103 : 102);
    bool succeeded = false;
    for (;;) {
        MessageBoxInfo box;
        if (!setup.WaitForMessageBox(&box)) {
            std::fprintf(stderr, "setup-driver: no answer from the installer\n");
            return 1;
        }
        Print(box);
        bool question =
            std::find(box.buttons.begin(), box.buttons.end(), IDYES) != box.buttons.end();
        setup.Answer(box, question ? IDYES : IDOK);
        // The command's own summary is owned by the dialog and has only OK.
        if (!question && box.owner == dialog) {
            succeeded = box.icon == BoxIcon::Information;
            break;
        }
    }

    SetupProcess::Click(dialog, 101);
    DWORD status = 1;
    if (!setup.WaitForExit(&status)) {
        std::fprintf(stderr, "setup-driver: the installer did not end\n");
        return 1;
    }
    return succeeded && status == 0 ? 0 : 1;
}
