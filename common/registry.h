// Registry: owner of at most one open registry key, with true/false operations.
#pragma once

#include <cstdint>

// Predefined root keys, by selector.
enum RegistryRoot : int32_t {
    RegistryClassesRoot = 0,
    RegistryCurrentConfig = 1,
    RegistryCurrentUser = 2,
    RegistryLocalMachine = 3,
    RegistryUsers = 4,
    RegistryPerformanceData = 5,
};

class Registry {
  public:
    Registry() = default;
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Open an existing key root\path (or parent\path). Any held key is closed first;
    // on failure the object holds no key.
    bool Open(const char* path, int32_t root);
    bool Open(const char* path, const Registry& parent);
    // As Open, but creates missing keys on the path.
    bool Create(const char* path, int32_t root);
    bool Create(const char* path, const Registry& parent);

    bool DeleteKey(const char* subkey);

    // Reads a value as text into buffer (size bytes including the terminator).
    // A value whose text and terminator do not fit fails and leaves the buffer
    // unchanged; on success the text is always terminated inside the buffer.
    bool GetString(const char* name, char* buffer, uint32_t size);
    bool SetString(const char* name, const char* text);
    // Reads up to four raw bytes of any type; a shorter value fills the low
    // bytes, a longer one fails. On failure the target is unchanged.
    bool GetDword(const char* name, uint32_t* target);
    bool SetDword(const char* name, uint32_t value);
    // Name of the index-th subkey of the held key.
    bool EnumKey(uint32_t index, char* buffer, uint32_t size);

    bool IsOpen() const { return key_ != nullptr; }
    void Close();

  private:
    void* key_ = nullptr;  // HKEY
};
