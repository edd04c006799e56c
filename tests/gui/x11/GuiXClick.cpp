// gui_xclick X Y [BUTTON [HOLD_MS]]: moves the pointer of the X display to
// root position X, Y and clicks BUTTON (1 left, 2 middle, 3 right), holding it
// HOLD_MS milliseconds, through the X test extension. The Windows GUI test
// clicks into Wine's windows with it.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: gui_xclick X Y [BUTTON [HOLD_MS]]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "gui_xclick: no X display\n");
        return 1;
    }
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
    const unsigned button = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;
    const int hold = argc > 4 ? std::atoi(argv[4]) : 100;
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
    XSync(display, False);
    // Some programs read the button state late after a move.
    usleep(100000);
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
    usleep(static_cast<useconds_t>(hold) * 1000);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
