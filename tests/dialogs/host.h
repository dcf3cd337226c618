// A test host for the conduit library: a copy of the built library in a
// folder of the test's own (with the platform DLLs it imports and a message
// file of the test's choice), loaded like the HotSync manager loads it, and a
// registry key of the test's own for its settings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "hotsync.h"

// A message file that passes every check and changes no text, whatever the
// user's language: the tests that are not about the message file see the
// built-in German texts.
extern const char kNeutralMessageFile[];

// The general section of a valid message file, without a default language.
std::string MessageFileHeader(const std::string& defaultLanguage);

// Abbreviated language name of the user's locale ("DEU", "ENU", ...).
std::string UserLanguage();

class ConduitHost {
  public:
    // name: unique per test (folder and registry key).
    explicit ConduitHost(const std::string& name);
    ~ConduitHost();
    ConduitHost(const ConduitHost&) = delete;
    ConduitHost& operator=(const ConduitHost&) = delete;

    // Writes (or with nullptr removes) conduit.nls beside the library copy.
    void SetMessageFile(const char* content);
    // Copies the built conduit.nls beside the library copy.
    void UseShippedMessageFile();

    // Calls ConfigureConduit with a preference record for this test's key.
    long Configure(SyncPreference& preference);
    SyncPreference Preference(int32_t syncType) const;

    const std::string& Folder() const { return folder_; }
    const std::string& KeyPath() const { return keyPath_; }

    // Settings key values.
    void SetDword(const char* name, uint32_t value);
    void SetString(const char* name, const std::string& value);
    bool GetDword(const char* name, uint32_t& value) const;
    bool GetString(const char* name, std::string& value) const;
    int ValueCount() const;  // -1 when the key is missing
    void DeleteKey();

    bool Loaded() const { return configure_ != nullptr; }

  private:
    std::string folder_;
    std::string keyPath_;
    HMODULE module_ = nullptr;
    long(__cdecl* configure_)(SyncPreference&) = nullptr;
};

// Folder of the test program (where the build puts every DLL).
std::string ProgramFolder();
