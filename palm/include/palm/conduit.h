// The exports that the HotSync manager looks up in a conduit library.
#pragma once

#include <cstdint>

#include "palm/synctypes.h"

namespace palm {

using ProgressCallback = long(__cdecl*)(char* text);
using OpenConduitFn = long(__cdecl*)(ProgressCallback progress, SyncProperties& properties);
using ConfigureConduitFn = long(__cdecl*)(SyncPreference& preference);
using GetConduitNameFn = long(__cdecl*)(char* buffer, uint16_t size);
using GetConduitVersionFn = uint32_t(__cdecl*)();

}  // namespace palm
