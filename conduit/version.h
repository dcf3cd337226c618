// The conduit library's version: the interface version 2.0 that
// GetConduitVersion reports to the HotSync manager and that the library's
// version resource states as its file version. Read by C++ and by the
// resource compiler.
#pragma once

#define TESSEL_CONDUIT_VERSION_MAJOR 2
#define TESSEL_CONDUIT_VERSION_MINOR 0
#define TESSEL_CONDUIT_VERSION_TEXT "2.0"
