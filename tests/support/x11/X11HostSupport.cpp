#include "X11HostSupport.h"

#include "PpmWriter.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace x11test {

CPixelSurface readWindow(Display* display, Window window, int width, int height)
{
    CPixelSurface picture;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr)
        return picture;
    picture.reset(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
    XDestroyImage(image);
    return picture;
}

void saveShot(const CPixelSurface& picture, const char* name)
{
    // The older name is still read, for users who set it.
    const char* folder = std::getenv("ZINTRA_GUI_SHOTS");
    if (folder == nullptr)
        folder = std::getenv("QUIBO_GUI_SHOTS");
    if (folder != nullptr)
        guitest::writePpm(picture, std::string(folder) + "/" + name + ".ppm");
}

std::vector<Window> childWindows(Display* display, Window parent)
{
    Window root = 0, up = 0, *list = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    XSync(display, False);
    if (XQueryTree(display, parent, &root, &up, &list, &count) && list != nullptr)
        result.assign(list, list + count);
    if (list != nullptr)
        XFree(list);
    return result;
}

void pointerTo(Display* display, Window window, CPoint where)
{
    int x = 0, y = 0;
    Window ignored = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), where.x, where.y, &x, &y, &ignored);
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
}

} // namespace x11test
