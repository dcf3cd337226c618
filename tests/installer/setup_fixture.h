// Fixture for tests that run the real TesselSetup.exe in a folder of their
// own, with the HotSync key saved before and restored after each test.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "driver.h"
#include "hotsync_registry.h"

using setup_driver::BoxIcon;
using setup_driver::MessageBoxInfo;
using setup_driver::SetupProcess;

constexpr int kInstall = 103, kUninstall = 102, kQuit = 101;

// A conduit section with test values; a change to "-" leaves the key out.
std::string ConduitSection(const std::string& section,
                           const std::map<std::string, std::string>& changes = {});

class SetupTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes install.ini (lines end in CR LF) into the test's folder.
    void WriteIni(const std::string& text);
    void WriteFile(const std::string& name, const std::string& bytes);
    // Copies the example install.ini that the build puts beside the programs.
    void CopyExampleIni();
    // Starts the installer (or another program beside the tests) in the
    // test's folder (or in folder).
    void Start(const std::string& folder = std::string(),
               const std::string& program = "TesselSetup.exe");
    // Starts it and expects the dialog with no message box before it.
    HWND StartDialog();
    // The next message box, checked and answered.
    void ExpectBox(const std::string& text, const std::string& caption, BoxIcon icon,
                   std::vector<int> buttons, int answer, bool ownedByDialog);
    // A box of the registration or start-up: no owner, default caption, no icon, OK.
    void ExpectPlainBox(const std::string& text) {
        ExpectBox(text, DefaultCaption(), BoxIcon::None, {IDOK}, IDOK, false);
    }
    void ExpectNoBox();
    // The platform's caption of a message box without one of its own.
    static std::string DefaultCaption();
    void ExpectExit(DWORD status);
    // Quits the dialog with the quit button and expects exit status 0.
    void Quit();

    static std::string Entry(int number) {
        return std::string(kHotSyncPath) + "\\Application" + std::to_string(number);
    }
    static std::string Entry(const std::string& name) {
        return std::string(kHotSyncPath) + "\\" + name;
    }
    // An entry as another conduit would have it.
    static void AddEntry(const std::string& name, uint32_t creator, const std::string& conduitName,
                         const std::string& directory, const std::string& conduit);
    static std::string StringValue(const std::string& path, const char* name);
    static uint32_t DwordValue(const std::string& path, const char* name);

    std::string folder_;  // with a trailing backslash
    SetupProcess setup_;
    HWND dialog_ = nullptr;

  private:
    std::unique_ptr<KeySnapshot> snapshot_;
};

// The built-in texts that the tests look for.
extern const char kTextReplace[], kTextInstalled[], kTextRemoved[], kTextMissingModule[],
    kTextNoConfig[], kTextIncomplete[], kTextNoLanguage[], kTextOpenKey[], kTextCreatorExists[],
    kTextNameUsed[], kTextDirectoryUsed[], kTextModuleUsed[], kTextDeleteKey[], kTextNotRemoved[],
    kTextNotInstalled[];
