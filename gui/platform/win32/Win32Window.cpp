#include "Win32Window.h"

#include "CPixelSurface.h"
#include "Win32DropTarget.h"

#include <ole2.h>
#include <windowsx.h>

#include <cstdio>

// The module's own handle, whether it is the plug-in DLL or a program.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {
bool keyDown(int key)
{
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

// The buttons and modifiers of a mouse message, as they were when it was
// made: a press is a click even if its button is up again by the time the
// message is read. wParam names the buttons as the user uses them (left is
// the primary one); Alt comes from the keyboard state of the same moment.
CRawButtons buttonsOfMessage(WPARAM wParam)
{
    CRawButtons raw;
    raw.left = (wParam & MK_LBUTTON) != 0;
    raw.middle = (wParam & MK_MBUTTON) != 0;
    raw.right = (wParam & MK_RBUTTON) != 0;
    raw.shift = (wParam & MK_SHIFT) != 0;
    raw.control = (wParam & MK_CONTROL) != 0;
    raw.alt = GetKeyState(VK_MENU) < 0;
    return raw;
}
} // namespace

HINSTANCE CWin32Window::module()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

const char* CWin32Window::className()
{
    static char name[32] = "";
    if (name[0] == '\0')
        std::snprintf(name, sizeof name, "Plugin%08x",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(module()) & 0xFFFFFFFFu));
    return name;
}

CWin32Window::~CWin32Window()
{
    if (m_dropTarget != nullptr) {
        if (m_window != nullptr)
            RevokeDragDrop(m_window);
        m_dropTarget->Release();
    }
    if (m_window != nullptr) {
        SetWindowLongPtrA(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    if (m_oleInitialised)
        OleUninitialize();
}

bool CWin32Window::open(const CWindowRequest& request)
{
    m_listener = request.listener;
    m_window = CreateWindowExA(0, className(), "Window", WS_CHILD | WS_VISIBLE, 0, 0, request.width, request.height,
                               static_cast<HWND>(request.parent), nullptr, module(), nullptr);
    if (m_window == nullptr)
        return false;
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // Drops need OLE in this (single-threaded) apartment; a thread that is
    // in the multi-threaded one simply gets no drops.
    m_oleInitialised = SUCCEEDED(OleInitialize(nullptr));
    if (m_oleInitialised && request.drop != nullptr) {
        m_dropTarget = new CWin32DropTarget(*request.drop, m_window);
        if (RegisterDragDrop(m_window, m_dropTarget->dropTarget()) != S_OK) {
            m_dropTarget->Release();
            m_dropTarget = nullptr;
        }
    }
    return true;
}

void CWin32Window::present(const CPixelSurface& surface, const CRect& area)
{
    const CRect part = area.intersect(surface.bounds());
    if (m_window == nullptr || part.isEmpty())
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = surface.width();
    info.bmiHeader.biHeight = -surface.height(); // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = m_paintDc != nullptr ? m_paintDc : GetDC(m_window);
    if (dc == nullptr)
        return;
    // The source's y counts from the bottom, also for top-down rows.
    SetDIBitsToDevice(dc, part.left, part.top, static_cast<DWORD>(part.width()), static_cast<DWORD>(part.height()),
                      part.left, surface.height() - part.bottom, 0, static_cast<UINT>(surface.height()), surface.data(),
                      &info, DIB_RGB_COLORS);
    if (dc != m_paintDc)
        ReleaseDC(m_window, dc);
}

CPoint CWin32Window::pointerPosition()
{
    POINT cursor{};
    RECT frame{};
    if (m_window == nullptr || !GetCursorPos(&cursor) || !GetWindowRect(m_window, &frame))
        return {};
    return {cursor.x - frame.left, cursor.y - frame.top};
}

void CWin32Window::resize(int width, int height)
{
    if (m_window != nullptr)
        SetWindowPos(m_window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CRawButtons CWin32Window::rawButtons()
{
    // The physical buttons, and whether the user swapped them.
    CRawButtons raw;
    raw.left = keyDown(VK_LBUTTON);
    raw.middle = keyDown(VK_MBUTTON);
    raw.right = keyDown(VK_RBUTTON);
    raw.shift = keyDown(VK_SHIFT);
    raw.control = keyDown(VK_CONTROL);
    raw.alt = keyDown(VK_MENU);
    raw.swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    return raw;
}

void CWin32Window::processEvents(bool paintsOnly)
{
    // The host pumps the thread's messages; while a click is handled, one
    // pending paint of the thread is taken here.
    if (!paintsOnly)
        return;
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&message);
}

void CWin32Window::paint(HWND window)
{
    if (!GetUpdateRect(window, nullptr, FALSE))
        return;
    PAINTSTRUCT paint;
    m_paintDc = BeginPaint(window, &paint);
    if (m_paintDc != nullptr)
        m_listener->windowPaint({paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom});
    EndPaint(window, &paint);
    m_paintDc = nullptr;
}

LRESULT CALLBACK CWin32Window::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CWin32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        // Destroyed with the host's window: the frame stops drawing.
        if (self->m_dropTarget != nullptr)
            RevokeDragDrop(window);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->m_window = nullptr;
        self->m_listener->windowDestroyed();
        break;
    case WM_PAINT:
        self->paint(window);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        self->m_listener->windowButtonDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, buttonsOfMessage(wParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
