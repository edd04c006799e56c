// The system services of the Win32 backend: the window class, windows, the
// clock and the module's BITMAP resources.
#include "Win32Window.h"

namespace guiplatform {

bool hasWindowBackend()
{
    return true;
}

bool registerWindowClass()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = CWin32Window::windowProcedure;
    windowClass.hInstance = CWin32Window::module();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = CWin32Window::className();
    if (RegisterClassExA(&windowClass) != 0)
        return true;
    // Left registered by an earlier load of this module at the same address
    // (the system does not unregister a DLL's classes when it is unloaded).
    if (GetLastError() == ERROR_CLASS_ALREADY_EXISTS &&
        UnregisterClassA(CWin32Window::className(), CWin32Window::module()))
        return RegisterClassExA(&windowClass) != 0;
    return false;
}

void unregisterWindowClass()
{
    UnregisterClassA(CWin32Window::className(), CWin32Window::module());
}

std::unique_ptr<CGuiWindow> createWindow(const CWindowRequest& request)
{
    if (request.parent == nullptr || request.listener == nullptr || !IsWindow(static_cast<HWND>(request.parent)))
        return nullptr;
    auto window = std::make_unique<CWin32Window>();
    if (!window->open(request))
        return nullptr;
    return window;
}

// The DPI of the monitor the host's window is on where the system tells it
// (GetDpiForWindow, Windows 10 1607 on; a host that is not DPI-aware is told
// 96 and has its window enlarged by the system), else the screen's.
float systemScaleFactor(void* parent)
{
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    UINT dpi = 0;
    if (parent != nullptr && dpiForWindow != nullptr && IsWindow(static_cast<HWND>(parent)))
        dpi = dpiForWindow(static_cast<HWND>(parent));
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        if (screen != nullptr) {
            dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
            ReleaseDC(nullptr, screen);
        }
    }
    return dpi > 0 ? static_cast<float>(dpi) / static_cast<float>(USER_DEFAULT_SCREEN_DPI) : 0.0f;
}

std::uint32_t tickCount()
{
    return GetTickCount();
}

void sleepMilliseconds(int milliseconds)
{
    if (milliseconds > 0)
        Sleep(static_cast<DWORD>(milliseconds));
}

bool findBitmapResource(int id, const unsigned char*& data, std::size_t& size)
{
    // Resource ids are 16-bit numbers.
    if (id <= 0 || id > 0xFFFF)
        return false;
    HMODULE module = CWin32Window::module();
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)); // RT_BITMAP
    if (resource == nullptr)
        return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return false;
    data = static_cast<const unsigned char*>(bytes);
    size = SizeofResource(module, resource);
    return true;
}

} // namespace guiplatform
