// The built plug-in's X connections against hosts that make trouble: many
// editors whose parents are destroyed under them, a second party that saves
// and restores X error handlers around the editor (with and without the
// module unloaded afterwards), and the X server killed under an open editor.
// Each case runs as a host in a child process, so that a host the plug-in
// ends (an exit from an X error handler, a jump into an unloaded module) is
// reported instead of ending the test. The display is the one in $DISPLAY
// (run-with-xvfb.sh); the case that kills its server starts one of its own.
#include "PrivateXServer.h"
#include "VstAbi.h"

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// What a host case returns when a check fails (0: all held).
enum Failure {
    kNoModule = 10,
    kOpenRefused,
    kHostErrorLost,
    kModuleStayedLoaded,
    kNoServer,
    kOpenedWithoutServer,
    kHostIoHandlerCalled,
};

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

const char* pluginPath()
{
    const char* path = std::getenv("ZINTRA_X11_TEST_PLUGIN");
    return path != nullptr ? path : ZINTRA_PLUGIN_PATH;
}

// The plug-in module and instances of it, as a host holds them.
class Module {
public:
    Module()
        : m_handle(dlopen(pluginPath(), RTLD_NOW | RTLD_LOCAL))
    {
    }
    ~Module() { unload(); }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    AEffect* instance()
    {
        using Main = AEffect* (*)(audioMasterCallback);
        auto main = m_handle != nullptr ? reinterpret_cast<Main>(dlsym(m_handle, "VSTPluginMain")) : nullptr;
        return main != nullptr ? main(hostCallback) : nullptr;
    }
    // True when the module is gone from the process afterwards.
    bool unload()
    {
        if (m_handle != nullptr)
            dlclose(m_handle);
        m_handle = nullptr;
        void* again = dlopen(pluginPath(), RTLD_NOW | RTLD_NOLOAD);
        if (again == nullptr)
            return true;
        dlclose(again);
        return false;
    }

private:
    void* m_handle;
};

VstIntPtr call(AEffect* effect, VstInt32 opcode, void* ptr = nullptr)
{
    return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
}

void* windowArgument(Window window)
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
}

Window makeParent(Display* display)
{
    const int screen = DefaultScreen(display);
    const Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 900, 230, 0, BlackPixel(display, screen), 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

// A new instance of module with its editor open in parent: 0, or the failure.
int openEditor(Module& module, Window parent, AEffect*& effect)
{
    effect = module.instance();
    if (effect == nullptr)
        return kNoModule;
    return call(effect, effEditOpen, windowArgument(parent)) == 1 ? 0 : kOpenRefused;
}

// The host's own X error handler: counts what reaches it.
int g_hostErrors = 0;
int hostErrorHandler(Display*, XErrorEvent*)
{
    ++g_hostErrors;
    return 0;
}

// A toolkit's error trap, the other party that saves and restores handlers.
int foreignTrapHandler(Display*, XErrorEvent*)
{
    return 0;
}

// An error of the host's own: a request on a window that does not exist.
void causeHostError(Display* display)
{
    XMapWindow(display, static_cast<Window>(0x7ffffff0));
    XSync(display, False);
}

// How a child process ended, in words.
std::string describe(int status)
{
    if (WIFEXITED(status))
        return "exit " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

// Runs a host case in a child process; "exit 0" when it ran to its end with
// every check held.
std::string runHost(const std::function<int()>& host)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        alarm(60);
        _exit(host());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return "no child";
    return describe(status);
}

// --- many editors ------------------------------------------------------------

int manyEditorsLoseTheirParents(int editors)
{
    Display* display = XOpenDisplay(nullptr);
    Module module;
    std::vector<AEffect*> effects;
    std::vector<Window> parents;
    for (int i = 0; i < editors; ++i) {
        parents.push_back(makeParent(display));
        AEffect* effect = nullptr;
        if (const int failure = openEditor(module, parents.back(), effect))
            return failure;
        call(effect, effEditIdle);
        effects.push_back(effect);
    }
    for (Window parent : parents)
        XDestroyWindow(display, parent);
    XSync(display, False);
    for (int round = 0; round < 3; ++round)
        for (AEffect* effect : effects)
            call(effect, effEditIdle);
    for (AEffect* effect : effects) {
        call(effect, effEditClose);
        call(effect, effClose);
    }
    // The host's own errors still reach the host.
    XSetErrorHandler(hostErrorHandler);
    causeHostError(display);
    return g_hostErrors == 1 ? 0 : kHostErrorLost;
}

TEST(PanelX11HostileHost, MoreEditorsThanEverBeforeOutliveTheirParents)
{
    EXPECT_EQ("exit 0", runHost([] { return manyEditorsLoseTheirParents(70); }));
}

// --- error handlers saved and restored around the editor ---------------------

// The host has its handler; the editor opens; a toolkit traps errors (saving
// the handler it finds) while the editor idles and closes, and puts it back
// afterwards; the host may unload the module. The host's next X error must
// reach its own handler.
int handlersSavedAroundTheEditor(bool unload)
{
    XSetErrorHandler(hostErrorHandler);
    Display* display = XOpenDisplay(nullptr);
    const Window parent = makeParent(display);
    Module module;
    AEffect* effect = nullptr;
    if (const int failure = openEditor(module, parent, effect))
        return failure;
    call(effect, effEditIdle);
    const XErrorHandler saved = XSetErrorHandler(foreignTrapHandler);
    call(effect, effEditIdle);
    call(effect, effEditClose);
    XSetErrorHandler(saved);
    call(effect, effClose);
    if (unload && !module.unload())
        return kModuleStayedLoaded;
    causeHostError(display);
    return g_hostErrors == 1 ? 0 : kHostErrorLost;
}

TEST(PanelX11HostileHost, HandlersSavedAndRestoredAroundTheEditorStillReachTheHost)
{
    for (bool unload : {false, true})
        EXPECT_EQ("exit 0", runHost([unload] { return handlersSavedAroundTheEditor(unload); }))
            << (unload ? "module unloaded" : "module kept");
}

// --- the X server killed under an open editor ---------------------------------

// A host's handler of lost connections, which ends the host as toolkits do.
int hostIoErrorHandler(Display*)
{
    std::fprintf(stderr, "the host's X I/O error handler was called\n");
    _exit(kHostIoHandlerCalled);
}

int serverKilledUnderTheEditor(bool hostHandlesIoErrors)
{
    x11test::PrivateXServer server;
    if (server.display().empty())
        return kNoServer;
    setenv("DISPLAY", server.display().c_str(), 1);
    if (hostHandlesIoErrors)
        XSetIOErrorHandler(hostIoErrorHandler);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return kNoServer;
    const Window parent = makeParent(display);
    Module module;
    AEffect* effect = nullptr;
    if (const int failure = openEditor(module, parent, effect))
        return failure;
    for (int i = 0; i < 3; ++i)
        call(effect, effEditIdle);
    server.kill();
    for (int i = 0; i < 5; ++i)
        call(effect, effEditIdle);
    call(effect, effEditClose);
    // Nothing to open on any more; asked again, the editor says so.
    if (call(effect, effEditOpen, windowArgument(parent)) != 0)
        return kOpenedWithoutServer;
    call(effect, effEditIdle);
    call(effect, effEditClose);
    call(effect, effClose);
    return 0;
}

TEST(PanelX11HostileHost, AServerKilledUnderAnOpenEditorLeavesTheHostRunning)
{
    for (bool hostHandlesIoErrors : {false, true})
        EXPECT_EQ("exit 0", runHost([hostHandlesIoErrors] { return serverKilledUnderTheEditor(hostHandlesIoErrors); }))
            << (hostHandlesIoErrors ? "the host has its own I/O error handler" : "Xlib's default handlers");
}

} // namespace
