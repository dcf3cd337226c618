// The portable part of the session: the HotSync user and "UID" of the run,
// and the HotSync log writer (the conduit's section of the log, opened by its
// header, one entry per text line, closed as finished or aborted).
#include <string>
#include <vector>

#include "messages.h"
#include "session.h"

char pilotId[kIdSize];
char userId[kIdSize];

namespace {

constexpr size_t kLogLineSize = 4096;

bool logHeaderWritten = false;

// Lines kept back while the session holds them, and how many of them have
// been written.
struct HeldLine {
    std::string text;
    bool cut;  // a warning about a cut field
};
bool holding = false;
std::vector<HeldLine> held;
size_t released = 0;

// Warnings about cut fields that reached the log in this run: the first
// kNamedCutWarnings are written, the others only counted.
constexpr unsigned kNamedCutWarnings = 20;
unsigned cutWarnings = 0;

void WriteHeader() {
    if (!logHeaderWritten) {
        WriteLogEntry("", kLogActivityStart);
        WriteLogEntry(kConduitName, kLogActivityText);
        logHeaderWritten = true;
    }
}

// Writes a line that is not held; a cut warning beyond the named ones is
// only counted.
void WriteOut(const char* line, bool cut) {
    if (cut && ++cutWarnings > kNamedCutWarnings) return;
    WriteHeader();
    WriteLogEntry(line, kLogActivityText);
}

void WriteLine(const char* line, bool cut = false) {
    if (holding) {
        held.push_back({line, cut});
        return;
    }
    WriteOut(line, cut);
}

// Appends text to line (bounded), turning "%%" into "%" when percent is set.
size_t AppendText(char* line, size_t used, const char* text, bool percent) {
    for (const char* p = text; *p != '\0' && used < kLogLineSize - 1; ++p) {
        if (percent && p[0] == '%' && p[1] == '%') ++p;
        line[used++] = *p;
    }
    line[used] = '\0';
    return used;
}

}  // namespace

void ResetLogHeader() {
    logHeaderWritten = false;
    cutWarnings = 0;
}

void LogSectionOfOneLine(const char* text) {
    WriteLogEntry("", kLogActivityStart);
    WriteLogEntry(text, kLogActivityText);
    WriteLogEntry("", kLogActivityFinish);
}

void LogMessage(const char* text) {
    char line[kLogLineSize];
    AppendText(line, 0, text != nullptr ? text : "", true);
    WriteLine(line);
}

namespace {

// The line of format with its "%s" replaced by the arguments.
void Format(char (&line)[kLogLineSize], const char* format, const char* argument,
            const char* second) {
    const char* arguments[2] = {argument != nullptr ? argument : "", second};
    int next = 0;
    size_t used = 0;
    line[0] = '\0';
    for (const char* p = format != nullptr ? format : ""; *p != '\0' && used < kLogLineSize - 1;
         ++p) {
        if (p[0] == '%' && p[1] == 's' && next < 2 && arguments[next] != nullptr) {
            used = AppendText(line, used, arguments[next++], false);
            ++p;
            continue;
        }
        if (p[0] == '%' && p[1] == '%') ++p;
        line[used++] = *p;
        line[used] = '\0';
    }
    for (; next < 2 && arguments[next] != nullptr; ++next) {
        used = AppendText(line, used, " ", false);
        used = AppendText(line, used, arguments[next], false);
    }
}

}  // namespace

void LogMessage(const char* format, const char* argument, const char* second) {
    char line[kLogLineSize];
    Format(line, format, argument, second);
    WriteLine(line);
}

void LogCutWarning(const char* format, const char* date) {
    char line[kLogLineSize];
    Format(line, format, date, nullptr);
    WriteLine(line, true);
}

void LogOtherCutWarnings() {
    if (cutWarnings > kNamedCutWarnings) {
        const std::string others = std::to_string(cutWarnings - kNamedCutWarnings);
        LogMessage(Msg(msgWrnMoreCut), others.c_str());
    }
    cutWarnings = 0;
}

void LogFinish() {
    LogOtherCutWarnings();
    if (!logHeaderWritten) {
        WriteLogEntry("", kLogActivityStart);
        WriteLogEntry(kConduitName, kLogActivityText);
    }
    WriteLogEntry("", kLogActivityFinish);
}

void LogAbort() {
    LogOtherCutWarnings();
    if (!logHeaderWritten) {
        WriteLogEntry("", kLogActivityStart);
        WriteLogEntry(kConduitName, kLogActivityAbort);
    } else {
        WriteLogEntry("", kLogActivityAbort);
    }
}

void HoldLogLines() {
    holding = true;
    held.clear();
    released = 0;
}

size_t HeldLogLines() { return held.size(); }

void StopHoldingLogLines() { holding = false; }

void ReleaseLogLines(size_t count) {
    for (; released < count && released < held.size(); ++released) {
        WriteOut(held[released].text.c_str(), held[released].cut);
    }
}

void DropLogLines() {
    holding = false;
    held.clear();
    released = 0;
}
