// Initialisation files ([section] lines, key=value lines) read from their
// bytes the way GetPrivateProfileStringA and GetPrivateProfileIntA read them
// under Wine in the Windows-1252 code page: the first section of a name and
// its first key of a name count, names match whatever the case of their
// letters A-Z, blanks around names and values are dropped, a value in matching
// double or single quotes loses them, and a text is cut to the caller's
// buffer. Files with a UTF-8 or UTF-16 byte-order mark are read as such.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "messages.h"

class ProfileFile {
  public:
    ProfileFile() = default;  // no sections: every read gives its default
    ProfileFile(const uint8_t* data, size_t size);

    // As GetPrivateProfileStringA(section, key, defaultValue, buffer, size,
    // file): the value, or the default when the key is missing, terminated
    // within the buffer. Returns the length of the text put there.
    uint32_t GetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                       uint32_t size) const;
    // As GetPrivateProfileIntA(section, key, defaultValue, file).
    uint32_t GetInt(const char* section, const char* key, int32_t defaultValue) const;

  private:
    struct Entry {
        std::u16string name;
        std::u16string value;
        bool hasValue;  // the line had a "="
    };
    struct Section {
        std::u16string name;
        std::vector<Entry> entries;
    };

    std::u16string Text(const char* section, const char* key, const char* defaultValue,
                        size_t size) const;

    std::vector<Section> sections_;
};

// The message file of a program at path through ProfileFile, with the user's
// language code given and faults handed to showFault. A file that cannot be
// read counts as missing.
class ProfileMessageFile final : public MessageFile {
  public:
    ProfileMessageFile(const std::string& path, std::string language,
                       void (*showFault)(const char* text));

    bool Exists() override { return exists_; }
    void ReadString(const char* section, const char* key, char* buffer, uint32_t size) override;
    uint32_t ReadInt(const char* section, const char* key, int32_t defaultValue) override;
    void UserLanguage(char* buffer, uint32_t size) override;
    void ShowFault(const char* text) override { showFault_(text); }

  private:
    bool exists_ = false;
    ProfileFile file_;
    std::string language_;
    void (*showFault_)(const char* text);
};
