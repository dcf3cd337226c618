// Record texts through ConvertRecord into real report files, written as data
// in record_cases.txt: the lines each record gives, the records refused and
// what the log says of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "case_file.h"
#include "messages.h"
#include "records.h"
#include "report_files.h"
#include "session.h"
#include "settings.h"

namespace fs = std::filesystem;

std::vector<std::string> loggedLines;

void WriteLogEntry(const char* text, int activity) {
    if (activity == kLogActivityText && std::strcmp(text, "Ledgerly") != 0) {
        loggedLines.emplace_back(text);
    }
}

namespace {

// A setting by its registry name, read by the conduit's own ReadSettings:
// numbers in decimal, delimiters as their character.
struct OneSetting {
    std::string name, value;
    bool GetDword(const char* n, uint32_t* target) {
        if (name != n) return false;
        const bool character = name.find("Delimiter") != std::string::npos;
        *target = character ? static_cast<unsigned char>(value[0]) : std::stoul(value);
        return true;
    }
    bool GetString(const char* n, char* buffer, uint32_t size) {
        if (name == n) std::snprintf(buffer, size, "%s", value.c_str());
        return name == n;
    }
};

class RecordCase : public ::testing::TestWithParam<FileCase> {
  protected:
    void SetUp() override {
        ConduitSettings = DefaultSettings();
        std::snprintf(pilotId, sizeof pilotId, "Ziduv Vazuv");
        userId[0] = '\0';
        loggedLines.clear();
        folder_ = fs::temp_directory_path() /
                  ("tessel-records-" + GetParam().name + "-" + std::to_string(std::rand()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        CloseReportFiles();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    fs::path PathOf(int index) { return folder_ / ReportFileSetting(ConduitSettings, index); }
    void Open() {
        if (open_) return;
        ASSERT_TRUE(OpenReportFiles(folder_.string().c_str()));
        ASSERT_TRUE(BeginReportPass(false));
        open_ = true;
        loggedLines.clear();  // the "Using" lines
    }
    std::string Report(int index) {
        CloseReportFiles();
        open_ = false;
        std::ifstream in(PathOf(index), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    fs::path folder_;
    bool open_ = false;
};

// Commands, in order:
//   set NAME VALUE          a setting (or userId) for what follows
//   prefill REPORT TEXT     the report's bytes before the run
//   record CAT TEXT [fill N CHAR]   converted (fill: N bytes, unterminated,
//                           CHAR after TEXT)
//   refused KEY             the last record was refused, the log ending in
//                           the message of KEY
//   close                   the run ends; the next record opens a new one
//   report REPORT = TEXT    the report's bytes (closes the run first)
//   logged KEY|TEXT...      the log lines of the case so far
TEST_P(RecordCase, GivesItsReportLines) {
    int last = -1;
    for (const auto& command : GetParam().commands) {
        SCOPED_TRACE("record_cases.txt:" + std::to_string(command.first) + ": " + command.second);
        std::vector<Word> words;
        std::string error;
        ASSERT_TRUE(SplitWords(command.second, words, error)) << error;
        std::vector<std::string> w;
        for (const Word& word : words) w.push_back(word.text);
        auto message = [](const std::string& word) {
            for (const MessageEntry& e : MessageCatalog) {
                if (word == e.key) return std::string(e.builtInText);
            }
            return word;
        };
        if (w[0] == "set" && w[1] == "userId") {
            std::snprintf(userId, sizeof userId, "%s", w[2].c_str());
        } else if (w[0] == "set") {
            OneSetting setting{w[1], w[2]};
            ReadSettings(setting, ConduitSettings);
        } else if (w[0] == "prefill") {
            std::ofstream(PathOf(std::stoi(w[1])), std::ios::binary) << w[2];
        } else if (w[0] == "record") {
            Open();
            // On the heap and exactly as long as the text and its zero byte,
            // or N bytes: a read beyond is reported.
            std::string bytes = w[2];
            if (w.size() > 4) {
                bytes.append(std::stoul(w[4]), w[5][0]).resize(std::stoul(w[4]));
            } else {
                bytes += '\0';
            }
            std::unique_ptr<char[]> buffer(new char[bytes.size()]);
            std::memcpy(buffer.get(), bytes.data(), bytes.size());
            last = ConvertRecord(buffer.get(), std::stoi(w[1]), bytes.size());
        } else if (w[0] == "refused") {
            EXPECT_EQ(last, 0);
            EXPECT_EQ(loggedLines.empty() ? "" : loggedLines.back(), message(w[1]));
        } else if (w[0] == "close") {
            CloseReportFiles();
            open_ = false;
        } else if (w[0] == "report") {
            EXPECT_EQ(Report(std::stoi(w[1])), w[3]);
        } else if (w[0] == "logged") {
            std::vector<std::string> expected;
            for (size_t i = 1; i < w.size(); ++i) expected.push_back(message(w[i]));
            EXPECT_EQ(loggedLines, expected);
        } else {
            FAIL() << "unknown command";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Records, RecordCase, ::testing::ValuesIn(ReadCaseFile(RECORD_CASES)),
                         [](const auto& info) { return info.param.name; });

}  // namespace
