// The portable profile reader beside GetPrivateProfileStringA and
// GetPrivateProfileIntA under Wine: the files of profile_cases.txt, each
// read with its queries both ways.
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "case_file.h"
#include "conduit_host.h"
#include "profile_file.h"

namespace {

class Profile : public ::testing::TestWithParam<FileCase> {};

TEST_P(Profile, ReadsAsTheProfileFunctions) {
    ConduitCase c;
    std::string text;
    std::vector<std::vector<std::string>> queries;
    for (const auto& command : GetParam().commands) {
        std::vector<Word> words;
        std::string error;
        ASSERT_TRUE(SplitWords(command.second, words, error, false)) << error;
        if (words[0].text == "file") text += words[1].text;
        if (words[0].text == "query") queries.push_back({});
        for (size_t i = 1; words[0].text == "query" && i < words.size(); ++i) {
            queries.back().push_back(words[i].text);
        }
    }
    const std::string path = c.root + "\\profile.ini";
    WriteFileBytes(path, text);
    const ProfileFile file(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    for (const auto& q : queries) {
        std::istringstream sizes(q[1]);
        for (std::string number; std::getline(sizes, number, ',');) {
            for (size_t k = 3; k < q.size(); ++k) {
                SCOPED_TRACE("[" + q[0] + "] " + q[k] + " size " + number);
                const uint32_t size = static_cast<uint32_t>(std::stoul(number));
                std::string expected(size + 1, '#'), actual(size + 1, '#');
                const DWORD length = GetPrivateProfileStringA(
                    q[0].c_str(), q[k].c_str(), q[2].c_str(), &expected[0], size, path.c_str());
                EXPECT_EQ(
                    file.GetString(q[0].c_str(), q[k].c_str(), q[2].c_str(), &actual[0], size),
                    length);
                EXPECT_EQ(actual.substr(0, length + 1), expected.substr(0, length + 1));
                EXPECT_EQ(file.GetInt(q[0].c_str(), q[k].c_str(), 99),
                          GetPrivateProfileIntA(q[0].c_str(), q[k].c_str(), 99, path.c_str()));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Wine, Profile, ::testing::ValuesIn(ReadCaseFile(PROFILE_CASES)),
                         [](const auto& info) { return info.param.name; });

}  // namespace
