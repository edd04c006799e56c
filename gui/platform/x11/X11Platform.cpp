// The X11 window backend: each open frame gets a display connection of its
// own and a child window of the host's window (the X11 Window id that Linux
// hosts pass to effEditOpen). Its events are read when the editor idles, in
// order: a press starts a control's tracking, and the motions and releases
// queued after it move the tracking on, idle after idle, so that the host's
// thread is never held and a click shorter than an idle is not lost. (A view
// that tracks in a loop of its own polls the pointer, and only exposures are
// read meanwhile.) The pointer's place for hover feedback comes from the
// motion and crossing events, so an idle with nothing queued asks the server
// nothing; once a read found nothing, whether there is news is one poll of
// the connection's socket. The frame's pixels are presented with XPutImage,
// or through shared memory where the server offers it. Every Xlib call on a
// connection runs under a CX11ErrorTrap: its errors, and the server going
// away, end the panel, never the host.
#include "platform/GuiPlatform.h"

#include "CPixelSurface.h"
#include "CScaleChoice.h"
#include "CX11ErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool nativeLittleEndian()
{
    const std::uint32_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

// Buttons and modifiers from the state field of an event or a pointer query.
// The server applies the user's button mapping: button 1 is the primary one.
CRawButtons buttonsFromState(unsigned state)
{
    CRawButtons raw;
    raw.left = (state & Button1Mask) != 0;
    raw.middle = (state & Button2Mask) != 0;
    raw.right = (state & Button3Mask) != 0;
    raw.shift = (state & ShiftMask) != 0;
    raw.control = (state & ControlMask) != 0;
    raw.alt = (state & Mod1Mask) != 0;
    return raw;
}

// The state bit of button 1 to 3 (the wheel's buttons have none).
unsigned buttonMask(unsigned button)
{
    return button >= Button1 && button <= Button3 ? static_cast<unsigned>(Button1Mask) << (button - Button1) : 0u;
}

// One colour channel of the server's pixel format.
struct Channel {
    unsigned long mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(unsigned long m)
        : mask(m)
    {
        if (m == 0)
            return;
        while (((m >> shift) & 1ul) == 0)
            ++shift;
        for (unsigned long v = m >> shift; v & 1ul; v >>= 1)
            ++bits;
    }
    unsigned long place(unsigned value) const
    {
        if (bits == 0)
            return 0;
        const unsigned long scaled = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
        return (scaled << shift) & mask;
    }
};

class CX11Window : public CGuiWindow {
public:
    ~CX11Window() override;
    bool open(const CWindowRequest& request);

    void present(const CPixelSurface& surface, const CRect& area) override;
    CPoint pointerPosition() override;
    CRawButtons rawButtons() override;
    bool hoverPosition(CPoint& where) override;
    void processEvents(bool paintsOnly) override;
    bool hasNews() override;
    int newsSource() const override { return m_alive && !m_lost ? m_socket : -1; }
    std::uintptr_t nativeHandle() const override { return m_alive && !m_lost ? m_window : 0; }
    void resize(int width, int height) override;

private:
    bool makeImage(const XWindowAttributes& attributes);
    void freeImages();
    void makeSharedImage(const XWindowAttributes& attributes);
    bool nextEvent(bool paintsOnly, XEvent& event);
    void handle(XEvent& event);
    void handlePointer(XEvent& event);
    void skipToLastMotion(XEvent& event);
    void convert(const CPixelSurface& surface, const CRect& area);
    bool queryPointer(CPoint& where, unsigned& mask);
    static void connectionLost(Display* display, void* window);

    Display* m_display = nullptr;
    Window m_window = 0;
    GC m_gc = nullptr;
    CWindowListener* m_listener = nullptr;
    int m_width = 0;
    int m_height = 0;
    bool m_alive = false;
    // The server went away: nothing is asked of the connection but its close.
    bool m_lost = false;
    // Exactly the frame's 0x00RRGGBB words: the image points at the frame's pixels.
    bool m_direct = false;
    XImage* m_image = nullptr;
    char* m_ownBuffer = nullptr;
    XShmSegmentInfo m_shm{};
    XImage* m_shmImage = nullptr;
    CRect m_exposed;
    CPoint m_lastPointer;
    // Where motion and crossing events last put the pointer, and whether it
    // is over the window.
    CPoint m_hover;
    bool m_pointerInside = false;
    // The last read of all events found none, and no call since could have
    // read the socket into Xlib's or XCB's queues: new events show on the
    // socket.
    bool m_drained = false;
    int m_socket = -1;
};

CX11Window::~CX11Window()
{
    if (m_display == nullptr)
        return;
    const CX11ErrorTrap trap(m_display);
    freeImages();
    if (m_gc != nullptr)
        XFreeGC(m_display, m_gc);
    // Closing the connection destroys its window too, and does no harm when
    // the host has already destroyed it.
    XCloseDisplay(m_display);
}

void CX11Window::connectionLost(Display*, void* window)
{
    auto* self = static_cast<CX11Window*>(window);
    self->m_lost = true;
    self->m_alive = false;
}

bool CX11Window::open(const CWindowRequest& request)
{
    m_listener = request.listener;
    m_width = request.width;
    m_height = request.height;
    const Window parent = static_cast<Window>(reinterpret_cast<std::uintptr_t>(request.parent));
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
        return false;
    CX11ErrorTrap::whenLost(m_display, connectionLost, this);
    const CX11ErrorTrap trap(m_display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(m_display, parent, &attributes) || trap.errors() != 0)
        return false;
    XSetWindowAttributes settings{};
    // A press grabs the pointer for this window until the last button is up,
    // so its motions and release come here even from outside the window.
    settings.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                          LeaveWindowMask | StructureNotifyMask;
    settings.background_pixmap = None;
    m_window = XCreateWindow(m_display, parent, 0, 0, static_cast<unsigned>(m_width), static_cast<unsigned>(m_height),
                             0, CopyFromParent, InputOutput, CopyFromParent, CWEventMask | CWBackPixmap, &settings);
    m_gc = XCreateGC(m_display, m_window, 0, nullptr);
    XSync(m_display, False);
    if (trap.errors() != 0 || m_lost)
        return false;
    m_alive = true;
    m_socket = ConnectionNumber(m_display);
    makeImage(attributes);
    XMapWindow(m_display, m_window);
    XFlush(m_display);
    return true;
}

void CX11Window::freeImages()
{
    if (m_shmImage != nullptr) {
        if (!m_lost) {
            XShmDetach(m_display, &m_shm);
            XSync(m_display, False);
        }
        XDestroyImage(m_shmImage);
        shmdt(m_shm.shmaddr);
        m_shmImage = nullptr;
    }
    if (m_image != nullptr) {
        m_image->data = nullptr;
        XDestroyImage(m_image);
        m_image = nullptr;
    }
    std::free(m_ownBuffer);
    m_ownBuffer = nullptr;
}

// The images are made for one size: they are made again for the new one.
void CX11Window::resize(int width, int height)
{
    if (!m_alive || width <= 0 || height <= 0)
        return;
    m_drained = false;
    const CX11ErrorTrap trap(m_display);
    freeImages();
    m_width = width;
    m_height = height;
    XResizeWindow(m_display, m_window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XWindowAttributes attributes;
    if (XGetWindowAttributes(m_display, m_window, &attributes) && trap.errors() == 0)
        makeImage(attributes);
    XFlush(m_display);
}

bool CX11Window::makeImage(const XWindowAttributes& attributes)
{
    Visual* visual = attributes.visual;
    if (visual == nullptr || visual->c_class != TrueColor)
        return false; // nothing is drawn on palette displays
    int bitsPerPixel = 0;
    int formats = 0;
    if (XPixmapFormatValues* list = XListPixmapFormats(m_display, &formats)) {
        for (int i = 0; i < formats; ++i)
            if (list[i].depth == attributes.depth)
                bitsPerPixel = list[i].bits_per_pixel;
        XFree(list);
    }
    m_direct =
        bitsPerPixel == 32 && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
    if (m_direct) {
        makeSharedImage(attributes);
        if (m_shmImage != nullptr)
            return true;
        m_image = XCreateImage(m_display, visual, static_cast<unsigned>(attributes.depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(m_width), static_cast<unsigned>(m_height), 32, m_width * 4);
        if (m_image != nullptr)
            m_image->byte_order = nativeLittleEndian() ? LSBFirst : MSBFirst;
        return m_image != nullptr;
    }
    m_image = XCreateImage(m_display, visual, static_cast<unsigned>(attributes.depth), ZPixmap, 0, nullptr,
                           static_cast<unsigned>(m_width), static_cast<unsigned>(m_height), 32, 0);
    if (m_image == nullptr)
        return false;
    m_ownBuffer = static_cast<char*>(
        std::calloc(static_cast<std::size_t>(m_image->bytes_per_line), static_cast<std::size_t>(m_height)));
    m_image->data = m_ownBuffer;
    if (m_ownBuffer == nullptr) {
        XDestroyImage(m_image);
        m_image = nullptr;
    }
    return m_image != nullptr;
}

void CX11Window::makeSharedImage(const XWindowAttributes& attributes)
{
    if (!XShmQueryExtension(m_display))
        return;
    XImage* image = XShmCreateImage(m_display, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap,
                                    nullptr, &m_shm, static_cast<unsigned>(m_width), static_cast<unsigned>(m_height));
    if (image == nullptr)
        return;
    if (image->bits_per_pixel != 32 || image->bytes_per_line != m_width * 4) {
        XDestroyImage(image);
        return;
    }
    m_shm.shmid =
        shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(m_height),
               IPC_CREAT | 0600);
    if (m_shm.shmid < 0) {
        XDestroyImage(image);
        return;
    }
    m_shm.shmaddr = static_cast<char*>(shmat(m_shm.shmid, nullptr, 0));
    if (m_shm.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(m_shm.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        return;
    }
    image->data = m_shm.shmaddr;
    m_shm.readOnly = False;
    const CX11ErrorTrap trap(m_display);
    const bool attached = XShmAttach(m_display, &m_shm) && (XSync(m_display, False), trap.errors() == 0);
    // The segment goes away with the last detach.
    shmctl(m_shm.shmid, IPC_RMID, nullptr);
    if (!attached) { // a server on another machine
        XDestroyImage(image);
        shmdt(m_shm.shmaddr);
        return;
    }
    m_shmImage = image;
}

void CX11Window::present(const CPixelSurface& surface, const CRect& area)
{
    const CRect part = area.intersect({0, 0, m_width, m_height}).intersect(surface.bounds());
    if (!m_alive || part.isEmpty() || surface.width() != m_width)
        return;
    const unsigned w = static_cast<unsigned>(part.width());
    const unsigned h = static_cast<unsigned>(part.height());
    m_drained = false;
    const CX11ErrorTrap trap(m_display);
    if (m_shmImage != nullptr) {
        for (int y = part.top; y < part.bottom; ++y)
            std::memcpy(m_shmImage->data + y * m_shmImage->bytes_per_line + part.left * 4, surface.row(y) + part.left,
                        w * 4);
        XShmPutImage(m_display, m_window, m_gc, m_shmImage, part.left, part.top, part.left, part.top, w, h, False);
        // The server has read the segment before it is written again.
        XSync(m_display, False);
        return;
    }
    if (m_image == nullptr)
        return;
    if (m_direct)
        m_image->data = reinterpret_cast<char*>(const_cast<std::uint32_t*>(surface.data()));
    else
        convert(surface, part);
    XPutImage(m_display, m_window, m_gc, m_image, part.left, part.top, part.left, part.top, w, h);
    if (m_direct)
        m_image->data = nullptr;
    XFlush(m_display);
}

void CX11Window::convert(const CPixelSurface& surface, const CRect& area)
{
    const Channel red(m_image->red_mask), green(m_image->green_mask), blue(m_image->blue_mask);
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint32_t* row = surface.row(y);
        for (int x = area.left; x < area.right; ++x) {
            const std::uint32_t p = row[x];
            XPutPixel(m_image, x, y, red.place((p >> 16) & 0xFF) | green.place((p >> 8) & 0xFF) | blue.place(p & 0xFF));
        }
    }
}

bool CX11Window::queryPointer(CPoint& where, unsigned& mask)
{
    if (!m_alive)
        return false;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    m_drained = false;
    const CX11ErrorTrap trap(m_display);
    if (!XQueryPointer(m_display, m_window, &root, &child, &rootX, &rootY, &x, &y, &mask))
        return false; // the pointer is on another screen
    where = {x, y};
    return true;
}

CPoint CX11Window::pointerPosition()
{
    unsigned mask = 0;
    queryPointer(m_lastPointer, mask);
    return m_lastPointer;
}

CRawButtons CX11Window::rawButtons()
{
    unsigned mask = 0;
    CPoint where;
    if (!queryPointer(where, mask))
        return {};
    return buttonsFromState(mask);
}

bool CX11Window::hoverPosition(CPoint& where)
{
    where = m_hover;
    return m_pointerInside;
}

void CX11Window::processEvents(bool paintsOnly)
{
    XEvent event;
    bool handled = false;
    m_drained = false;
    while (m_alive && nextEvent(paintsOnly, event)) {
        handle(event);
        handled = true;
    }
    // Events read now were handled after this idle's hover check: the next
    // idle looks again.
    m_drained = m_alive && !paintsOnly && !handled;
}

bool CX11Window::hasNews()
{
    if (!m_alive)
        return false;
    if (!m_drained)
        return true;
    // Readable, closed or failed: the next read tells which.
    pollfd look{m_socket, POLLIN, 0};
    return poll(&look, 1, 0) != 0;
}

// The next event to handle, if one is queued. The trap covers the reading
// only: handling an event calls the listener, which may call the host.
bool CX11Window::nextEvent(bool paintsOnly, XEvent& event)
{
    const CX11ErrorTrap trap(m_display);
    if (paintsOnly)
        return XCheckTypedWindowEvent(m_display, m_window, DestroyNotify, &event) ||
               XCheckTypedWindowEvent(m_display, m_window, Expose, &event);
    if (XPending(m_display) <= 0)
        return false;
    XNextEvent(m_display, &event);
    return true;
}

void CX11Window::handle(XEvent& event)
{
    switch (event.type) {
    case Expose:
        m_exposed = m_exposed.unite(
            CRect::fromSize(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height));
        // count tells how many more exposures follow: paint after the last.
        if (event.xexpose.count == 0) {
            const CRect area = m_exposed;
            m_exposed = {};
            m_listener->windowPaint(area);
        }
        break;
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
        handlePointer(event);
        break;
    case EnterNotify:
    case LeaveNotify:
        m_pointerInside = event.type == EnterNotify;
        m_hover = {event.xcrossing.x, event.xcrossing.y};
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == m_window) {
            m_alive = false;
            m_listener->windowDestroyed();
        }
        break;
    default:
        break;
    }
}

// An event's state is the one before it: a press adds its button, a release
// takes it away. Buttons 4 to 7 are wheel steps, which track nothing.
void CX11Window::handlePointer(XEvent& event)
{
    if (event.type == MotionNotify) {
        skipToLastMotion(event);
        m_hover = {event.xmotion.x, event.xmotion.y};
        m_listener->windowPointerChanged(m_hover, buttonsFromState(event.xmotion.state));
        return;
    }
    const unsigned mask = buttonMask(event.xbutton.button);
    if (mask == 0)
        return;
    m_hover = {event.xbutton.x, event.xbutton.y};
    if (event.type == ButtonPress)
        m_listener->windowButtonPressed(m_hover, buttonsFromState(event.xbutton.state | mask));
    else
        m_listener->windowPointerChanged(m_hover, buttonsFromState(event.xbutton.state & ~mask));
}

// Motions queued one after another count as the last of them.
void CX11Window::skipToLastMotion(XEvent& event)
{
    XEvent next;
    while (XEventsQueued(m_display, QueuedAlready) > 0) {
        XPeekEvent(m_display, &next);
        if (next.type != MotionNotify || next.xmotion.window != m_window)
            return;
        XNextEvent(m_display, &event);
    }
}

} // namespace

namespace guiplatform {

bool hasWindowBackend()
{
    return true;
}

// X11 has no window classes.
bool registerWindowClass()
{
    return true;
}

void unregisterWindowClass()
{
}

std::unique_ptr<CGuiWindow> createWindow(const CWindowRequest& request)
{
    if (request.parent == nullptr || request.listener == nullptr || request.width <= 0 || request.height <= 0)
        return nullptr;
    auto window = std::make_unique<CX11Window>();
    if (!window->open(request))
        return nullptr;
    return window;
}

namespace {
void forgetDisplay(Display*, void*)
{
}
} // namespace

// GDK_SCALE, the scale the user gave the desktop's toolkits, then the
// resource database's Xft.dpi, which desktops set for their scale.
float systemScaleFactor(void*)
{
    const float toolkit = CScaleChoice::parseFactor(std::getenv("GDK_SCALE"));
    if (toolkit > 0.0f)
        return toolkit;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 0.0f;
    CX11ErrorTrap::whenLost(display, forgetDisplay, nullptr);
    float factor = 0.0f;
    {
        const CX11ErrorTrap trap(display);
        factor = CScaleChoice::factorOfResources(XResourceManagerString(display));
    }
    XCloseDisplay(display);
    return factor;
}

std::uint32_t tickCount()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void sleepMilliseconds(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) { }
}

} // namespace guiplatform
