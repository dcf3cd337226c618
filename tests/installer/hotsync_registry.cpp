#include "hotsync_registry.h"

const char kHotSyncPath[] = "Software\\U.S. Robotics\\Pilot Desktop";

KeySnapshot::KeySnapshot(const std::string& path) : path_(path) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key) == ERROR_SUCCESS) {
        root_ = std::make_unique<Node>();
        Save(key, root_.get());
        RegCloseKey(key);
    }
}

KeySnapshot::~KeySnapshot() {
    DeleteKeyTree(path_);
    if (root_ == nullptr) return;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, path_.c_str(), &key) == ERROR_SUCCESS) {
        Restore(key, *root_);
        RegCloseKey(key);
    }
}

void KeySnapshot::Save(HKEY key, Node* node) {
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameSize = sizeof name, type = 0, dataSize = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, nullptr, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        std::vector<BYTE> data(dataSize);
        DWORD size = dataSize;
        RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
        node->values[name] = {type, data};
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        if (RegEnumKeyA(key, index, name, sizeof name) != ERROR_SUCCESS) break;
        HKEY child = nullptr;
        if (RegOpenKeyA(key, name, &child) != ERROR_SUCCESS) continue;
        auto childNode = std::make_unique<Node>();
        Save(child, childNode.get());
        RegCloseKey(child);
        node->keys[name] = std::move(childNode);
    }
}

void KeySnapshot::Restore(HKEY key, const Node& node) {
    for (const auto& value : node.values) {
        RegSetValueExA(key, value.first.c_str(), 0, value.second.first, value.second.second.data(),
                       static_cast<DWORD>(value.second.second.size()));
    }
    for (const auto& child : node.keys) {
        HKEY childKey = nullptr;
        if (RegCreateKeyA(key, child.first.c_str(), &childKey) != ERROR_SUCCESS) continue;
        Restore(childKey, *child.second);
        RegCloseKey(childKey);
    }
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteKeyTree(const std::string& path) {
    for (const std::string& child : SubkeyNames(path)) DeleteKeyTree(path + "\\" + child);
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

void CreateKey(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key) == ERROR_SUCCESS) RegCloseKey(key);
}

void SetString(const std::string& path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void SetDword(const std::string& path, const char* name, uint32_t value) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return;
    DWORD data = value;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
}

bool ReadValue(const std::string& path, const char* name, DWORD* type, std::string* text,
               uint32_t* number) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return false;
    BYTE data[4096] = {};
    DWORD size = sizeof data - 1;
    LONG result = RegQueryValueExA(key, name, nullptr, type, data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return false;
    if (text != nullptr) *text = reinterpret_cast<const char*>(data);
    if (number != nullptr) {
        *number = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                  static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    }
    return true;
}

std::vector<std::string> SubkeyNames(const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}
