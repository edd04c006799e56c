#pragma once
// The small set of operating-system services the instrument core needs.
// win32/PlatformWin32.cpp and posix/PlatformPosix.cpp implement it; nothing else in the
// core includes an operating-system header.

namespace platform {

// Sends one finished diagnostic line to the debugger output.
void debugOutput(const char* text);

// True when diagnostics are switched on for this process (ZINTRA_DEBUG set
// and not "0"). Reads the environment on every call.
bool debugSwitchSet();

// A number that identifies the calling thread while it runs.
unsigned long long currentThreadId();

} // namespace platform
