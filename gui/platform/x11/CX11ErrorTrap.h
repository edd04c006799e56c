#pragma once
// The module's X error handlers, held only while it makes its own Xlib calls
// on one of its connections: set on construction, the previous ones put back
// on destruction (traps nest). Between calls nothing of the module stays
// installed, so the host's errors reach whoever handled them before, and a
// host that saves and restores handlers around the editor, or unloads the
// module, finds no pointer into it.
//
// An error on a connection is handled when Xlib reads it, which is only ever
// inside a call on that connection; every call on the module's connections
// therefore runs under a trap, and a trap needs no round trip of its own.
// Errors of the trapped connection are counted instead of ending the host;
// those of other connections go on to the handler the trap replaced. A lost
// connection is not the host's business either: under a trap it calls the
// connection's own exit handler (connectionLost), not the host's.
//
// Used on the host's user-interface thread only.

#include <X11/Xlib.h>

class CX11ErrorTrap {
public:
    explicit CX11ErrorTrap(Display* display);
    ~CX11ErrorTrap();
    CX11ErrorTrap(const CX11ErrorTrap&) = delete;
    CX11ErrorTrap& operator=(const CX11ErrorTrap&) = delete;

    // Errors of the trapped connection read since the trap was set; a sync
    // before asking makes sure the server has answered every request.
    int errors() const { return m_errors; }

    // Makes a lost connection call lost(display, data) instead of ending the
    // process, where the system's Xlib allows it (libX11 1.8 or later). The
    // connection is unusable afterwards, but may still be closed.
    static void whenLost(Display* display, void (*lost)(Display*, void*), void* data);

private:
    static int errorHandler(Display* display, XErrorEvent* event);
    static int ioErrorHandler(Display* display);
    static CX11ErrorTrap* trapOf(Display* display);
    static CX11ErrorTrap* outermost();

    Display* m_display;
    CX11ErrorTrap* m_outer;
    XErrorHandler m_savedError;
    XIOErrorHandler m_savedIoError;
    int m_errors = 0;
};
