#include "record_test_support.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "report_files.h"
#include "session.h"
#include "settings.h"

std::vector<std::string> loggedLines;

// The text lines of the log, without the section's header.
void WriteLogEntry(const char* text, int activity) {
    if (activity == kLogActivityText && std::strcmp(text, "Ledgerly") != 0) {
        loggedLines.emplace_back(text);
    }
}

namespace fs = std::filesystem;

void ReportFilesTest::SetUp() {
    ConduitSettings = DefaultSettings();
    std::strcpy(pilotId, "Ziduv Vazuv");
    userId[0] = '\0';
    loggedLines.clear();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::ostringstream name;
    name << "tessel-records-" << info->test_suite_name() << "-" << info->name() << "-"
         << std::random_device{}();
    fs::path dir = fs::temp_directory_path() / name.str();
    fs::create_directories(dir);
    directory_ = dir.string();
}

void ReportFilesTest::TearDown() {
    CloseReportFiles();
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
}

void ReportFilesTest::Open(bool append) {
    ConduitSettings.SyncBackupMethod = append ? 1 : 0;
    ASSERT_TRUE(OpenReportFiles(directory_.c_str()));
    ASSERT_TRUE(BeginReportPass(false));
}

void ReportFilesTest::Close() { CloseReportFiles(); }

std::string ReportFilesTest::PathOf(int index) const {
    return (fs::path(directory_) / ReportFileSetting(ConduitSettings, index)).string();
}

std::string ReportFilesTest::Report(int index) {
    Close();
    std::ifstream in(PathOf(index), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ReportFilesTest::Prefill(int index, const std::string& bytes) {
    std::ofstream(PathOf(index), std::ios::binary) << bytes;
}
