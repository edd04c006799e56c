#include "CX11PlayerWindow.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <unistd.h>

namespace {

// An error on the player's connection (a focus the window manager refused)
// is not worth ending the program for; the editor's connection has handlers
// of its own while it makes its calls.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

// The open window's listener, for the lost connection's handler.
CPlayerWindowListener* s_listener = nullptr;

// A pipe whose read end waitEvents watches beside the connection, written
// by wakePlayerWindow (from a signal handler); made once, kept to the end.
int s_wakeRead = -1;
volatile std::sig_atomic_t s_wakeWrite = -1;

void makeWakePipe()
{
    int ends[2] = {-1, -1};
    if (s_wakeRead >= 0 || pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    s_wakeRead = ends[0];
    s_wakeWrite = ends[1];
}

// Empties the pipe: its bytes only ever mean "look again".
void drainWakePipe()
{
    char bytes[64];
    while (s_wakeRead >= 0 && read(s_wakeRead, bytes, sizeof bytes) > 0) { }
}

// A connection lost (the X server gone): Xlib would end the program, so the
// listener ends it instead, having saved what it must. The editor's
// connection, outside its own calls, ends here as well.
int displayLost(Display*)
{
    if (s_listener != nullptr)
        s_listener->windowDisplayLost();
    std::fputs("zintra: the display closed\n", stderr);
    std::_Exit(1);
}

struct VirtualKey {
    KeySym symbol;
    unsigned char virt;
};
constexpr VirtualKey kVirtualKeys[] = {
    {XK_BackSpace, EditorKey::kBack},  {XK_Tab, EditorKey::kTab},       {XK_Return, EditorKey::kReturn},
    {XK_KP_Enter, EditorKey::kReturn}, {XK_Escape, EditorKey::kEscape}, {XK_space, EditorKey::kSpace},
    {XK_Left, EditorKey::kLeft},       {XK_Up, EditorKey::kUp},         {XK_Right, EditorKey::kRight},
    {XK_Down, EditorKey::kDown},       {XK_Home, EditorKey::kHome},     {XK_End, EditorKey::kEnd},
    {XK_Next, EditorKey::kNext},       {XK_Pause, EditorKey::kPause},
};

unsigned char modifiersOf(unsigned state)
{
    unsigned modifiers = 0;
    if ((state & ShiftMask) != 0)
        modifiers |= EditorKey::kShift;
    if ((state & ControlMask) != 0)
        modifiers |= EditorKey::kControl;
    if ((state & Mod1Mask) != 0)
        modifiers |= EditorKey::kAlternate;
    return static_cast<unsigned char>(modifiers);
}

// The key as a host reports it: a virtual key, or the character typed (the
// modifiers applied, so Shift with = is +).
EditorKey keyCodeOf(XKeyEvent& event)
{
    char text[8] = {};
    KeySym symbol = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &symbol, nullptr);
    EditorKey key;
    key.modifiers = modifiersOf(event.state);
    for (const VirtualKey& row : kVirtualKeys)
        if (row.symbol == symbol)
            key.virtualKey = row.virt;
    if (key.virtualKey == EditorKey::kNone && length == 1 && text[0] >= ' ' && text[0] < 0x7f)
        key.character = text[0];
    return key;
}

// The message strip: its margin, the font every X server has built in, and a
// warm colour that stands out on its black.
constexpr int kMessageMargin = 6;
constexpr const char* kMessageFont = "fixed";
constexpr const char* kMessageColour = "#ffd24a";
// Without a font's metrics: those of the built-in "fixed".
constexpr int kDefaultLineHeight = 13;
constexpr int kDefaultCharWidth = 6;

} // namespace

std::unique_ptr<CPlayerWindow> createPlayerWindow()
{
    return std::make_unique<CX11PlayerWindow>();
}

void wakePlayerWindow()
{
    const int end = s_wakeWrite;
    if (end < 0)
        return;
    const int saved = errno;
    const char byte = 1;
    // A full pipe already wakes the waiter.
    if (write(end, &byte, 1) < 0) { }
    errno = saved;
}

CX11PlayerWindow::~CX11PlayerWindow()
{
    close();
}

bool CX11PlayerWindow::open(int width, int height, const char* title, CPlayerWindowListener* listener,
                            std::string& error)
{
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) {
        const char* name = XDisplayName(nullptr);
        error = name != nullptr && name[0] != '\0' ? std::string("cannot open the display ") + name
                                                   : std::string("no display: DISPLAY is not set");
        return false;
    }
    makeWakePipe();
    XSetErrorHandler(&ignoreError);
    XSetIOErrorHandler(&displayLost);
    m_listener = listener;
    s_listener = listener;
    const int screen = DefaultScreen(m_display);
    m_window = XCreateSimpleWindow(m_display, RootWindow(m_display, screen), 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, BlackPixel(m_display, screen),
                                   BlackPixel(m_display, screen));
    XSelectInput(m_display, m_window,
                 KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask | ExposureMask);
    m_width = width;
    m_panelHeight = height;
    m_font = XLoadQueryFont(m_display, kMessageFont);
    m_gc = XCreateGC(m_display, m_window, 0, nullptr);
    XColor colour{};
    XColor exact{};
    const bool coloured =
        XAllocNamedColor(m_display, DefaultColormap(m_display, screen), kMessageColour, &colour, &exact) != 0;
    XSetForeground(m_display, m_gc, coloured ? colour.pixel : WhitePixel(m_display, screen));
    if (m_font != nullptr)
        XSetFont(m_display, m_gc, m_font->fid);
    setTitle(title);
    fixSize(width, height);
    setOwner();
    m_deleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(m_display, m_window, &m_deleteWindow, 1);
    // A held key repeats as presses alone, without releases in between.
    XkbSetDetectableAutoRepeat(m_display, True, nullptr);
    XMapWindow(m_display, m_window);
    XSync(m_display, False);
    return true;
}

void CX11PlayerWindow::setTitle(const char* title)
{
    XStoreName(m_display, m_window, title);
    const Atom name = XInternAtom(m_display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    XChangeProperty(m_display, m_window, name, utf8, 8, PropModeReplace, reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
    XClassHint classHint{};
    char resourceName[] = "zintra";
    char resourceClass[] = "Zintra";
    classHint.res_name = resourceName;
    classHint.res_class = resourceClass;
    XSetClassHint(m_display, m_window, &classHint);
}

void CX11PlayerWindow::setOwner()
{
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        return;
    char* names[] = {host};
    XTextProperty machine{};
    if (XStringListToTextProperty(names, 1, &machine) == 0)
        return;
    XSetWMClientMachine(m_display, m_window, &machine);
    XFree(machine.value);
    // The process id is only meaningful with the machine it runs on.
    const long pid = static_cast<long>(getpid());
    XChangeProperty(m_display, m_window, XInternAtom(m_display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
}

void CX11PlayerWindow::fixSize(int width, int height)
{
    XSizeHints* hints = XAllocSizeHints();
    if (hints == nullptr)
        return;
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(m_display, m_window, hints);
    XFree(hints);
}

void* CX11PlayerWindow::nativeWindow()
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_window));
}

bool CX11PlayerWindow::waitEvents(int milliseconds, int otherSource)
{
    if (m_display == nullptr)
        return false;
    bool came = XPending(m_display) > 0;
    if (!came) {
        pollfd sources[] = {
            {ConnectionNumber(m_display), POLLIN, 0}, {otherSource, POLLIN, 0}, {s_wakeRead, POLLIN, 0}};
        // A negative descriptor is left out by poll.
        came = poll(sources, 3, milliseconds) > 0;
    }
    drainWakePipe();
    while (m_display != nullptr && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        handle(event);
    }
    return came;
}

void CX11PlayerWindow::handle(XEvent& event)
{
    switch (event.type) {
    case KeyPress:
        keyPressed(event.xkey);
        break;
    case KeyRelease:
        keyReleased(event.xkey);
        break;
    case FocusOut:
        releaseAllKeys();
        break;
    case MapNotify:
        // Without a window manager nobody gives the window the keyboard.
        if (!m_focusTaken)
            XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
        m_focusTaken = true;
        break;
    case Expose:
        if (event.xexpose.count == 0)
            drawMessage();
        break;
    case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == m_deleteWindow)
            m_listener->windowCloseRequested();
        break;
    case DestroyNotify:
        // Destroyed by another client (the panel's window went with it): the
        // program ends as when the window is closed.
        if (event.xdestroywindow.window == m_window) {
            m_window = 0;
            m_listener->windowCloseRequested();
        }
        break;
    default:
        break;
    }
}

void CX11PlayerWindow::keyPressed(XKeyEvent& event)
{
    const unsigned code = event.keycode;
    if (code >= kKeyCodes)
        return;
    if (!m_held[code])
        m_heldKey[code] = keyCodeOf(event);
    m_held[code] = true;
    m_listener->windowKeyDown(m_heldKey[code]);
}

void CX11PlayerWindow::keyReleased(XKeyEvent& event)
{
    const unsigned code = event.keycode;
    if (code >= kKeyCodes || !m_held[code])
        return;
    m_held[code] = false;
    m_listener->windowKeyUp(m_heldKey[code]);
}

void CX11PlayerWindow::releaseAllKeys()
{
    for (unsigned code = 0; code < kKeyCodes; ++code) {
        if (!m_held[code])
            continue;
        m_held[code] = false;
        m_listener->windowKeyUp(m_heldKey[code]);
    }
}

int CX11PlayerWindow::lineHeight() const
{
    return m_font != nullptr ? m_font->ascent + m_font->descent : kDefaultLineHeight;
}

// The text's lines, each broken between words where it is wider than the
// window; the window as tall as the panel and the lines.
void CX11PlayerWindow::showMessage(const std::string& text)
{
    if (m_display == nullptr)
        return;
    std::vector<std::string> lines;
    std::istringstream paragraphs(text);
    const int room = m_width - 2 * kMessageMargin;
    for (std::string paragraph; std::getline(paragraphs, paragraph);) {
        std::istringstream words(paragraph);
        std::string line;
        for (std::string word; words >> word;) {
            const std::string longer = line.empty() ? word : line + " " + word;
            const int width = m_font != nullptr ? XTextWidth(m_font, longer.c_str(), static_cast<int>(longer.size()))
                                                : static_cast<int>(longer.size()) * kDefaultCharWidth;
            if (width > room && !line.empty()) {
                lines.push_back(line);
                line = word;
            } else {
                line = longer;
            }
        }
        lines.push_back(line);
    }
    if (lines == m_lines || m_window == 0)
        return;
    m_lines = lines;
    const int strip = m_lines.empty() ? 0 : static_cast<int>(m_lines.size()) * lineHeight() + 2 * kMessageMargin;
    fixSize(m_width, m_panelHeight + strip);
    XResizeWindow(m_display, m_window, static_cast<unsigned>(m_width), static_cast<unsigned>(m_panelHeight + strip));
    drawMessage();
    XFlush(m_display);
}

void CX11PlayerWindow::drawMessage()
{
    if (m_display == nullptr || m_window == 0 || m_lines.empty())
        return;
    XClearArea(m_display, m_window, 0, m_panelHeight, 0, 0, False);
    const int ascent = m_font != nullptr ? m_font->ascent : kDefaultLineHeight - 2;
    int baseline = m_panelHeight + kMessageMargin + ascent;
    for (const std::string& line : m_lines) {
        XDrawString(m_display, m_window, m_gc, kMessageMargin, baseline, line.c_str(), static_cast<int>(line.size()));
        baseline += lineHeight();
    }
}

void CX11PlayerWindow::close()
{
    if (m_display == nullptr)
        return;
    s_listener = nullptr;
    if (m_font != nullptr)
        XFreeFont(m_display, m_font);
    m_font = nullptr;
    if (m_gc != nullptr)
        XFreeGC(m_display, m_gc);
    m_gc = nullptr;
    m_lines.clear();
    if (m_window != 0)
        XDestroyWindow(m_display, m_window);
    XCloseDisplay(m_display);
    m_display = nullptr;
    m_window = 0;
}
