#include "settings_export.h"

#include <cstdio>
#include <cstring>

#include "messages.h"
#include "registry_export.h"
#include "session.h"
#include "settings.h"
#include "system_text.h"

namespace {

// The exported key's values for ReadSettings, remembering each number read.
class RecordingSource {
  public:
    explicit RecordingSource(const RegistryExportKey& key) : source_(key) {}

    bool GetString(const char* name, char* buffer, uint32_t size) const {
        return source_.GetString(name, buffer, size);
    }
    bool GetDword(const char* name, uint32_t* target) {
        if (!source_.GetDword(name, target)) return false;
        numbers.push_back({name, *target});
        return true;
    }

    struct Number {
        const char* name;
        uint32_t value;
    };
    std::vector<Number> numbers;

  private:
    ExportedKeySettings source_;
};

std::string Dword(uint32_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(value));
    return text;
}

// What the conduit makes of a number outside its setting's range, as the
// export would spell it; empty when the number is in range. Switches are
// on for any value but 0, SyncBackupMethod 1 alone means "only new and
// changed", DateFormat takes 0 to 8 and falls back to 2, and a delimiter
// keeps the low 8 bits of its code.
std::string UsedInstead(const char* name, uint32_t value) {
    if (std::strcmp(name, "SyncBackupMethod") == 0) return value > 1 ? Dword(0) : "";
    if (std::strcmp(name, "DateFormat") == 0) return value > 8 ? Dword(2) : "";
    if (std::strstr(name, "Delimiter") != nullptr) return value > 0xFF ? Dword(value & 0xFF) : "";
    return value > 1 ? Dword(1) : "";
}

}  // namespace

bool LoadSettingsExport(const std::vector<uint8_t>& bytes, const std::string& path) {
    RegistryExport file;
    RegistryExportError error;
    if (!ReadRegistryExport(bytes.data(), bytes.size(), &file, &error)) {
        LogMessage(Msg(msgReportBadSettings), SystemText(path).c_str(),
                   std::to_string(error.line).c_str());
        return false;
    }
    const RegistryExportKey* key = FindConduitKey(file);
    if (key == nullptr) {
        LogMessage(Msg(msgReportNoSettings), SystemText(path).c_str());
        return false;
    }
    RecordingSource source(*key);
    ReadSettings(source, ConduitSettings);
    for (const RecordingSource::Number& n : source.numbers) {
        const std::string used = UsedInstead(n.name, n.value);
        if (used.empty()) continue;
        const std::string value = "\"" + std::string(n.name) + "\"=" + Dword(n.value);
        LogMessage(Msg(msgReportSettingRange), value.c_str(), used.c_str());
    }
    return true;
}
