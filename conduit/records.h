// The handheld's record texts: the five kinds of entry, their comma-separated
// layouts, and the conversion of one record into a report line.
//
// Record texts come from the handheld and are untrusted: everything here reads
// at most kRecordBufferSize bytes of a text and never writes a field past its
// width.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kRecordBufferSize = 1024;  // the session's record buffer

// The kinds with their handheld category numbers. Note the order: Memo is 4
// and Contact 5, while the reports are ordered Task, Expense, Route, Contact,
// Memo.
enum class RecordKind { Task = 1, Expense = 2, Route = 3, Memo = 4, Contact = 5 };

// The kind of a category number; false for anything but 1 to 5.
bool KindFromCategory(int category, RecordKind* kind);
// Index of the kind's report file, setting and counter (Task 0, Expense 1,
// Route 2, Contact 3, Memo 4).
int ReportIndex(RecordKind kind);

// Field widths: storage size including the terminating zero.
constexpr size_t kFormattedSize = 16;   // Datum, Startzeit
constexpr size_t kTextFieldSize = 80;   // Kunde, Projekt, Tätigkeit, ...
constexpr size_t kArrivalSize = 128;    // Route: Ankunft
constexpr size_t kNotesSize = 256;      // Bemerkungen
constexpr size_t kAmountTextSize = 40;  // Expense: Menge, Einzel, Gesamt
constexpr size_t kNameScanSize = 100;   // Contact: name before the prefix rule

struct TaskFields {
    int16_t startHour, startMinute, durationHours, durationMinutes;
    char Startzeit[kFormattedSize];
    char Kunde[kTextFieldSize];
    char Projekt[kTextFieldSize];
    char Taetigkeit[kTextFieldSize];
    char Bemerkungen[kNotesSize];
    int16_t Dauer;  // minutes, 16-bit signed
};

struct ExpenseFields {
    char Kunde[kTextFieldSize];
    char Projekt[kTextFieldSize];
    char Verwendung[kTextFieldSize];
    char Menge[kAmountTextSize];
    char Einzel[kAmountTextSize];
    char Gesamt[kAmountTextSize];
    char Bemerkungen[kNotesSize];
    double quantity, unitPrice, total;
};

struct RouteFields {
    char Kunde[kTextFieldSize];
    char Projekt[kTextFieldSize];
    char Taetigkeit[kTextFieldSize];
    char Abfahrt[kTextFieldSize];
    char Ankunft[kArrivalSize];
    char Bemerkungen[kNotesSize];
    int32_t Abfahrt_KM, Ankunft_KM, Entfernung_KM;
};

struct ContactFields {
    char Kunde[kTextFieldSize];
    char Projekt[kTextFieldSize];
    char Thema[kTextFieldSize];
    char nameScan[kNameScanSize];
    char Name[kTextFieldSize];
    char Bemerkungen[kNotesSize];
};

struct MemoFields {
    char Kunde[kTextFieldSize];
    char Projekt[kTextFieldSize];
    char Thema[kTextFieldSize];
    char Bemerkungen[kNotesSize];
};

// One parsed record: the date that every layout begins with, then the layout
// of the record's kind. Cleared to zero bytes before each record, so a field
// that the text does not supply is empty or zero.
struct RecordFields {
    int16_t day, month, year;  // year: as entered until the century rule
    int fullYear;              // four-digit year after the century rule
    // Sized for every value that three 16-bit numbers can format to
    // ("-32768/-32768/-32768"), so the date is never cut.
    char Datum[24];
    bool cut;  // a field was longer than its width and was cut to it
    union {
        TaskFields task;
        ExpenseFields expense;
        RouteFields route;
        ContactFields contact;
        MemoFields memo;
    };
};

// Number of fields in a kind's layout, and how many a record must supply
// (every field but the notes).
int FieldCount(RecordKind kind);
int MinimumFieldCount(RecordKind kind);

// Clears fields and scans text (at most size bytes, and never more than
// kRecordBufferSize, up to its first NUL) with the layout of kind. Returns
// the number of fields converted before the first that does not match (0 for
// an empty text).
int ScanRecord(RecordKind kind, const char* text, RecordFields* fields,
               size_t size = kRecordBufferSize);

// Applies the century rule, the duration, the amounts and the contact name
// rule, and formats Datum (and Startzeit).
void DeriveFields(RecordKind kind, RecordFields* fields);

// An Expense amount text as a double: leading white space skipped, an
// optional sign, decimal digits with an optional point and an optional
// exponent, stopping at the first character that cannot continue the number.
// Locale-independent. A text that does not begin with a number gives 0; a
// magnitude beyond the double range gives +-infinity, one below it +-0.
double ParseAmount(const char* text, size_t size);

// Converts one record text of the given category and appends its line to the
// report file of its kind. Logs an unknown category or a text with too few
// fields and returns 0 for them; otherwise returns the report writer's
// result (nonzero when the line was written without error). A record with a
// field cut to its width is written, and a warning naming its kind and date
// is logged.
// A record read into a buffer holds size bytes (the rest of the buffer is
// not the record's).
int ConvertRecord(const char* text, int category, size_t size = kRecordBufferSize);

// What became of a record: written, refused (logged as above, or its lines
// not taken), or not written because the write of its report failed.
enum class Conversion { Written, Refused, WriteFailed };
// ConvertRecord that tells the cause of a record it did not write.
Conversion ConvertRecordWithCause(const char* text, int category, size_t size = kRecordBufferSize);
