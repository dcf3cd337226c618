// Registry export files, as tessel-report reads its settings: the reader,
// the choice of the conduit's key and the settings rules over it.
#include <cstdint>
#include <cstring>

#include "registry_export.h"
#include "settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegistryExport file;
    RegistryExportError error;
    const bool read = ReadRegistryExport(data, size, &file, &error);
    if (!read && (error.line == 0 || !file.keys.empty())) __builtin_trap();
    const RegistryExportKey* key = FindConduitKey(file);
    if (key == nullptr) return 0;
    SettingsRecord settings = DefaultSettings();
    ExportedKeySettings source(*key);
    ReadSettings(source, settings);
    // Every text stays terminated within its field.
    if (std::memchr(settings.ReportSeparator, 0, sizeof settings.ReportSeparator) == nullptr ||
        std::memchr(settings.TaskReportFile, 0, sizeof settings.TaskReportFile) == nullptr ||
        settings.DateFormat < 0 || settings.DateFormat > 8) {
        __builtin_trap();
    }
    return 0;
}
