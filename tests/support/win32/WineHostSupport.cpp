#include "WineHostSupport.h"

#include "PpmWriter.h"

#include <cstdint>
#include <cstdio>

namespace wintest {

namespace {
int g_passed = 0;
int g_failed = 0;
} // namespace

void check(bool ok, const std::string& what)
{
    (ok ? g_passed : g_failed) += 1;
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
}

int finish()
{
    std::printf("wine-gui: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}

HostArguments loadPluginModule(int argc, char** argv, const char* usage)
{
    HostArguments arguments;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s\n", usage);
        arguments.exitCode = 2;
        return arguments;
    }
    if (argc > 2)
        arguments.outputFolder = argv[2];
    arguments.module = LoadLibraryA(argv[1]);
    check(arguments.module != nullptr, std::string("loading ") + argv[1]);
    if (arguments.module == nullptr)
        arguments.exitCode = finish();
    return arguments;
}

Plugin::Plugin(HMODULE module, audioMasterCallback host)
{
    using Main = AEffect*(VSTCALLBACK*)(audioMasterCallback);
    auto main = reinterpret_cast<Main>(reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")));
    if (main != nullptr)
        effect = main(host);
}

Plugin::~Plugin()
{
    if (effect != nullptr)
        call(effClose);
}

HWND makeHostWindow(int x, int y, int width, int height)
{
    // Registering again fails harmlessly: the class stays as first registered.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "TestHostWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "TestHostWindow", "Test host", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    return window;
}

void pump(const std::vector<Plugin*>& plugins, DWORD milliseconds)
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

bool waitForPicture(Plugin& plugin, HWND window, const CPixelSurface& expected)
{
    for (int i = 0; i < 200; ++i) {
        pump({&plugin}, 50);
        if (readWindow(window, expected.width(), expected.height()) == expected)
            return true;
    }
    return false;
}

void savePicture(const std::string& folder, const CPixelSurface& picture, const char* name)
{
    if (!folder.empty())
        guitest::writePpm(picture, folder + "\\" + name + ".ppm");
}

} // namespace wintest
