#include "CX11ErrorTrap.h"

namespace {

// The innermost trap set (user-interface thread only).
CX11ErrorTrap* s_innermost = nullptr;

} // namespace

CX11ErrorTrap::CX11ErrorTrap(Display* display)
    : m_display(display),
      m_outer(s_innermost),
      m_savedError(XSetErrorHandler(errorHandler)),
      m_savedIoError(XSetIOErrorHandler(ioErrorHandler))
{
    s_innermost = this;
}

CX11ErrorTrap::~CX11ErrorTrap()
{
    XSetIOErrorHandler(m_savedIoError);
    XSetErrorHandler(m_savedError);
    s_innermost = m_outer;
}

CX11ErrorTrap* CX11ErrorTrap::trapOf(Display* display)
{
    for (CX11ErrorTrap* trap = s_innermost; trap != nullptr; trap = trap->m_outer)
        if (trap->m_display == display)
            return trap;
    return nullptr;
}

CX11ErrorTrap* CX11ErrorTrap::outermost()
{
    CX11ErrorTrap* trap = s_innermost;
    while (trap != nullptr && trap->m_outer != nullptr)
        trap = trap->m_outer;
    return trap;
}

int CX11ErrorTrap::errorHandler(Display* display, XErrorEvent* event)
{
    if (CX11ErrorTrap* trap = trapOf(display)) {
        ++trap->m_errors;
        return 0;
    }
    // Another connection's error, read under the trap by another thread:
    // what handled errors before the first trap handles it.
    const CX11ErrorTrap* first = outermost();
    if (first != nullptr && first->m_savedError != nullptr && first->m_savedError != errorHandler)
        return first->m_savedError(display, event);
    return 0;
}

int CX11ErrorTrap::ioErrorHandler(Display* display)
{
    // Returning hands over to the connection's exit handler (whenLost).
    if (trapOf(display) != nullptr)
        return 0;
    const CX11ErrorTrap* first = outermost();
    if (first != nullptr && first->m_savedIoError != nullptr && first->m_savedIoError != ioErrorHandler)
        return first->m_savedIoError(display);
    return 0;
}

void CX11ErrorTrap::whenLost(Display* display, void (*lost)(Display*, void*), void* data)
{
#if defined(QUIBO_HAVE_X_IO_EXIT_HANDLER)
    XSetIOErrorExitHandler(display, lost, data);
#else
    (void)display;
    (void)lost;
    (void)data;
#endif
}
