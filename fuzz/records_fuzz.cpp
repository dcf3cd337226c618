// Record texts from the handheld: every category, into real report streams.
// The first input byte picks the category and a few settings; the rest is
// the record buffer (1024 bytes, not necessarily terminated).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "records.h"
#include "report_files.h"
#include "session.h"
#include "settings.h"

namespace {

std::string directory;

void OpenStreams() {
    if (directory.empty()) {
        char pattern[] = "/tmp/tessel-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        directory = pattern;
    }
    ConduitSettings.SyncBackupMethod = 0;
    if (!OpenReportFiles(directory.c_str()) || !BeginReportPass(false)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int records = 0;
    if (records++ % 512 == 0) {
        std::snprintf(pilotId, sizeof pilotId, "Ziduv Vazuv");
        std::snprintf(userId, sizeof userId, "U-17");
        CloseReportFiles();
        OpenStreams();  // rewrites the files, so they stay small
    }
    if (size == 0) return 0;
    const uint8_t control = data[0];
    ConduitSettings.SingleLineNotes = control & 0x08;
    ConduitSettings.QuoteDateFields = control & 0x10;
    ConduitSettings.StringDelimiter[0] = (control & 0x20) ? '"' : '\0';
    ConduitSettings.FieldDelimiter[0] = (control & 0x40) ? ';' : '\0';
    const int category = static_cast<int>(control & 0x07) - 1;  // -1 .. 6

    std::vector<char> buffer(kRecordBufferSize);
    const size_t length = size - 1 < buffer.size() ? size - 1 : buffer.size();
    std::memcpy(buffer.data(), data + 1, length);
    if (length < buffer.size()) buffer[length] = '\0';
    ConvertRecord(buffer.data(), category);
    return 0;
}
