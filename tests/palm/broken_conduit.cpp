// A conduit library that lacks OpenConduit: the host must skip it.
#include <cstdint>
#include <cstring>

extern "C" __declspec(dllexport) long __cdecl GetConduitName(char* buffer, uint16_t size) {
    std::strncpy(buffer, "Broken", size);
    return 0;
}

extern "C" __declspec(dllexport) uint32_t __cdecl GetConduitVersion() { return 0x0200; }
