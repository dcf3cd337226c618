#include "records.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "messages.h"
#include "report_files.h"
#include "report_writer.h"
#include "session.h"
#include "settings.h"

namespace {

// The layouts as scanf would read them. "\032" is the byte 0x1A that ends the
// notes.
const char kTaskLayout[] = "%hd.%hd.%hd,%hd:%hd,%hd:%hd,%[^,],%[^,],%[^,],%[^\032]";
const char kExpenseLayout[] = "%hd.%hd.%hd,%[^,],%[^,],%[^,],%[^,],%[^,],%[^,],%[^\032]";
const char kRouteLayout[] = "%hd.%hd.%hd,%[^,],%[^,],%[^,],%[^,],%[^,],%ld,%ld,%ld,%[^\032]";
const char kContactLayout[] = "%hd.%hd.%hd,%[^,],%[^,],%[^,],%[^,],%[^\032]";
const char kMemoLayout[] = "%hd.%hd.%hd,%[^,],%[^,],%[^,],%[^\032]";

constexpr int kMaxTargets = 12;

// Where one conversion of a layout goes: a 16-bit number, a 32-bit number or
// a text buffer of the given size.
struct Target {
    int16_t* shortValue = nullptr;
    int32_t* longValue = nullptr;
    char* text = nullptr;
    size_t size = 0;
};

Target Short(int16_t& value) {
    Target t;
    t.shortValue = &value;
    return t;
}
Target Long(int32_t& value) {
    Target t;
    t.longValue = &value;
    return t;
}
template <size_t N>
Target Text(char (&buffer)[N]) {
    Target t;
    t.text = buffer;
    t.size = N;
    return t;
}

// White space as isspace() knows it in the C locale.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Stores the low 16 bits, as a short receives a long.
int16_t Wrap16(int32_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFFu));
}

// A decimal number as "%ld" reads it with a 32-bit long: white space, an
// optional sign, at least one digit. Out-of-range values saturate at the
// 32-bit limits (as strtol does).
bool ScanNumber(const char*& p, const char* end, int32_t* value) {
    const char* q = p;
    while (q != end && IsSpace(*q)) ++q;
    bool negative = false;
    if (q != end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
    if (q == end || !IsDigit(*q)) return false;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    for (; q != end && IsDigit(*q); ++q) {
        magnitude = magnitude * 10 + (*q - '0');
        if (magnitude > limit) magnitude = limit;
    }
    *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    p = q;
    return true;
}

// "%[^stop]": one or more bytes other than stop. All of them are consumed;
// the first size - 1 are kept, and cut tells when that was not all.
bool ScanText(const char*& p, const char* end, char stop, char* out, size_t size, bool& cut) {
    const char* q = p;
    while (q != end && *q != stop) ++q;
    if (q == p) return false;
    size_t length = static_cast<size_t>(q - p);
    if (length > size - 1) {
        length = size - 1;
        cut = true;
    }
    std::memcpy(out, p, length);
    out[length] = '\0';
    p = q;
    return true;
}

// Reads [begin, end) with a layout made of literal bytes, "%hd", "%ld" and
// "%[^c]", filling targets in order. Returns the number of conversions done
// before the first that does not match.
int ScanLayout(const char* begin, const char* end, const char* layout, const Target* targets,
               bool& cut) {
    const char* p = begin;
    int count = 0;
    for (const char* f = layout; *f != '\0';) {
        if (*f != '%') {
            if (p == end || *p != *f) return count;
            ++p;
            ++f;
            continue;
        }
        const Target& target = targets[count];
        if (f[1] == 'h' && f[2] == 'd') {
            int32_t value;
            if (!ScanNumber(p, end, &value)) return count;
            *target.shortValue = Wrap16(value);
            f += 3;
        } else if (f[1] == 'l' && f[2] == 'd') {
            int32_t value;
            if (!ScanNumber(p, end, &value)) return count;
            *target.longValue = value;
            f += 3;
        } else {  // "%[^c]"
            if (!ScanText(p, end, f[3], target.text, target.size, cut)) return count;
            f += 5;
        }
        ++count;
    }
    return count;
}

// Copies text, cut to size - 1 characters; true when it was cut.
bool CopyCut(char* target, size_t size, const char* text) {
    size_t length = 0;
    while (length < size - 1 && text[length] != '\0') ++length;
    std::memcpy(target, text, length);
    target[length] = '\0';
    return text[length] != '\0';
}

const MessageKey kCutWarnings[kReportCount] = {msgWrnTaskCut, msgWrnExpenseCut, msgWrnRouteCut,
                                               msgWrnContactCut, msgWrnMemoCut};

}  // namespace

bool KindFromCategory(int category, RecordKind* kind) {
    if (category < 1 || category > 5) return false;
    *kind = static_cast<RecordKind>(category);
    return true;
}

int ReportIndex(RecordKind kind) {
    switch (kind) {
        case RecordKind::Task:
            return 0;
        case RecordKind::Expense:
            return 1;
        case RecordKind::Route:
            return 2;
        case RecordKind::Contact:
            return 3;
        case RecordKind::Memo:
            break;
    }
    return 4;
}

int FieldCount(RecordKind kind) {
    switch (kind) {
        case RecordKind::Task:
            return 11;
        case RecordKind::Expense:
            return 10;
        case RecordKind::Route:
            return 12;
        case RecordKind::Contact:
            return 8;
        case RecordKind::Memo:
            break;
    }
    return 7;
}

int MinimumFieldCount(RecordKind kind) { return FieldCount(kind) - 1; }

int ScanRecord(RecordKind kind, const char* text, RecordFields* fields, size_t size) {
    const size_t limit = size < kRecordBufferSize ? size : kRecordBufferSize;
    size_t length = 0;
    while (length < limit && text[length] != '\0') ++length;
    const char* end = text + length;

    RecordFields& r = *fields;
    Target targets[kMaxTargets];
    int n = 0;
    targets[n++] = Short(r.day);
    targets[n++] = Short(r.month);
    targets[n++] = Short(r.year);
    const char* layout = kMemoLayout;
    switch (kind) {
        case RecordKind::Task: {
            TaskFields& t = r.task;
            layout = kTaskLayout;
            targets[n++] = Short(t.startHour);
            targets[n++] = Short(t.startMinute);
            targets[n++] = Short(t.durationHours);
            targets[n++] = Short(t.durationMinutes);
            targets[n++] = Text(t.Kunde);
            targets[n++] = Text(t.Projekt);
            targets[n++] = Text(t.Taetigkeit);
            targets[n++] = Text(t.Bemerkungen);
            break;
        }
        case RecordKind::Expense: {
            ExpenseFields& e = r.expense;
            layout = kExpenseLayout;
            targets[n++] = Text(e.Kunde);
            targets[n++] = Text(e.Projekt);
            targets[n++] = Text(e.Verwendung);
            targets[n++] = Text(e.Menge);
            targets[n++] = Text(e.Einzel);
            targets[n++] = Text(e.Gesamt);
            targets[n++] = Text(e.Bemerkungen);
            break;
        }
        case RecordKind::Route: {
            RouteFields& t = r.route;
            layout = kRouteLayout;
            targets[n++] = Text(t.Kunde);
            targets[n++] = Text(t.Projekt);
            targets[n++] = Text(t.Taetigkeit);
            targets[n++] = Text(t.Abfahrt);
            targets[n++] = Text(t.Ankunft);
            targets[n++] = Long(t.Abfahrt_KM);
            targets[n++] = Long(t.Ankunft_KM);
            targets[n++] = Long(t.Entfernung_KM);
            targets[n++] = Text(t.Bemerkungen);
            break;
        }
        case RecordKind::Contact: {
            ContactFields& c = r.contact;
            layout = kContactLayout;
            targets[n++] = Text(c.Kunde);
            targets[n++] = Text(c.Projekt);
            targets[n++] = Text(c.Thema);
            targets[n++] = Text(c.nameScan);
            targets[n++] = Text(c.Bemerkungen);
            break;
        }
        case RecordKind::Memo: {
            MemoFields& m = r.memo;
            layout = kMemoLayout;
            targets[n++] = Text(m.Kunde);
            targets[n++] = Text(m.Projekt);
            targets[n++] = Text(m.Thema);
            targets[n++] = Text(m.Bemerkungen);
            break;
        }
    }
    // The fields start empty or zero, as on a cleared record, so that one
    // the text does not supply stays so; clearing only the layout's
    // fields spares a clear of the whole record per record.
    r.cut = false;
    for (int i = 0; i < n; ++i) {
        if (targets[i].shortValue != nullptr) *targets[i].shortValue = 0;
        if (targets[i].longValue != nullptr) *targets[i].longValue = 0;
        if (targets[i].text != nullptr) targets[i].text[0] = '\0';
    }
    return ScanLayout(text, end, layout, targets, r.cut);
}

double ParseAmount(const char* text, size_t size) {
    size_t length = 0;
    while (length < size && text[length] != '\0') ++length;
    const char* p = text;
    const char* end = text + length;
    while (p != end && IsSpace(*p)) ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Mantissa: digits, optionally a point and more digits; at least one digit.
    const char* start = p;
    int integerDigits = 0;  // significant digits before the point
    int leadingFractionZeros = 0;
    bool seenNonZero = false;
    bool anyDigit = false;
    for (; p != end && IsDigit(*p); ++p) {
        anyDigit = true;
        if (*p != '0') seenNonZero = true;
        if (seenNonZero) ++integerDigits;
    }
    if (p != end && *p == '.') {
        ++p;
        for (; p != end && IsDigit(*p); ++p) {
            anyDigit = true;
            if (*p != '0') seenNonZero = true;
            if (!seenNonZero) ++leadingFractionZeros;
        }
    }
    if (!anyDigit) return 0.0;
    // Exponent, taken only when at least one digit follows.
    int64_t exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (q != end && (*q == '+' || *q == '-')) {
            negativeExponent = *q == '-';
            ++q;
        }
        if (q != end && IsDigit(*q)) {
            for (; q != end && IsDigit(*q); ++q) {
                if (exponent < 100000) exponent = exponent * 10 + (*q - '0');
            }
            if (negativeExponent) exponent = -exponent;
            p = q;
        }
    }
    double value = 0.0;
    std::from_chars_result result = std::from_chars(start, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Decimal magnitude of the first significant digit decides between
        // overflow and underflow.
        int64_t magnitude =
            integerDigits > 0 ? integerDigits - 1 + exponent : exponent - leadingFractionZeros - 1;
        value = magnitude > 0 ? HUGE_VAL : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

namespace {

// Writes value as "%.Nd" does (a minus sign, then at least digits digits)
// and returns the end. The fields are sized for the 16-bit values they hold.
char* PutNumber(char* out, int value, int digits) {
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    if (value < 0) *out++ = '-';
    char reversed[12];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n < digits) reversed[n++] = '0';
    while (n > 0) *out++ = reversed[--n];
    return out;
}

}  // namespace

void DeriveFields(RecordKind kind, RecordFields* fields) {
    RecordFields& r = *fields;
    r.fullYear = r.year < 50 ? 2000 + r.year : 1900 + r.year;
    // "%.4d/%.2d/%.2d", without the cost of a formatted print per record.
    char* date = PutNumber(r.Datum, r.fullYear, 4);
    *date++ = '/';
    date = PutNumber(date, r.month, 2);
    *date++ = '/';
    *PutNumber(date, r.day, 2) = '\0';
    switch (kind) {
        case RecordKind::Task: {
            TaskFields& t = r.task;
            t.Dauer = Wrap16(t.durationHours * 60 + t.durationMinutes);
            char* time = PutNumber(t.Startzeit, t.startHour, 2);  // "%.2d:%.2d"
            *time++ = ':';
            *PutNumber(time, t.startMinute, 2) = '\0';
            break;
        }
        case RecordKind::Expense: {
            ExpenseFields& e = r.expense;
            e.quantity = ParseAmount(e.Menge, sizeof e.Menge);
            e.unitPrice = ParseAmount(e.Einzel, sizeof e.Einzel);
            e.total = ParseAmount(e.Gesamt, sizeof e.Gesamt);
            break;
        }
        case RecordKind::Contact: {
            ContactFields& c = r.contact;
            // "$0001A2F3:Diri Deziz" is reported as "Diri Deziz".
            const bool prefixed =
                c.nameScan[0] == '$' && std::strlen(c.nameScan) >= 10 && c.nameScan[9] == ':';
            if (CopyCut(c.Name, sizeof c.Name, prefixed ? c.nameScan + 10 : c.nameScan))
                r.cut = true;
            break;
        }
        case RecordKind::Route:
        case RecordKind::Memo:
            break;
    }
}

Conversion ConvertRecordWithCause(const char* text, int category, size_t size) {
    RecordKind kind;
    if (!KindFromCategory(category, &kind)) {
        LogMessage(Msg(msgErrUnknownRecType));
        return Conversion::Refused;
    }
    RecordFields fields;
    if (text == nullptr || ScanRecord(kind, text, &fields, size) < MinimumFieldCount(kind)) {
        LogMessage(Msg(msgErrBadRecFormat));
        return Conversion::Refused;
    }
    DeriveFields(kind, &fields);
    if (WriteReportLine(kind, fields) == 0) {
        const ReportStream* report = reportFiles[ReportIndex(kind)];
        return report != nullptr && report->Failed() ? Conversion::WriteFailed
                                                     : Conversion::Refused;
    }
    if (fields.cut) LogCutWarning(Msg(kCutWarnings[ReportIndex(kind)]), fields.Datum);
    return Conversion::Written;
}

int ConvertRecord(const char* text, int category, size_t size) {
    return ConvertRecordWithCause(text, category, size) == Conversion::Written ? 1 : 0;
}
