#include "text_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Translate(const char* source, size_t size = 64) {
    char target[64];
    TranslateEscapes(source, target, size);
    return target;
}

TEST(TextRules, EscapesAreTranslated) {
    EXPECT_EQ(Translate("one\\ntwo"), "one\ntwo");
    EXPECT_EQ(Translate("a\\rb\\tc"), "a\rb\tc");
    EXPECT_EQ(Translate("back\\\\slash"), "back\\slash");
    EXPECT_EQ(Translate("\\quiet"), "quiet");
    EXPECT_EQ(Translate("ends\\"), "ends");
    EXPECT_EQ(Translate(""), "");
    // Cut to the target, always terminated.
    EXPECT_EQ(Translate("abcdef", 4), "abc");
    EXPECT_EQ(Translate("ab\\ncd", 4), "ab\n");
}

TEST(TextRules, DecimalReading) {
    EXPECT_EQ(ReadDecimal("3"), 3);
    EXPECT_EQ(ReadDecimal(" 3"), 3);
    EXPECT_EQ(ReadDecimal("+3"), 3);
    EXPECT_EQ(ReadDecimal("-7x"), -7);
    EXPECT_EQ(ReadDecimal("12ab3"), 12);
    EXPECT_EQ(ReadDecimal("abc"), 0);
    EXPECT_EQ(ReadDecimal(""), 0);
    EXPECT_EQ(ReadDecimal("+-3"), 0);
    EXPECT_EQ(ReadDecimal("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ReadDecimal("-99999999999999999999"), INT32_MIN);
}

TEST(TextRules, DwordValues) {
    uint32_t value = 77;
    EXPECT_TRUE(ReadDwordValue("dword:0000000a", &value));
    EXPECT_EQ(value, 10u);
    EXPECT_TRUE(ReadDwordValue("dword:123456789", &value));
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_TRUE(ReadDwordValue("dword: ffffffff", &value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_TRUE(ReadDwordValue("dword:1fz", &value));
    EXPECT_EQ(value, 0x1Fu);
    value = 77;
    EXPECT_FALSE(ReadDwordValue("DWORD:0000000A", &value));
    EXPECT_FALSE(ReadDwordValue("dword:", &value));
    EXPECT_FALSE(ReadDwordValue("dword:zz", &value));
    EXPECT_FALSE(ReadDwordValue("dwor", &value));
    EXPECT_EQ(value, 77u);
}

TEST(TextRules, CreatorCodes) {
    uint32_t code = 0;
    EXPECT_TRUE(PackCreatorCode("LDGY", &code));
    EXPECT_EQ(code, 0x4C444759u);
    EXPECT_TRUE(PackCreatorCode("\xff\x01\x02\x80", &code));
    EXPECT_EQ(code, 0xFF010280u);
    code = 5;
    EXPECT_FALSE(PackCreatorCode("ABC", &code));
    EXPECT_FALSE(PackCreatorCode("ABCDE", &code));
    EXPECT_EQ(code, 5u);
}

TEST(TextRules, CaseAndEntryNames) {
    EXPECT_TRUE(EqualIgnoringCase("Ledgerly", "LEDGERLY"));
    EXPECT_FALSE(EqualIgnoringCase("Ledgerly", "Ledgerl"));
    EXPECT_FALSE(EqualIgnoringCase("\xe4", "\xc4"));  // only A to Z
    int32_t number = -1;
    EXPECT_TRUE(ReadEntryNumber("Application12", &number));
    EXPECT_EQ(number, 12);
    EXPECT_TRUE(ReadEntryNumber("ApplicationX", &number));
    EXPECT_EQ(number, 0);
    EXPECT_FALSE(ReadEntryNumber("application3", &number));
    EXPECT_FALSE(ReadEntryNumber("MyApplication3", &number));
}

}  // namespace
