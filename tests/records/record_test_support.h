// Fakes of the session's log and ids, and a temporary data directory with the
// five report files opened in it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Every line passed to LogMessage, formatted.
extern std::vector<std::string> loggedLines;

// Resets settings, ids and log; gives each test a folder of its own.
class ReportFilesTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Opens the five report files: rewriting, or appending (SyncBackupMethod 1).
    void Open(bool append = false);
    void Close();
    std::string PathOf(int index) const;
    // Closes the files and returns the whole report of an index.
    std::string Report(int index);
    void Prefill(int index, const std::string& bytes);

    std::string directory_;
};
