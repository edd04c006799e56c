#pragma once

// printf-style diagnostics into a 512-byte buffer, sent to the platform's
// debugger output. A message that does not fit is not sent. When diagnostics
// are off and no sink is installed the call returns before formatting.
void debugTrace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Lets tests observe the diagnostics: while a sink is installed every
// finished line goes to it instead of the debugger output. Pass null to
// remove it.
using DebugTraceSink = void (*)(const char* line);
void setDebugTraceSink(DebugTraceSink sink);
