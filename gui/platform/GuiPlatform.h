#pragma once
// What the GUI framework takes from the system. One backend implements it
// for each kind of window: win32/ (a child window of the host's HWND),
// x11/ (a child window of the host's X11 window, on a display connection of
// its own) and headless/ (memory only, driven by tests). Exactly one backend
// is linked into each module. Nothing outside the backend folders includes a
// system header.

#include "GuiTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class CPixelSurface;
class CDropDispatch;

// The state of the pointing device's buttons and the modifier keys as the
// system reports them. left and right are the physical buttons; swapped
// tells that the user made the right one the primary button.
struct CRawButtons {
    bool left = false;
    bool middle = false;
    bool right = false;
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool swapped = false;
};

// Receives a window's events; the frame implements it. All calls come on the
// thread that created the window.
class CWindowListener {
public:
    // The system asks for area to be drawn; the listener draws it into its
    // surface and presents it.
    virtual void windowPaint(const CRect& area) = 0;
    // A button went down at where (window coordinates), with buttons as they
    // were at the press (the pressed one among them, even if it is up again
    // by now); the view under it takes the press with them, then tracks the
    // mouse in a loop of its own, polling the window.
    virtual void windowButtonDown(CPoint where, const CRawButtons& buttons) = 0;
    // From backends that report the pointer's events one at a time: a button
    // went down at where, with buttons as they are after the press. The view
    // under it starts tracking and returns; the events that follow move it on.
    virtual void windowButtonPressed(CPoint where, const CRawButtons& buttons) = 0;
    // The pointer moved, or a button went up or down, during such tracking:
    // where and buttons as they are after the event.
    virtual void windowPointerChanged(CPoint where, const CRawButtons& buttons) = 0;
    // The system window is gone (destroyed by its parent, or closing).
    virtual void windowDestroyed() = 0;

protected:
    ~CWindowListener() = default;
};

// A child window of the host's window.
class CGuiWindow {
public:
    // Destroys the system window (if the system has not already done so)
    // without calling the listener again.
    virtual ~CGuiWindow() = default;

    // Shows area of surface (which has the window's size) in the window.
    virtual void present(const CPixelSurface& surface, const CRect& area) = 0;
    // The pointer relative to the window's top-left corner, and the buttons,
    // as they are now (a tracking loop polls them).
    virtual CPoint pointerPosition() = 0;
    virtual CRawButtons rawButtons() = 0;
    // Where the pointer was last seen over the window, for hover feedback;
    // false while it is elsewhere. Cheap enough for every idle.
    virtual bool hoverPosition(CPoint& where)
    {
        where = pointerPosition();
        return true;
    }
    // Reads the window's pending events and hands them to the listener: all
    // of them, or (while a mouse click is being handled) only paints.
    virtual void processEvents(bool paintsOnly) = 0;
    // False only when processEvents would find nothing: the last one read
    // everything and found nothing, the pointer has not moved over the window
    // since (for hoverPosition), and nothing new is waiting, which costs one
    // non-blocking look at the connection. Backends that cannot tell say true.
    virtual bool hasNews() { return true; }
    // A descriptor that becomes readable when news comes (an X11
    // connection's socket), for a host that sleeps until then; -1 where the
    // backend has none (such a host idles on a timer).
    virtual int newsSource() const { return -1; }
    // The system's id of the window (an X11 Window) for a host that embeds
    // it; 0 where the backend has none to give or the window is gone.
    virtual std::uintptr_t nativeHandle() const { return 0; }
    // Gives the window a new size (the panel's scale changed); the surface
    // presented afterwards has that size.
    virtual void resize(int width, int height) = 0;
};

struct CWindowRequest {
    void* parent = nullptr; // the host's window: an HWND, or an X11 Window id
    int width = 0;
    int height = 0;
    CWindowListener* listener = nullptr;
    CDropDispatch* drop = nullptr; // drops on the window, where the backend supports them
};

namespace guiplatform {

// True in builds whose backend shows real windows (not the headless one).
bool hasWindowBackend();

// The module's window class; the framework counts users and calls these on
// the first and after the last (CWindowClass).
bool registerWindowClass();
void unregisterWindowClass();

// A new child window, or null when none can be made (no display, no parent).
std::unique_ptr<CGuiWindow> createWindow(const CWindowRequest& request);

// The system's display scale for a window on parent (null: the default
// screen), as a factor of 96 dots per inch; 0 where the system says nothing.
float systemScaleFactor(void* parent);

// Milliseconds of a monotonic clock (wrapping at 2^32), and a pause.
std::uint32_t tickCount();
void sleepMilliseconds(int milliseconds);

// The BMP data of the module's bitmap resource id: a whole file or, on
// Windows, the resource without its file header. False when there is none.
bool findBitmapResource(int id, const unsigned char*& data, std::size_t& size);

} // namespace guiplatform
