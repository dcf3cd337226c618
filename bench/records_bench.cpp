// Records per second: ConvertRecord with the report writer, per kind, into
// real report files in a temporary folder (each line flushed to the file).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "records.h"
#include "report_files.h"
#include "session.h"
#include "settings.h"

void WriteLogEntry(const char*, int) {}

namespace {

namespace fs = std::filesystem;

const char* const kRecords[] = {
    "14.3.00,9:05,1:30,M\374ller GmbH,Website,Design,Logo entwerfen und abstimmen",
    "2.1.01,M\374ller GmbH,Website,Taxi,2,12.50,25.00,Flughafen",
    "3.1.01,M\374ller GmbH,Website,Besuch,Berlin,Potsdam,10500,10536,36,Kundentermin",
    "4.1.01,M\374ller GmbH,Website,Layout,Farben abstimmen",
    "5.1.01,M\374ller GmbH,Website,Angebot,$0001A2F3:Diri Deziz,R\374ckruf erbeten",
};
const char* const kKindNames[] = {"", "Task", "Expense", "Route", "Memo", "Contact"};

void BM_ConvertRecord(benchmark::State& state) {
    const int category = static_cast<int>(state.range(0));
    fs::path dir = fs::temp_directory_path() / ("tessel-bench-" + std::to_string(category));
    fs::create_directories(dir);
    ConduitSettings = DefaultSettings();
    std::snprintf(pilotId, sizeof pilotId, "Ziduv Vazuv");
    std::snprintf(userId, sizeof userId, "U-17");
    if (!OpenReportFiles(dir.string().c_str()) || !BeginReportPass(false)) {
        state.SkipWithError("cannot open the report files");
        return;
    }
    const char* text = kRecords[category - 1];
    for (auto _ : state) {
        if (ConvertRecord(text, category) == 0) {
            state.SkipWithError("write failed");
            break;
        }
    }
    CloseReportFiles();
    fs::remove_all(dir);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(kKindNames[category]);
}

// The parse alone, without the file.
void BM_ScanRecord(benchmark::State& state) {
    const int category = static_cast<int>(state.range(0));
    RecordKind kind;
    KindFromCategory(category, &kind);
    RecordFields fields;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ScanRecord(kind, kRecords[category - 1], &fields));
        DeriveFields(kind, &fields);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(kKindNames[category]);
}

}  // namespace

BENCHMARK(BM_ConvertRecord)->DenseRange(1, 5)->UseRealTime();
BENCHMARK(BM_ScanRecord)->DenseRange(1, 5);
BENCHMARK_MAIN();
