// The built 32-bit plug-in's panel in Windows (run under Wine with an X
// server by tests/gui/win32/run-wine-gui-test.sh):
//   quibo_editor_win32_host.exe Zintra.dll [OUTPUT_FOLDER [SCALE]]
// SCALE 2: the system is set to 192 dots per inch, and the panel must open
// at twice its size, drawn as the headless panel at scale 2.
// A host-like window, the editor opened in it with effEditOpen, its pixels
// read back and compared with the headless rendering of the same panel, and
// a key clicked (the line "CLICK x y button hold_ms" asks the calling script
// to click at that screen position through the X test extension) while the
// host renders audio: the note comes out of the left output. A second
// instrument's panel takes a click whose button is up again before the panel
// reads the press (held 0 ms): it sounds and is drawn as a held one. Ends
// with "wine-gui: N passed, N failed".
#include "PanelReference.h"
#include "VstAbi.h"
#include "WineHostSupport.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using wintest::check;
using wintest::Plugin;
using wintest::pump;
using wintest::readWindow;
using wintest::waitForPicture;

int g_hostIdles = 0;
double g_leftEnergy = 0.0;
double g_rightEnergy = 0.0;

void renderBlock(AEffect* effect)
{
    std::vector<float> left(512), right(512);
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, 512);
    for (std::size_t i = 0; i < left.size(); ++i) {
        g_leftEnergy += static_cast<double>(left[i]) * left[i];
        g_rightEnergy += static_cast<double>(right[i]) * right[i];
    }
}

VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterIdle:
        // The host's audio goes on while the editor holds its thread.
        ++g_hostIdles;
        if (effect != nullptr)
            renderBlock(effect);
        return 1;
    default:
        return 0;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const wintest::HostArguments arguments =
        wintest::loadPluginModule(argc, argv, "quibo_editor_win32_host Zintra.dll [OUTPUT_FOLDER [SCALE]]");
    if (arguments.module == nullptr)
        return arguments.exitCode;
    const int scale = argc > 3 && std::strcmp(argv[3], "2") == 0 ? 2 : 1;
    const int width = 882 * scale;
    const int height = 213 * scale;
    const std::string suffix = scale == 2 ? "-2x" : "";
    HMODULE module = arguments.module;
    {
        Plugin plugin(module, hostCallback);
        check(plugin.effect != nullptr, "the plug-in answers VSTPluginMain");
        if (plugin.effect == nullptr)
            return 1;
        check(plugin.effect->flags == 0x131, "it reports an editor (flags 0x131)");
        plugin.call(effOpen);
        float unused[1];
        float* outputs[2] = {unused, unused};
        plugin.effect->processReplacing(plugin.effect, nullptr, outputs, 0);
        ERect* rect = nullptr;
        check(plugin.call(effEditGetRect, &rect) == 1 && rect != nullptr && rect->right - rect->left == width &&
                  rect->bottom - rect->top == height,
              "effEditGetRect gives the panel's " + std::to_string(width) + " x " + std::to_string(height));
        HWND parent = wintest::makeHostWindow(30, 30, width + 18, height + 27);
        check(plugin.call(effEditOpen, parent) == 1, "effEditOpen with the parent's HWND answers 1");
        HWND child = GetWindow(parent, GW_CHILD);
        check(child != nullptr, "the panel is a child window of the host's");
        check(waitForPicture(plugin, child, paneltest::panelPicture(0, scale)),
              "the window's pixels equal the headless rendering");
        wintest::savePicture(arguments.outputFolder, readWindow(child, width, height),
                             ("wine-panel-open" + suffix).c_str());

        // The A4 key, held 400 ms.
        POINT screen{(541 + 16) * scale, (160 + 20) * scale};
        ClientToScreen(child, &screen);
        const int idlesBefore = g_hostIdles;
        std::printf("CLICK %ld %ld 1 400\n", screen.x, screen.y);
        std::fflush(stdout);
        const CPixelSurface played = paneltest::panelPicture(69, scale);
        bool shown = false;
        for (int i = 0; i < 200 && !shown; ++i) {
            pump({&plugin}, 25);
            renderBlock(plugin.effect);
            shown = readWindow(child, width, height) == played;
        }
        check(g_hostIdles > idlesBefore, "the host got idle calls while the key was held");
        check(g_leftEnergy > 1.0, "the clicked key sounds on the left output");
        check(g_rightEnergy == 0.0, "the right output stays silent");
        check(shown, "after the note the pixels equal the headless rendering");
        wintest::savePicture(arguments.outputFolder, readWindow(child, width, height),
                             ("wine-panel-played" + suffix).c_str());

        // Settled before the close: the release applied by a block and the
        // last of it drawn by idles. No block runs after this, so the LCD's
        // blink mark and the keys stay as they are, and the panel opened
        // again must show exactly this picture.
        renderBlock(plugin.effect);
        pump({&plugin}, 50);
        const CPixelSurface atClose = readWindow(child, width, height);
        plugin.call(effEditClose);
        check(GetWindow(parent, GW_CHILD) == nullptr, "closing the panel destroys its window");
        check(plugin.call(effEditOpen, parent) == 1 && waitForPicture(plugin, GetWindow(parent, GW_CHILD), atClose),
              "the panel opens again as it was");
        plugin.call(effEditClose);
        DestroyWindow(parent);
    }
    {
        // A click of 0 ms on A4 of a new instrument: press and release wait
        // in the queue together, and the button is up when the press is read.
        Plugin plugin(module, hostCallback);
        if (plugin.effect == nullptr)
            return wintest::finish();
        plugin.call(effOpen);
        float unused[1];
        float* outputs[2] = {unused, unused};
        plugin.effect->processReplacing(plugin.effect, nullptr, outputs, 0);
        HWND parent = wintest::makeHostWindow(30, 30, width + 18, height + 27);
        plugin.call(effEditOpen, parent);
        HWND child = GetWindow(parent, GW_CHILD);
        check(child != nullptr && waitForPicture(plugin, child, paneltest::panelPicture(0, scale)),
              "a second instrument's panel opens");
        POINT screen{(541 + 16) * scale, (160 + 20) * scale};
        ClientToScreen(child, &screen);
        g_leftEnergy = 0.0;
        std::printf("CLICK %ld %ld 1 0\n", screen.x, screen.y);
        std::fflush(stdout);
        const CPixelSurface played = paneltest::panelPicture(69, scale);
        bool shown = false;
        for (int i = 0; i < 200 && !shown; ++i) {
            pump({&plugin}, 25);
            renderBlock(plugin.effect);
            shown = readWindow(child, width, height) == played;
        }
        check(g_leftEnergy > 1.0, "a key clicked for 0 ms sounds on the left output");
        check(shown, "after the 0 ms click the pixels equal the headless rendering of a click");
        wintest::savePicture(arguments.outputFolder, readWindow(child, width, height),
                             ("wine-panel-short-click" + suffix).c_str());
        plugin.call(effEditClose);
        DestroyWindow(parent);
    }
    FreeLibrary(module);
    return wintest::finish();
}
