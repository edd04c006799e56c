// The built 32-bit plug-in's panel in Windows (run under Wine with an X
// server by tests/gui/win32/run-wine-gui-test.sh):
//   quibo_editor_win32_host.exe Zintra.dll [OUTPUT_FOLDER]
// A host-like window, the editor opened in it with effEditOpen, its pixels
// read back and compared with the headless rendering of the same panel, and
// a key clicked (the line "CLICK x y button hold_ms" asks the calling script
// to click at that screen position through the X test extension) while the
// host renders audio: the note comes out of the left output. Ends with
// "wine-gui: N passed, N failed".
#include "PanelReference.h"
#include "VstAbi.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;
int g_hostIdles = 0;
double g_leftEnergy = 0.0;
double g_rightEnergy = 0.0;
std::string g_outputFolder;

void check(bool ok, const std::string& what)
{
    (ok ? g_passed : g_failed) += 1;
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
}

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
    if (g_outputFolder.empty())
        return;
    FILE* file = std::fopen((g_outputFolder + "\\" + name + ".ppm").c_str(), "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint32_t p = picture.pixel(x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                          static_cast<unsigned char>(p)};
            std::fwrite(rgb, 1, 3, file);
        }
    std::fclose(file);
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

// Pumps the thread's messages and idles the editor for milliseconds.
void pump(Plugin& plugin, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        plugin.call(effEditIdle);
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

// Pumps until the window shows expected or 10 s pass.
bool waitForPicture(Plugin& plugin, HWND window, const CPixelSurface& expected)
{
    for (int i = 0; i < 200; ++i) {
        pump(plugin, 50);
        if (readWindow(window, 882, 213) == expected)
            return true;
    }
    return false;
}

HWND makeParent()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "PanelTestHostWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "PanelTestHostWindow", "Panel test host", WS_POPUP | WS_VISIBLE, 30, 30, 900, 240,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    return window;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: quibo_editor_win32_host Zintra.dll [OUTPUT_FOLDER]\n");
        return 2;
    }
    if (argc > 2)
        g_outputFolder = argv[2];
    HMODULE module = LoadLibraryA(argv[1]);
    check(module != nullptr, std::string("loading ") + argv[1]);
    if (module == nullptr) {
        std::printf("wine-gui: %d passed, %d failed\n", g_passed, g_failed);
        return 1;
    }
    {
        Plugin plugin(module);
        check(plugin.effect != nullptr, "the plug-in answers VSTPluginMain");
        if (plugin.effect == nullptr)
            return 1;
        check(plugin.effect->flags == 0x131, "it reports an editor (flags 0x131)");
        plugin.call(effOpen);
        float unused[1];
        float* outputs[2] = {unused, unused};
        plugin.effect->processReplacing(plugin.effect, nullptr, outputs, 0);
        ERect* rect = nullptr;
        check(plugin.call(effEditGetRect, &rect) == 1 && rect != nullptr && rect->right - rect->left == 882 &&
                  rect->bottom - rect->top == 213,
              "effEditGetRect gives the panel's 882 x 213");
        HWND parent = makeParent();
        check(plugin.call(effEditOpen, parent) == 1, "effEditOpen with the parent's HWND answers 1");
        HWND child = GetWindow(parent, GW_CHILD);
        check(child != nullptr, "the panel is a child window of the host's");
        check(waitForPicture(plugin, child, paneltest::panelPicture()),
              "the window's pixels equal the headless rendering");
        savePicture(readWindow(child, 882, 213), "wine-panel-open");

        // The A4 key, held 400 ms.
        POINT screen{541 + 16, 160 + 20};
        ClientToScreen(child, &screen);
        const int idlesBefore = g_hostIdles;
        std::printf("CLICK %ld %ld 1 400\n", screen.x, screen.y);
        std::fflush(stdout);
        const CPixelSurface played = paneltest::panelPicture(69);
        bool shown = false;
        // The block comes before the idle, so a match shows the latest
        // content (the LCD's blink mark moves with the rendered ticks) and the
        // panel opened again below shows it too.
        for (int i = 0; i < 200 && !shown; ++i) {
            renderBlock(plugin.effect);
            pump(plugin, 25);
            shown = readWindow(child, 882, 213) == played;
        }
        check(g_hostIdles > idlesBefore, "the host got idle calls while the key was held");
        check(g_leftEnergy > 1.0, "the clicked key sounds on the left output");
        check(g_rightEnergy == 0.0, "the right output stays silent");
        check(shown, "after the note the pixels equal the headless rendering");
        savePicture(readWindow(child, 882, 213), "wine-panel-played");

        plugin.call(effEditClose);
        check(GetWindow(parent, GW_CHILD) == nullptr, "closing the panel destroys its window");
        check(plugin.call(effEditOpen, parent) == 1 && waitForPicture(plugin, GetWindow(parent, GW_CHILD), played),
              "the panel opens again as it was");
        plugin.call(effEditClose);
        DestroyWindow(parent);
    }
    FreeLibrary(module);
    std::printf("wine-gui: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
