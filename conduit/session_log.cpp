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
bool holding = false;
std::vector<std::string> held;
size_t released = 0;

void WriteHeader() {
    if (!logHeaderWritten) {
        WriteLogEntry("", kLogActivityStart);
        WriteLogEntry(kConduitName, kLogActivityText);
        logHeaderWritten = true;
    }
}

void WriteLine(const char* line) {
    if (holding) {
        held.emplace_back(line);
        return;
    }
    WriteHeader();
    WriteLogEntry(line, kLogActivityText);
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

void ResetLogHeader() { logHeaderWritten = false; }

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

void LogMessage(const char* format, const char* argument, const char* second) {
    const char* arguments[2] = {argument != nullptr ? argument : "", second};
    int next = 0;
    char line[kLogLineSize];
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
    WriteLine(line);
}

void LogFinish() {
    if (!logHeaderWritten) {
        WriteLogEntry("", kLogActivityStart);
        WriteLogEntry(kConduitName, kLogActivityText);
    }
    WriteLogEntry("", kLogActivityFinish);
}

void LogAbort() {
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
        WriteHeader();
        WriteLogEntry(held[released].c_str(), kLogActivityText);
    }
}

void DropLogLines() {
    holding = false;
    held.clear();
    released = 0;
}
