// The HotSync manager's conduit entries: numbered subkeys "Application<n>" of
// HKCU\Software\U.S. Robotics\Pilot Desktop.
#pragma once

#include <cstdint>

extern const char kHotSyncKey[];

// True when an entry with this Creator value exists.
bool FindConduitByCreator(uint32_t creatorCode);
// Adds a new entry numbered one above the highest present one, unless an
// entry clashes on Creator, Name, Directory or Conduit. True when created.
bool RegisterConduit(const char* name, uint32_t creatorCode, const char* conduitPath,
                     const char* directory, int32_t priority);
// Deletes the first entry with this Creator value. True when deleted.
bool UnregisterConduit(uint32_t creatorCode);
