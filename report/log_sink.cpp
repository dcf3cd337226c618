// The report command's end of the conduit's log writer: the text lines of
// the log go to standard error.
#include "console.h"
#include "session.h"

namespace {

// The log writer's header ("Ledgerly" after the section's opening entry)
// is the conduit's; the command shows the text lines alone.
bool headerNext = false;

}  // namespace

void WriteLogEntry(const char* text, int activity) {
    if (activity != kLogActivityText) {
        headerNext = activity == kLogActivityStart;
        return;
    }
    if (headerNext) {
        headerNext = false;
        return;
    }
    PrintLine(text);
}
