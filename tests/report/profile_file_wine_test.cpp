// The portable profile reader beside GetPrivateProfileStringA and
// GetPrivateProfileIntA under Wine: a table of small files, each read with
// its queries both ways.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "profile_file.h"

using namespace std::string_literals;

namespace {

struct Query {
    const char* section;
    const char* key;
    const char* defaultValue;
    uint32_t size;  // of the text buffer
};

struct ProfileCase {
    const char* name;
    std::string text;
    std::vector<Query> queries;
};

class Profile : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(Profile, ReadsAsTheProfileFunctions) {
    const ProfileCase& c = GetParam();
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "\\profile-" + c.name + ".ini";
    std::ofstream(path, std::ios::binary) << c.text;
    const ProfileFile file(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size());
    for (const Query& q : c.queries) {
        const std::string where =
            std::string("[") + q.section + "] " + q.key + " size " + std::to_string(q.size);
        std::string expected(q.size + 1, '#');
        std::string actual(q.size + 1, '#');
        const DWORD length = GetPrivateProfileStringA(q.section, q.key, q.defaultValue,
                                                      &expected[0], q.size, path.c_str());
        EXPECT_EQ(file.GetString(q.section, q.key, q.defaultValue, &actual[0], q.size), length)
            << where;
        EXPECT_EQ(actual.substr(0, length + 1), expected.substr(0, length + 1)) << where;
        EXPECT_EQ(file.GetInt(q.section, q.key, 99),
                  GetPrivateProfileIntA(q.section, q.key, 99, path.c_str()))
            << where;
    }
}

const std::string kLong(300, 'a');

INSTANTIATE_TEST_SUITE_P(
    Wine, Profile,
    ::testing::Values(
        ProfileCase{"NamesInAnyCaseAndBlanks",
                    "[General]\r\nContentType = NLS-Message-File\r\n[\xC4rger]\r\nK=\xE4\r\n",
                    {{"General", "ContentType", "", 80},
                     {" general ", "CONTENTTYPE ", "", 80},
                     {"General", "Missing", "fallback  ", 80},
                     {"General", "Missing", "\"quoted default\"", 80},
                     {"Missing", "ContentType", "", 80},
                     {"\xE4rger", "k", "", 80}}},
        ProfileCase{"QuotesAndTrimming",
                    "[s]\n a = b c \t\nq=\"  quoted  \"\ns='single'\nu=\"unbalanced\n"
                    "e=\"\"\ng=\nm='\"mixed'\none=\"\nx='abc'\n",
                    {{"s", "a", "", 80},
                     {"s", "q", "", 80},
                     {"s", "s", "", 80},
                     {"s", "u", "", 80},
                     {"s", "e", "", 80},
                     {"s", "g", "", 80},
                     {"s", "m", "", 80},
                     {"s", "one", "", 80},
                     {"s", "x", "", 1},
                     {"s", "x", "", 2},
                     {"s", "x", "", 3},
                     {"s", "x", "", 4},
                     {"s", "x", "", 5}}},
        ProfileCase{"FirstSectionAndKeyOfAName",
                    "[s]\nk=1\nk=2\n[S]\nk=3\nother=4\n",
                    {{"s", "k", "", 80}, {"S", "other", "-", 80}}},
        ProfileCase{
            "HeadersAndLinesWithoutValues",
            "top=t\n[ spaced ]\nk=v\n[open\nnovalue\n;note=x\n=first\n=second\n[a]b]\nk=w\n",
            {{"", "top", "", 80},
             {"spaced", "k", "", 80},
             {"spaced", "[open", "", 80},
             {"spaced", "novalue", "d", 80},
             {"spaced", ";note", "", 80},
             {"spaced", "", "", 80},
             {"a]b", "k", "", 80}}},
        ProfileCase{"Numbers",
                    "[n]\na=12\nb=-5\nc=0x1A\nd=0X1A\ne= 42abc\nf=\"7\"\ng=4294967297\n"
                    "h=0b101\ni=0o17\nj=+3\nk=\nl=abc\nm=1234567890123456789012345678901\n",
                    {{"n", "a", "", 8},
                     {"n", "b", "", 8},
                     {"n", "c", "", 8},
                     {"n", "d", "", 8},
                     {"n", "e", "", 8},
                     {"n", "f", "", 8},
                     {"n", "g", "", 8},
                     {"n", "h", "", 8},
                     {"n", "i", "", 8},
                     {"n", "j", "", 8},
                     {"n", "k", "", 8},
                     {"n", "l", "", 8},
                     {"n", "m", "", 40}}},
        ProfileCase{
            "LongValuesAreCut",
            "[s]\nk=" + kLong + "\nq=\"" + kLong + "\"\n",
            {{"s", "k", "", 256}, {"s", "q", "", 256}, {"s", "q", "", 301}, {"s", "q", "", 302}}},
        ProfileCase{"LineEndsAndZeroCharacters",
                    "\r\r\n[s]\r\rk=v\ra=x\0y\rz\0w=1\r"s,
                    {{"s", "k", "", 80}, {"s", "a", "", 80}, {"s", "z", "", 80}}},
        ProfileCase{"Utf8Mark",
                    "\xEF\xBB\xBF[s]\r\nk=\xC3\x84\xC4\x80\xE2\x82\xAC\r\n",
                    {{"s", "k", "", 80}}},
        ProfileCase{
            "Utf16Mark", "\xFF\xFE[\0s\0]\0\n\0k\0=\0\x00\x01\xAC\x20\n\0"s, {{"s", "k", "", 80}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
