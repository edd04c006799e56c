#pragma once
// What the Windows window tests (run under Wine by run-wine-gui-test.sh) do as
// a host: load a plug-in instance, make the host's window, pump messages while
// idling editors, read a window's pixels back and report each check on
// standard output, ending with "wine-gui: N passed, N failed".

#include "CPixelSurface.h"
#include "VstAbi.h"

#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

// Prints "ok: what" or "FAILED: what" and counts it.
void check(bool ok, const std::string& what);
// Prints the closing line; the process's exit code (0 when nothing failed).
int finish();

// The host program's arguments, PLUGIN.dll [OUTPUT_FOLDER], with the module
// loaded (a check of its own). module is null when the program must end with
// exitCode: 2 after printing the usage, 1 when the module did not load.
struct HostArguments {
    HMODULE module = nullptr;
    std::string outputFolder;
    int exitCode = 0;
};
HostArguments loadPluginModule(int argc, char** argv, const char* usage);

// One plug-in instance from a loaded module, closed when destroyed.
class Plugin {
public:
    Plugin(HMODULE module, audioMasterCallback host);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    VstIntPtr call(VstInt32 opcode, void* ptr = nullptr) { return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f); }
    AEffect* effect = nullptr;
};

// A visible top-level window of the given size, as a host's editor window.
HWND makeHostWindow(int x, int y, int width, int height);
// Pumps the thread's messages and idles the editors for milliseconds.
void pump(const std::vector<Plugin*>& plugins, DWORD milliseconds);
// The window's top-left width x height pixels read back through BitBlt; empty
// if they cannot be read.
CPixelSurface readWindow(HWND window, int width, int height);
// Pumps until the window shows expected (compared at its size) or 10 s pass.
bool waitForPicture(Plugin& plugin, HWND window, const CPixelSurface& expected);
// Writes the picture as NAME.ppm into folder, unless folder is empty.
void savePicture(const std::string& folder, const CPixelSurface& picture, const char* name);

} // namespace wintest
