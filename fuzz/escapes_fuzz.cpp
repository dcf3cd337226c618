// Message texts from a message file: escape resolution in place.
#include <cstdint>
#include <cstring>
#include <string>

#include "messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));
    std::string copy = text;
    ResolveEscapes(copy.data());
    // Resolving never lengthens a text.
    if (std::strlen(copy.c_str()) > text.size()) __builtin_trap();
    SetMessageText(msgSyncFinishing, text.c_str());
    ResetMessageTexts();
    return 0;
}
