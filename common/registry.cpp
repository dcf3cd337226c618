#include "registry.h"

#include <windows.h>

#include <vector>

#include "registry_values.h"

namespace {

HKEY RootKey(int32_t root) {
    switch (root) {
        case RegistryClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryCurrentConfig:
            return HKEY_CURRENT_CONFIG;
        case RegistryCurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryLocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryUsers:
            return HKEY_USERS;
        case RegistryPerformanceData:
            return HKEY_PERFORMANCE_DATA;
        default:
            return nullptr;
    }
}

}  // namespace

Registry::~Registry() { Close(); }

void Registry::Close() {
    if (key_ != nullptr) {
        RegCloseKey(static_cast<HKEY>(key_));
        key_ = nullptr;
    }
}

bool Registry::Open(const char* path, int32_t root) {
    Close();
    HKEY parent = RootKey(root);
    if (parent == nullptr) return false;
    HKEY key = nullptr;
    if (RegOpenKeyA(parent, path, &key) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
}

bool Registry::Open(const char* path, const Registry& parent) {
    Close();
    HKEY key = nullptr;
    if (RegOpenKeyA(static_cast<HKEY>(parent.key_), path, &key) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
}

bool Registry::Create(const char* path, int32_t root) {
    Close();
    HKEY parent = RootKey(root);
    if (parent == nullptr) return false;
    HKEY key = nullptr;
    if (RegCreateKeyA(parent, path, &key) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
}

bool Registry::Create(const char* path, const Registry& parent) {
    Close();
    HKEY key = nullptr;
    if (RegCreateKeyA(static_cast<HKEY>(parent.key_), path, &key) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
}

bool Registry::DeleteKey(const char* subkey) {
    if (key_ == nullptr) return false;
    return RegDeleteKeyA(static_cast<HKEY>(key_), subkey) == ERROR_SUCCESS;
}

bool Registry::GetString(const char* name, char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) return false;
    std::vector<uint8_t> data(size, 0);
    DWORD type = 0;
    DWORD length = size;
    if (RegQueryValueExA(static_cast<HKEY>(key_), name, nullptr, &type, data.data(), &length) !=
        ERROR_SUCCESS) {
        return false;
    }
    return TextFromValue(data.data(), length, buffer, size);
}

bool Registry::SetString(const char* name, const char* text) {
    return RegSetValueExA(static_cast<HKEY>(key_), name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(lstrlenA(text) + 1)) == ERROR_SUCCESS;
}

bool Registry::GetDword(const char* name, uint32_t* target) {
    uint8_t bytes[4] = {0, 0, 0, 0};
    DWORD type = 0;
    DWORD length = sizeof bytes;
    if (RegQueryValueExA(static_cast<HKEY>(key_), name, nullptr, &type, bytes, &length) !=
        ERROR_SUCCESS) {
        return false;
    }
    return DwordFromValue(bytes, length, target);
}

bool Registry::SetDword(const char* name, uint32_t value) {
    DWORD data = value;
    return RegSetValueExA(static_cast<HKEY>(key_), name, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

bool Registry::EnumKey(uint32_t index, char* buffer, uint32_t size) {
    return RegEnumKeyA(static_cast<HKEY>(key_), index, buffer, size) == ERROR_SUCCESS;
}
