// The test plug-in's editor in Windows (run under Wine with an X server):
//   quibo_gui_win32_host.exe PLUGIN.dll [OUTPUT_FOLDER]
// A host-like parent window, the editor opened in it with effEditOpen, the
// pixels read back with BitBlt from the window's device context and compared
// with the headless rendering of the same frame, clicks asked of the calling
// script (a line "CLICK x y button hold_ms" in screen coordinates, which it
// performs with the X test extension), and the window class checked by name
// while open and after the last close. A line "SHOT name" invites the script to
// take a screenshot (the windows stay for 1.5 s). Ends with "wine-gui: N passed, N failed".
#include "CPanelFrame.h"
#include "GuiTestEditor.h"
#include "GuiTestFrame.h"
#include "HeadlessReference.h"
#include "VstAbi.h"
#include "WineHostSupport.h"
#include "platform/headless/HeadlessPlatform.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using wintest::check;
using wintest::Plugin;
using wintest::pump;
using wintest::readWindow;
using wintest::waitForPicture;

std::vector<std::pair<int, int>> g_edits; // opcode, index
int g_hostIdles = 0;

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterIdle:
        ++g_hostIdles;
        return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        g_edits.emplace_back(opcode, index);
        return 1;
    default:
        return 0;
    }
}

// Asks the script for a click and waits for the view's edit to end.
bool clickAndWait(Plugin& plugin, HWND window, CPoint point, int button, int holdMilliseconds, int tag)
{
    POINT screen{point.x, point.y};
    ClientToScreen(window, &screen);
    const std::size_t before = g_edits.size();
    std::printf("CLICK %ld %ld %d %d\n", screen.x, screen.y, button, holdMilliseconds);
    std::fflush(stdout);
    for (int i = 0; i < 400; ++i) {
        pump({&plugin}, 25);
        if (g_edits.size() >= before + 2)
            break;
    }
    const std::vector<std::pair<int, int>> expected = {{audioMasterBeginEdit, tag}, {audioMasterEndEdit, tag}};
    return g_edits.size() == before + 2 &&
           std::vector<std::pair<int, int>>(g_edits.begin() + static_cast<long>(before), g_edits.end()) == expected;
}

bool classExists(HMODULE module, const std::string& name)
{
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(module, name.c_str(), &info) != 0 && (info.style & CS_GLOBALCLASS) != 0;
}

} // namespace

int main(int argc, char** argv)
{
    const wintest::HostArguments arguments =
        wintest::loadPluginModule(argc, argv, "quibo_gui_win32_host PLUGIN.dll [OUTPUT_FOLDER]");
    if (arguments.module == nullptr)
        return arguments.exitCode;
    HMODULE module = arguments.module;
    char className[32];
    std::snprintf(className, sizeof className, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(module) & 0xFFFFFFFFu));
    const CPixelSurface reference = guitest::headlessPicture({});
    {
        Plugin plugin(module, hostCallback);
        check(plugin.effect != nullptr, "the plug-in answers VSTPluginMain");
        if (plugin.effect == nullptr)
            return 1;
        check((plugin.effect->flags & effFlagsHasEditor) != 0, "it reports an editor");
        ERect* rect = nullptr;
        check(plugin.call(effEditGetRect, &rect) == 1 && rect != nullptr &&
                  rect->right - rect->left == guitest::kFrameWidth && rect->bottom - rect->top == guitest::kFrameHeight,
              "effEditGetRect gives the frame's size");
        check(!classExists(module, className), "no window class before the editor opens");
        HWND parent = wintest::makeHostWindow(40, 40, 260, 180);
        check(plugin.call(effEditOpen, parent) == 1, "effEditOpen with the parent's HWND answers 1");
        HWND child = GetWindow(parent, GW_CHILD);
        char childClass[64] = "";
        GetClassNameA(child, childClass, sizeof childClass);
        check(child != nullptr && std::string(childClass) == className,
              std::string("the editor's window has the class ") + className);
        check(classExists(module, className), "the class is registered as a global class of the plug-in's module");
        check(waitForPicture(plugin, child, reference), "the window's pixels equal the headless rendering");
        wintest::savePicture(arguments.outputFolder, readWindow(child, guitest::kFrameWidth, guitest::kFrameHeight),
                             "wine-open");

        check(clickAndWait(plugin, child, guitest::clickPoint(1), 1, 400, 1),
              "a held left click reaches the button (tag 1) and reports its edit");
        check(g_hostIdles >= 3, "the host got idle calls while the click was held");
        check(clickAndWait(plugin, child, {145, 45}, 3, 50, 4),
              "a right click where two views overlap reaches the later one (tag 4)");
        check(clickAndWait(plugin, child, guitest::clickPoint(5), 1, 50, 6),
              "a click on the view with the mouse disabled reaches the one below (tag 6)");
        const CPixelSurface afterClicks =
            guitest::headlessPicture({guitest::clickPoint(1), {145, 45}, guitest::clickPoint(5)});
        check(waitForPicture(plugin, child, afterClicks), "after the clicks the pixels equal the headless rendering");
        wintest::savePicture(arguments.outputFolder, readWindow(child, guitest::kFrameWidth, guitest::kFrameHeight),
                             "wine-clicked");

        // A second instance while the first is open: one class for both.
        {
            Plugin second(module, hostCallback);
            HWND otherParent = wintest::makeHostWindow(320, 40, 260, 180);
            check(second.call(effEditOpen, otherParent) == 1, "a second editor opens beside the first");
            check(waitForPicture(second, GetWindow(otherParent, GW_CHILD), reference),
                  "the second editor shows the headless rendering");
            // The calling script may take a screenshot now.
            std::printf("SHOT wine-two\n");
            std::fflush(stdout);
            pump({&plugin, &second}, 1500);
            plugin.call(effEditClose);
            check(GetWindow(parent, GW_CHILD) == nullptr, "closing the first editor destroys its window");
            check(classExists(module, className), "the class stays while the second editor is open");
            second.call(effEditClose);
            check(!classExists(module, className), "the class is unregistered after the last close");
            DestroyWindow(otherParent);
        }
        // Open again after the class was unregistered.
        check(plugin.call(effEditOpen, parent) == 1 && classExists(module, className), "the editor opens again");
        plugin.call(effEditClose);
        DestroyWindow(parent);
    }
    check(!classExists(module, className), "no class is left when the plug-in is closed");
    FreeLibrary(module);
    return wintest::finish();
}
