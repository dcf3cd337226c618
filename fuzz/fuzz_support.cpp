// The session's log and ids, for fuzz targets that link the conduit's
// portable code without the library around it.
#include <cstdio>

#include "session.h"

char pilotId[kIdSize] = "Ziduv Vazuv";
char userId[kIdSize] = "U-17";

void LogMessage(const char*) {}
void LogMessage(const char*, const char*) {}
void LogFinish() {}
void LogAbort() {}
