// HSLOG20.dll: keeps the log entries of the current HotSync for the host.
#define HSLOG20_BUILD
#include "palm/hslog20.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string text;
    int activity;
    int timestamp;
    char time[9];
};

struct Log {
    std::mutex lock;
    std::vector<Entry> entries;
};

Log& TheLog() {
    static Log log;
    return log;
}

}  // namespace

extern "C" {

long __cdecl LogAddEntry(const char* text, int activity, int timestamp) {
    try {
        Entry entry;
        entry.text = text ? text : "";
        entry.activity = activity;
        entry.timestamp = timestamp;
        SYSTEMTIME now;
        GetLocalTime(&now);
        std::snprintf(entry.time, sizeof entry.time, "%02u:%02u:%02u", now.wHour % 24u,
                      now.wMinute % 60u, now.wSecond % 60u);
        std::lock_guard<std::mutex> guard(TheLog().lock);
        TheLog().entries.push_back(std::move(entry));
        return 0;
    } catch (...) {
        return -1;
    }
}

void __cdecl LogHostReset() {
    std::lock_guard<std::mutex> guard(TheLog().lock);
    TheLog().entries.clear();
}

long __cdecl LogHostCount() {
    std::lock_guard<std::mutex> guard(TheLog().lock);
    return static_cast<long>(TheLog().entries.size());
}

const char* __cdecl LogHostEntry(long index, int* activity, int* timestamp, char time[9]) {
    std::lock_guard<std::mutex> guard(TheLog().lock);
    const auto& entries = TheLog().entries;
    if (index < 0 || static_cast<size_t>(index) >= entries.size()) return nullptr;
    const Entry& e = entries[static_cast<size_t>(index)];
    if (activity) *activity = e.activity;
    if (timestamp) *timestamp = e.timestamp;
    if (time) std::memcpy(time, e.time, sizeof e.time);
    return e.text.c_str();
}

}  // extern "C"
