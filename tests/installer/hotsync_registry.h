// Test helpers for the HotSync manager's key: a snapshot that restores the
// whole key afterwards, and plain Win32 access to entries and their values.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

extern const char kHotSyncPath[];

// Saves HKCU\<path> with everything below it; restores it when destroyed
// (deleting it when it did not exist).
class KeySnapshot {
  public:
    explicit KeySnapshot(const std::string& path);
    ~KeySnapshot();

  private:
    struct Node {
        std::map<std::string, std::pair<DWORD, std::vector<BYTE>>> values;
        std::map<std::string, std::unique_ptr<Node>> keys;
    };
    static void Save(HKEY key, Node* node);
    static void Restore(HKEY key, const Node& node);
    std::string path_;
    std::unique_ptr<Node> root_;
};

bool KeyExists(const std::string& path);
void DeleteKeyTree(const std::string& path);
void CreateKey(const std::string& path);
void SetString(const std::string& path, const char* name, const std::string& text);
void SetDword(const std::string& path, const char* name, uint32_t value);
// Reads a value; false when it is missing. type receives its registry type.
bool ReadValue(const std::string& path, const char* name, DWORD* type, std::string* text,
               uint32_t* number);
// Names of the subkeys of HKCU\<path>, in enumeration order.
std::vector<std::string> SubkeyNames(const std::string& path);
