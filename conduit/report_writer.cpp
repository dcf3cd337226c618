#include "report_writer.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "report_files.h"
#include "session.h"
#include "settings.h"

namespace {

// How a column's value is written.
enum class Form {
    Text,     // text delimiter, text, text delimiter
    Date,     // like Text when QuoteDateFields is on, else bare
    Integer,  // "%d"
    Real,     // "%lf": fixed point, six decimals
    Notes,    // like Text, after the line-break rule
};

struct Column {
    Form form;
    const char* text;
    long long integer;
    double real;
};

Column TextColumn(const char* text) { return {Form::Text, text, 0, 0.0}; }
Column DateColumn(const char* text) { return {Form::Date, text, 0, 0.0}; }
Column NotesColumn(const char* text) { return {Form::Notes, text, 0, 0.0}; }
Column IntegerColumn(long long value) { return {Form::Integer, nullptr, value, 0.0}; }
Column RealColumn(double value) { return {Form::Real, nullptr, 0, value}; }

constexpr int kUserIdColumn = 1;

// Fills columns with the kind's values in report order; returns their count.
int KindColumns(RecordKind kind, const RecordFields& r, Column* columns) {
    int n = 0;
    columns[n++] = TextColumn(pilotId);
    columns[n++] = TextColumn(userId);
    columns[n++] = DateColumn(r.Datum);
    switch (kind) {
        case RecordKind::Task: {
            const TaskFields& t = r.task;
            columns[n++] = TextColumn(t.Kunde);
            columns[n++] = TextColumn(t.Projekt);
            columns[n++] = TextColumn(t.Taetigkeit);
            columns[n++] = DateColumn(t.Startzeit);
            columns[n++] = IntegerColumn(t.Dauer);
            columns[n++] = NotesColumn(t.Bemerkungen);
            break;
        }
        case RecordKind::Expense: {
            const ExpenseFields& e = r.expense;
            columns[n++] = TextColumn(e.Kunde);
            columns[n++] = TextColumn(e.Projekt);
            columns[n++] = TextColumn(e.Verwendung);
            columns[n++] = RealColumn(e.quantity);
            columns[n++] = RealColumn(e.unitPrice);
            columns[n++] = RealColumn(e.total);
            columns[n++] = NotesColumn(e.Bemerkungen);
            break;
        }
        case RecordKind::Route: {
            const RouteFields& t = r.route;
            columns[n++] = TextColumn(t.Kunde);
            columns[n++] = TextColumn(t.Projekt);
            columns[n++] = TextColumn(t.Taetigkeit);
            columns[n++] = TextColumn(t.Abfahrt);
            columns[n++] = TextColumn(t.Ankunft);
            columns[n++] = IntegerColumn(t.Abfahrt_KM);
            columns[n++] = IntegerColumn(t.Ankunft_KM);
            columns[n++] = IntegerColumn(t.Entfernung_KM);
            columns[n++] = NotesColumn(t.Bemerkungen);
            break;
        }
        case RecordKind::Contact: {
            const ContactFields& c = r.contact;
            columns[n++] = TextColumn(c.Kunde);
            columns[n++] = TextColumn(c.Projekt);
            columns[n++] = TextColumn(c.Thema);
            columns[n++] = TextColumn(c.Name);
            columns[n++] = NotesColumn(c.Bemerkungen);
            break;
        }
        case RecordKind::Memo: {
            const MemoFields& m = r.memo;
            columns[n++] = TextColumn(m.Kunde);
            columns[n++] = TextColumn(m.Projekt);
            columns[n++] = TextColumn(m.Thema);
            columns[n++] = NotesColumn(m.Bemerkungen);
            break;
        }
    }
    return n;
}

// The lines of one record, built in the report stream's buffer and handed
// over as one unit. Every line feed is stored as carriage return and line
// feed, as a text stream would store it, on every platform. The room holds
// the largest unit that a record can give (its fields with every byte a line
// feed, the ids, numbers, names, title and separator); what would not fit is
// not kept and fails the line.
class Unit {
  public:
    explicit Unit(char* room) : data_(room) {}

    void Bytes(const char* data, size_t length) {
        if (length > kCapacity - used_) {
            overflow_ = true;
            return;
        }
        std::memcpy(data_ + used_, data, length);
        used_ += length;
    }

    void Byte(char c) {
        if (used_ == kCapacity) {
            overflow_ = true;
            return;
        }
        data_[used_++] = c;
    }

    // A zero-terminated text, at most size bytes of it.
    void Text(const char* text, size_t size = static_cast<size_t>(-1)) {
        size_t length = 0;
        while (length < size && text[length] != '\0') ++length;
        const char* end = text + length;
        for (const char* p = text; p != end;) {
            const char* feed = static_cast<const char*>(std::memchr(p, '\n', end - p));
            if (feed == nullptr) {
                Bytes(p, static_cast<size_t>(end - p));
                break;
            }
            Bytes(p, static_cast<size_t>(feed - p));
            LineEnd();
            p = feed + 1;
        }
    }

    // Notes: with singleLine every carriage return and line feed is a blank.
    void Notes(const char* text, bool singleLine) {
        if (!singleLine) {
            Text(text);
            return;
        }
        const size_t start = used_;
        Bytes(text, std::strlen(text));
        for (size_t i = start; i < used_; ++i) {
            if (data_[i] == '\r' || data_[i] == '\n') data_[i] = ' ';
        }
    }

    // A one-character delimiter setting; an empty one adds nothing.
    void Delimiter(const char (&delimiter)[2]) {
        if (delimiter[0] != '\0') Byte(delimiter[0]);
    }

    void LineEnd() { Bytes("\r\n", 2); }

    // Room for a number of at most size characters; Wrote says how many.
    char* Room(size_t size) {
        if (size > kCapacity - used_) {
            overflow_ = true;
            return nullptr;
        }
        return data_ + used_;
    }
    void Wrote(const char* end) { used_ = static_cast<size_t>(end - data_); }

    size_t size() const { return used_; }
    bool overflow() const { return overflow_; }

  private:
    static constexpr size_t kCapacity = ReportStream::kMaxUnit;
    char* data_;
    size_t used_ = 0;
    bool overflow_ = false;
};

// "%lf" of value: fixed point with six decimals, rounded as printf rounds
// the exact binary value. An amount that is a whole number of millionths
// (as entered amounts are) is written from that integer; any other takes
// the general conversion.
char* WriteReal(char* out, char* end, double value) {
    const double scaled = value * 1e6;
    constexpr double kExact = 1125899906842624.0;  // 2^50: far below one unit of error
    if (scaled > -kExact && scaled < kExact &&
        scaled == static_cast<double>(static_cast<int64_t>(scaled))) {
        int64_t millionths = static_cast<int64_t>(scaled);
        if (std::signbit(value)) {
            *out++ = '-';
            millionths = -millionths;
        }
        out = std::to_chars(out, end, millionths / 1000000).ptr;
        *out++ = '.';
        int64_t fraction = millionths % 1000000;
        for (int i = 5; i >= 0; --i) {
            out[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        return out + 6;
    }
    return std::to_chars(out, end, value, std::chars_format::fixed, 6).ptr;
}

void WriteNamesLine(Unit& out, SettingsRecord& s, int index, bool withUserId) {
    const char(*names)[kColumnNameSize] = ColumnSlots(s, index);
    const int count = ColumnSlotCount(index);
    bool first = true;
    for (int i = 0; i < count; ++i) {
        if (i == kUserIdColumn && !withUserId) continue;
        if (!first) out.Delimiter(s.FieldDelimiter);
        first = false;
        out.Delimiter(s.StringDelimiter);
        out.Text(names[i], kColumnNameSize);
        out.Delimiter(s.StringDelimiter);
    }
    out.LineEnd();
}

void WriteValue(Unit& out, const SettingsRecord& s, const Column& column) {
    switch (column.form) {
        case Form::Date:
            if (!s.QuoteDateFields) {
                out.Text(column.text);
                return;
            }
            [[fallthrough]];
        case Form::Text:
            out.Delimiter(s.StringDelimiter);
            out.Text(column.text);
            out.Delimiter(s.StringDelimiter);
            return;
        case Form::Notes:
            out.Delimiter(s.StringDelimiter);
            out.Notes(column.text, s.SingleLineNotes != 0);
            out.Delimiter(s.StringDelimiter);
            return;
        case Form::Integer: {
            char* room = out.Room(24);
            if (room != nullptr) out.Wrote(std::to_chars(room, room + 24, column.integer).ptr);
            return;
        }
        case Form::Real: {
            // The whole fixed-point expansion of the largest double fits.
            constexpr size_t kRealSize = 400;
            char* room = out.Room(kRealSize);
            if (room != nullptr) out.Wrote(WriteReal(room, room + kRealSize, column.real));
            return;
        }
    }
}

}  // namespace

int WriteReportLine(RecordKind kind, const RecordFields& fields) {
    const int index = ReportIndex(kind);
    ReportStream* file = reportFiles[index];
    if (file == nullptr) return 0;
    SettingsRecord& s = ConduitSettings;
    const bool withUserId = userId[0] != '\0';
    char* room = file->Reserve();
    if (room == nullptr) return 0;
    Unit out(room);

    if (file->End() == 0) {
        if (s.ReportTitle) {
            out.Text(ReportTitleSetting(s, index), kTitleSize);
            out.LineEnd();
            out.LineEnd();
        }
        if (s.FieldNames) WriteNamesLine(out, s, index, withUserId);
    } else if (s.SeparateReports && reportCounters[index] == 0) {
        out.Text(s.ReportSeparator, kSeparatorSize);
        out.LineEnd();
    }

    Column columns[kMaxColumns];
    const int count = KindColumns(kind, fields, columns);
    bool first = true;
    for (int i = 0; i < count; ++i) {
        if (i == kUserIdColumn && !withUserId) continue;
        if (!first) out.Delimiter(s.FieldDelimiter);
        first = false;
        WriteValue(out, s, columns[i]);
    }
    out.LineEnd();
    if (out.overflow()) return 0;
    file->Commit(out.size());
    ++reportCounters[index];
    return 1;
}
