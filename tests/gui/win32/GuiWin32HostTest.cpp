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
#include "platform/headless/HeadlessPlatform.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;
std::vector<std::pair<int, int>> g_edits; // opcode, index
int g_hostIdles = 0;
std::string g_outputFolder;

void check(bool ok, const std::string& what)
{
    (ok ? g_passed : g_failed) += 1;
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
}

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

CPixelSurface readWindow(HWND window, int width, int height)
{
    CPixelSurface picture;
    HDC windowDc = GetDC(window);
    if (windowDc == nullptr)
        return picture;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(windowDc);
    HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && section != nullptr) {
        HGDIOBJ old = SelectObject(memory, section);
        BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        picture.reset(width, height);
        const auto* words = static_cast<const std::uint32_t*>(bits);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.setPixel(x, y, words[y * width + x] & 0xFFFFFFu);
        SelectObject(memory, old);
    }
    if (section != nullptr)
        DeleteObject(section);
    if (memory != nullptr)
        DeleteDC(memory);
    ReleaseDC(window, windowDc);
    return picture;
}

void savePicture(const CPixelSurface& picture, const char* name)
{
    if (!g_outputFolder.empty())
        guitest::writePpm(picture, g_outputFolder + "\\" + name + ".ppm");
}

class Plugin {
public:
    explicit Plugin(HMODULE module)
    {
        using Main = AEffect*(VSTCALLBACK*)(audioMasterCallback);
        auto main = reinterpret_cast<Main>(reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")));
        if (main != nullptr)
            effect = main(hostCallback);
    }
    ~Plugin()
    {
        if (effect != nullptr)
            call(effClose);
    }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    VstIntPtr call(VstInt32 opcode, void* ptr = nullptr) { return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f); }
    AEffect* effect = nullptr;
};

// Pumps the thread's messages and idles the editors for milliseconds.
void pump(std::vector<Plugin*> plugins, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        for (Plugin* plugin : plugins)
            plugin->call(effEditIdle);
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

// Pumps until the window shows expected or 10 s pass.
bool waitForPicture(Plugin& plugin, HWND window, const CPixelSurface& expected)
{
    for (int i = 0; i < 200; ++i) {
        pump({&plugin}, 50);
        if (readWindow(window, guitest::kFrameWidth, guitest::kFrameHeight) == expected)
            return true;
    }
    return false;
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

HWND makeParent(int x, int y)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        windowClass.lpszClassName = "GuiTestHostWindow";
        registered = RegisterClassA(&windowClass) != 0;
    }
    HWND window = CreateWindowExA(0, "GuiTestHostWindow", "GUI test host", WS_POPUP | WS_VISIBLE, x, y, 260, 180,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    return window;
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
    if (argc < 2) {
        std::fprintf(stderr, "usage: quibo_gui_win32_host PLUGIN.dll [OUTPUT_FOLDER]\n");
        return 2;
    }
    if (argc > 2)
        g_outputFolder = argv[2];
    HMODULE module = LoadLibraryA(argv[1]);
    if (module == nullptr) {
        check(false, std::string("loading ") + argv[1]);
        std::printf("wine-gui: %d passed, %d failed\n", g_passed, g_failed);
        return 1;
    }
    char className[32];
    std::snprintf(className, sizeof className, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(module) & 0xFFFFFFFFu));
    const CPixelSurface reference = guitest::headlessPicture({});
    {
        Plugin plugin(module);
        check(plugin.effect != nullptr, "the plug-in answers VSTPluginMain");
        if (plugin.effect == nullptr)
            return 1;
        check((plugin.effect->flags & effFlagsHasEditor) != 0, "it reports an editor");
        ERect* rect = nullptr;
        check(plugin.call(effEditGetRect, &rect) == 1 && rect != nullptr &&
                  rect->right - rect->left == guitest::kFrameWidth && rect->bottom - rect->top == guitest::kFrameHeight,
              "effEditGetRect gives the frame's size");
        check(!classExists(module, className), "no window class before the editor opens");
        HWND parent = makeParent(40, 40);
        check(plugin.call(effEditOpen, parent) == 1, "effEditOpen with the parent's HWND answers 1");
        HWND child = GetWindow(parent, GW_CHILD);
        char childClass[64] = "";
        GetClassNameA(child, childClass, sizeof childClass);
        check(child != nullptr && std::string(childClass) == className,
              std::string("the editor's window has the class ") + className);
        check(classExists(module, className), "the class is registered as a global class of the plug-in's module");
        check(waitForPicture(plugin, child, reference), "the window's pixels equal the headless rendering");
        savePicture(readWindow(child, guitest::kFrameWidth, guitest::kFrameHeight), "wine-open");

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
        savePicture(readWindow(child, guitest::kFrameWidth, guitest::kFrameHeight), "wine-clicked");

        // A second instance while the first is open: one class for both.
        {
            Plugin second(module);
            HWND otherParent = makeParent(320, 40);
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
    std::printf("wine-gui: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
