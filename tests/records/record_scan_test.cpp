// The record scanner against the C library's sscanf with the same layouts,
// on random mutations of valid records (numbers and fields within their
// limits, where sscanf is defined): both convert the same number of fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "records.h"

namespace {

const char kT1[] = "14.3.00,9:05,1:30,M\374ller GmbH,Website,Design,Logo entwerfen";

#ifndef _WIN32
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

}  // namespace
