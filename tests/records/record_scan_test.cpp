// Taking record texts apart: layouts, minima, derived values, limits.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "messages.h"
#include "record_test_support.h"
#include "records.h"

namespace {

const char kT1[] = "14.3.00,9:05,1:30,M\374ller GmbH,Website,Design,Logo entwerfen";

RecordFields Parse(RecordKind kind, const std::string& text, int* count = nullptr) {
    RecordFields f;
    int n = ScanRecord(kind, text.c_str(), &f);
    if (count != nullptr) *count = n;
    DeriveFields(kind, &f);
    return f;
}

TEST(RecordKinds, CategoriesAndReportOrder) {
    RecordKind kind;
    const int categories[] = {1, 2, 3, 4, 5};
    const int indexes[] = {0, 1, 2, 4, 3};  // Memo is category 4, Contact 5
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(KindFromCategory(categories[i], &kind));
        EXPECT_EQ(ReportIndex(kind), indexes[i]);
    }
    for (int bad : {0, 6, -1, 32767, -32768, 65537}) EXPECT_FALSE(KindFromCategory(bad, &kind));
}

TEST(RecordScan, MinimaOfTheTaskExamples) {
    struct Case {
        const char* text;
        int fields;
    } cases[] = {
        {kT1, 11},
        {"14.3.00,9:05,1:30,M\374ller GmbH,Website,Design", 10},        // T2: no notes
        {"14.3.00,9:05,1:30,M\374ller GmbH,Website,Design,", 10},       // ends after comma
        {"14.3.00,9:05,1:30,M\374ller GmbH,Website,Design,\032x", 10},  // 0x1A first
        {"14.3.00,9:05,1:30,M\374ller GmbH,Website", 9},                // T3
        {"14.3.00,9:05,1:30,,Website,Design,Logo", 7},                  // T4: empty customer
        {"14 .3.00,9:05,1:30,A,B,C,D", 1},                              // blank before the point
        {"+.3.00,9:05,1:30,A,B,C,D", 0},                                // sign without digits
        {"", 0},
        {" \t\n14.\r3.\v-0,9:05,1:30,A,B,C,D", 11},  // white space before numbers
    };
    for (const Case& c : cases) {
        int n;
        Parse(RecordKind::Task, c.text, &n);
        EXPECT_EQ(n, c.fields) << c.text;
    }
}

TEST(RecordScan, TaskValues) {
    RecordFields f = Parse(RecordKind::Task, kT1);
    EXPECT_STREQ(f.Datum, "2000/03/14");
    EXPECT_STREQ(f.task.Startzeit, "09:05");
    EXPECT_EQ(f.task.Dauer, 90);
    EXPECT_STREQ(f.task.Kunde, "M\374ller GmbH");
    EXPECT_STREQ(f.task.Bemerkungen, "Logo entwerfen");
    EXPECT_EQ(Parse(RecordKind::Task, "1.1.00,0:00,0:90,A,B,C").task.Dauer, 90);
    EXPECT_EQ(Parse(RecordKind::Task, "1.1.00,25:70,600:0,A,B,C").task.Dauer, -29536);  // 16 bits
    EXPECT_STREQ(Parse(RecordKind::Task, "1.1.00,25:70,0:0,A,B,C").task.Startzeit, "25:70");
    // Notes keep commas and line breaks and end at 0x1A.
    EXPECT_STREQ(Parse(RecordKind::Task, "1.1.00,1:0,0:0,A,B,C,x, y\r\nz\032rest").task.Bemerkungen,
                 "x, y\r\nz");
}

TEST(RecordScan, CenturyAndUncheckedDates) {
    struct Case {
        const char* date;
        const char* datum;
    } cases[] = {{"1.1.49", "2049/01/01"},       {"1.1.50", "1950/01/01"},
                 {"1.1.99", "1999/01/01"},       {"1.1.0", "2000/01/01"},
                 {"1.1.2001", "3901/01/01"},     {"31.13.01", "2001/13/31"},
                 {"1.1.-32768", "-30768/01/01"}, {"-32768.-32768.32767", "34667/-32768/-32768"}};
    for (const Case& c : cases) {
        EXPECT_STREQ(Parse(RecordKind::Memo, std::string(c.date) + ",A,B,C").Datum, c.datum);
    }
}

TEST(RecordScan, OutOfRangeNumbersWrapAfterA32BitConversion) {
    RecordFields f = Parse(RecordKind::Memo, "70000.99999999999.-99999999999,A,B,C");
    EXPECT_EQ(f.day, 4464);  // 70000 stored in 16 bits
    EXPECT_EQ(f.month, -1);  // saturated at 2147483647, low 16 bits
    EXPECT_EQ(f.year, 0);    // saturated at -2147483648, low 16 bits
    f = Parse(RecordKind::Route, "1.1.01,A,B,C,D,E,99999999999,-99999999999, -36,N");
    EXPECT_EQ(f.route.Abfahrt_KM, 2147483647);
    EXPECT_EQ(f.route.Ankunft_KM, -2147483647 - 1);
    EXPECT_EQ(f.route.Entfernung_KM, -36);
}

TEST(RecordScan, ExpenseAmounts) {
    RecordFields f = Parse(RecordKind::Expense, "2.1.01,M\374ller GmbH,Website,Taxi,2,12.50,99,F");
    EXPECT_EQ(f.expense.quantity, 2.0);
    EXPECT_EQ(f.expense.unitPrice, 12.5);
    EXPECT_EQ(f.expense.total, 99.0);  // as entered, not computed
    EXPECT_STREQ(f.expense.Einzel, "12.50");
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"abc", 0},    {" \t12.5e1x", 125}, {"1e", 1},
        {"1e+", 1},    {".5", 0.5},         {"5.", 5},
        {"-2", -2},    {"+3", 3},           {".", 0},
        {"e5", 0},     {"12,50", 12},       {"1E-2", 0.01},
        {"inf", 0},    {"0x10", 0},         {"-", 0},
        {"1e-400", 0}, {"0.000e999", 0},    {"3.1415926535897932384626", 3.141592653589793}};
    for (const Case& c : cases) EXPECT_EQ(ParseAmount(c.text, 40), c.value) << c.text;
    EXPECT_EQ(ParseAmount("1e400", 40), HUGE_VAL);
    EXPECT_EQ(ParseAmount("-99e99999999999", 40), -HUGE_VAL);
}

TEST(RecordScan, ContactNamePrefix) {
    struct Case {
        const char* name;
        const char* reported;
    } cases[] = {{"$0001A2F3:Diri Deziz", "Diri Deziz"},
                 {"$1234567:Anna", "$1234567:Anna"},  // colon is the ninth character
                 {"$0001A2F3:", ""},
                 {"$0001A2F3", "$0001A2F3"},
                 {"X0001A2F3:Anna", "X0001A2F3:Anna"}};
    for (const Case& c : cases) {
        std::string text = std::string("5.1.01,M\374ller GmbH,Website,Angebot,") + c.name + ",R";
        EXPECT_STREQ(Parse(RecordKind::Contact, text).contact.Name, c.reported) << c.name;
    }
}

TEST(RecordScan, OverlongFieldsAreCutToTheirWidth) {
    const std::string a(300, 'a'), b(100, 'b'), d(60, '7');
    RecordFields f =
        Parse(RecordKind::Route, "1.1.01," + b + ",P," + b + ",D," + a + ",1,2,3," + a);
    EXPECT_EQ(std::strlen(f.route.Kunde), 79u);
    EXPECT_EQ(std::strlen(f.route.Taetigkeit), 79u);
    EXPECT_EQ(std::strlen(f.route.Ankunft), 127u);
    EXPECT_EQ(std::strlen(f.route.Bemerkungen), 255u);
    EXPECT_EQ(f.route.Entfernung_KM, 3);  // the scan goes on after a cut field
    f = Parse(RecordKind::Expense, "1.1.01,K,P,V," + d + "," + d + ",1e" + d + ",N");
    EXPECT_EQ(std::strlen(f.expense.Menge), 39u);
    EXPECT_EQ(f.expense.quantity, std::strtod(std::string(39, '7').c_str(), nullptr));
    EXPECT_EQ(f.expense.total, HUGE_VAL);
    EXPECT_STREQ(f.expense.Bemerkungen, "N");
    f = Parse(RecordKind::Contact, "1.1.01,K,P,T," + a + ",N");
    EXPECT_EQ(std::strlen(f.contact.nameScan), 99u);
    EXPECT_EQ(std::strlen(f.contact.Name), 79u);
    f = Parse(RecordKind::Contact, "1.1.01,K,P,T,$0001A2F3:" + a + ",N");
    EXPECT_EQ(std::string(f.contact.Name), std::string(79, 'a'));
    EXPECT_STREQ(f.contact.Bemerkungen, "N");
}

TEST(RecordScan, FullBufferWithoutTerminatorIsReadToItsEnd) {
    // Exactly kRecordBufferSize bytes on the heap: any read past them is an
    // overflow that AddressSanitizer reports.
    std::string head = "4.1.01,K,P,T,";
    std::vector<char> buffer(kRecordBufferSize, 'n');
    std::memcpy(buffer.data(), head.data(), head.size());
    int n;
    RecordFields f;
    n = ScanRecord(RecordKind::Memo, buffer.data(), &f);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(std::strlen(f.memo.Bemerkungen), 255u);

    std::fill(buffer.begin(), buffer.end(), '1');  // one endless number
    EXPECT_EQ(ScanRecord(RecordKind::Task, buffer.data(), &f), 1);
    EXPECT_EQ(f.day, -1);                      // saturated, low 16 bits
    std::memcpy(buffer.data(), "1.1.01,", 7);  // one endless text field
    std::fill(buffer.begin() + 7, buffer.end(), 'k');
    EXPECT_EQ(ScanRecord(RecordKind::Contact, buffer.data(), &f), 4);
    EXPECT_EQ(std::strlen(f.contact.Kunde), 79u);
}

#ifndef _WIN32
// The scanner converts as many fields as the C library's sscanf does with the
// same layouts, on mutations of valid records (numbers and fields within their
// limits, where sscanf is defined).
TEST(RecordScan, AgreesWithSscanf) {
    short s[7];
    long l[3];
    char t[7][1100];
    auto sscanfCount = [&](RecordKind kind, const char* x) {
        switch (kind) {
            case RecordKind::Task:
                return std::sscanf(x, "%hd.%hd.%hd,%hd:%hd,%hd:%hd,%[^,],%[^,],%[^,],%[^\032]",
                                   &s[0], &s[1], &s[2], &s[3], &s[4], &s[5], &s[6], t[0], t[1],
                                   t[2], t[3]);
            case RecordKind::Expense:
                return std::sscanf(x, "%hd.%hd.%hd,%[^,],%[^,],%[^,],%[^,],%[^,],%[^,],%[^\032]",
                                   &s[0], &s[1], &s[2], t[0], t[1], t[2], t[3], t[4], t[5], t[6]);
            case RecordKind::Route:
                return std::sscanf(
                    x, "%hd.%hd.%hd,%[^,],%[^,],%[^,],%[^,],%[^,],%ld,%ld,%ld,%[^\032]", &s[0],
                    &s[1], &s[2], t[0], t[1], t[2], t[3], t[4], &l[0], &l[1], &l[2], t[5]);
            case RecordKind::Contact:
                return std::sscanf(x, "%hd.%hd.%hd,%[^,],%[^,],%[^,],%[^,],%[^\032]", &s[0], &s[1],
                                   &s[2], t[0], t[1], t[2], t[3], t[4]);
            case RecordKind::Memo:
                break;
        }
        return std::sscanf(x, "%hd.%hd.%hd,%[^,],%[^,],%[^,],%[^\032]", &s[0], &s[1], &s[2], t[0],
                           t[1], t[2], t[3]);
    };
    std::mt19937 random(20240501);
    const char alphabet[] = "0123456789.,:, -+\t\nab\032";
    const std::string valid[] = {kT1, "2.1.01,K,P,V,2,1.5,3,N", "3.1.01,K,P,T,A,B,1,2,3,N",
                                 "4.1.01,K,P,T,N", "5.1.01,K,P,T,$0001A2F3:N,B"};
    for (int round = 0; round < 20000; ++round) {
        int category = 1 + static_cast<int>(random() % 5);
        std::string text = valid[category - 1];
        for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits) {
            size_t at = random() % (text.size() + 1);
            char c = alphabet[random() % (sizeof alphabet - 1)];
            if (random() % 2 && at < text.size()) {
                text[at] = c;
            } else {
                text.insert(at, 1, c);
            }
        }
        RecordKind kind = static_cast<RecordKind>(category);
        RecordFields mine;
        int n = ScanRecord(kind, text.c_str(), &mine);
        ASSERT_EQ(n, std::max(0, sscanfCount(kind, text.c_str()))) << text;
        if (n >= 3) {
            ASSERT_EQ(mine.year, s[2]) << text;
        }
    }
}
#endif

// Rejected records: the log names the fault and no report receives a byte.
class ConvertRejects : public ReportFilesTest {};

TEST_F(ConvertRejects, UnknownCategoriesAndBadFormats) {
    Open();
    for (int category : {0, 6, -1}) {
        loggedLines.clear();
        EXPECT_EQ(ConvertRecord(kT1, category), 0);
        EXPECT_EQ(loggedLines, std::vector<std::string>{Msg(msgErrUnknownRecType)});
    }
    const char* bad[] = {"14.3.00,9:05,1:30,M\374ller GmbH,Website",
                         "14.3.00,9:05,1:30,,Website,Design,Logo", "", "garbage"};
    for (const char* text : bad) {
        loggedLines.clear();
        EXPECT_EQ(ConvertRecord(text, 1), 0);
        EXPECT_EQ(loggedLines,
                  std::vector<std::string>{"Conduit Fehler: Ung\374ltiges Datensatz Format!"});
    }
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Report(i), "") << i;
}

}  // namespace
