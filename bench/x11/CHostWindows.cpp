#include "CHostWindows.h"

#include <X11/Xlib.h>

CHostWindows::CHostWindows()
    : m_display(XOpenDisplay(nullptr))
{
}

CHostWindows::~CHostWindows()
{
    if (m_display == nullptr)
        return;
    for (Window window : m_windows)
        XDestroyWindow(m_display, window);
    XCloseDisplay(m_display);
}

std::uintptr_t CHostWindows::makeParent(int x, int y)
{
    if (m_display == nullptr)
        return 0;
    const int screen = DefaultScreen(m_display);
    const Window window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), x, y, 882, 213, 0,
                                              BlackPixel(m_display, screen), 0);
    XMapWindow(m_display, window);
    // The panel's own connection looks the window up next.
    XSync(m_display, False);
    m_windows.push_back(window);
    return window;
}

void CHostWindows::sync()
{
    if (m_display != nullptr)
        XSync(m_display, False);
}
