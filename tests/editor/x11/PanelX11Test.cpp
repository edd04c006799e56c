// The built plug-in (X11 backend) in a real X server, started by
// run-with-xvfb.sh: a host-like window, the editor opened in it through the
// dispatcher, its pixels read back and compared with the headless rendering
// of the same panel, and a key clicked through the X test extension while
// the host renders audio: the note comes out of the left output.
#include "PanelReference.h"
#include "VstAbi.h"

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct HostState {
    AEffect* effect = nullptr;
    Display* display = nullptr;
    int idles = 0;
    int releaseAfterIdles = 0; // releases the left button after this many host idles
    double leftEnergy = 0.0;
    double rightEnergy = 0.0;
    std::vector<int> edits;
};
HostState g_host;

void renderBlock(AEffect* effect)
{
    std::vector<float> left(512), right(512);
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, 512);
    for (std::size_t i = 0; i < left.size(); ++i) {
        g_host.leftEnergy += static_cast<double>(left[i]) * left[i];
        g_host.rightEnergy += static_cast<double>(right[i]) * right[i];
    }
}

VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterIdle:
        // The host's audio goes on while the editor holds its thread.
        ++g_host.idles;
        if (effect != nullptr)
            renderBlock(effect);
        if (g_host.releaseAfterIdles > 0 && --g_host.releaseAfterIdles == 0) {
            XTestFakeButtonEvent(g_host.display, 1, False, CurrentTime);
            XFlush(g_host.display);
        }
        return 1;
    case audioMasterBeginEdit:
        g_host.edits.push_back(index);
        return 1;
    case audioMasterEndEdit:
        g_host.edits.push_back(-index - 1);
        return 1;
    default:
        return 0;
    }
}

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

// Writes the window as a PPM file into $QUIBO_GUI_SHOTS, if set.
void screenshot(const CPixelSurface& picture, const char* name)
{
    const char* folder = std::getenv("QUIBO_GUI_SHOTS");
    if (folder == nullptr)
        return;
    FILE* file = std::fopen((std::string(folder) + "/" + name + ".ppm").c_str(), "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint32_t p = picture.pixel(x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                          static_cast<unsigned char>(p)};
            std::fwrite(rgb, 1, 3, file);
        }
    std::fclose(file);
}

class PanelX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display) << "no X display (run through run-with-xvfb.sh)";
        g_host = {};
        g_host.display = display;
        module = dlopen(ZINTRA_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, module) << dlerror();
        using Main = AEffect* (*)(audioMasterCallback);
        auto main = reinterpret_cast<Main>(dlsym(module, "VSTPluginMain"));
        ASSERT_NE(nullptr, main);
        effect = main(hostCallback);
        ASSERT_NE(nullptr, effect);
        call(effOpen);
        // The first block applies the start-up values, as in the headless panel.
        float unused[1];
        float* outputs[2] = {unused, unused};
        effect->processReplacing(effect, nullptr, outputs, 0);
    }
    void TearDown() override
    {
        if (effect != nullptr)
            call(effClose);
        if (module != nullptr)
            dlclose(module);
        if (parent != 0)
            XDestroyWindow(display, parent);
        if (display != nullptr)
            XCloseDisplay(display);
    }

    VstIntPtr call(VstInt32 opcode, void* ptr = nullptr) { return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f); }

    Window openInParent()
    {
        const int screen = DefaultScreen(display);
        parent = XCreateSimpleWindow(display, RootWindow(display, screen), 20, 30, 900, 240, 0,
                                     BlackPixel(display, screen), 0x808080);
        XMapWindow(display, parent);
        XSync(display, False);
        if (call(effEditOpen, reinterpret_cast<void*>(parent)) != 1)
            return 0;
        Window root = 0, up = 0, *list = nullptr;
        unsigned count = 0;
        XSync(display, False);
        Window child = 0;
        if (XQueryTree(display, parent, &root, &up, &list, &count) && count == 1)
            child = list[0];
        if (list != nullptr)
            XFree(list);
        return child;
    }

    // Idles the editor until the window shows expected (or 5 s pass).
    bool idleUntilShown(Window child, const CPixelSurface& expected)
    {
        for (int i = 0; i < 500; ++i) {
            call(effEditIdle);
            XSync(display, False);
            if (readWindow(display, child, 882, 213) == expected)
                return true;
            usleep(10000);
        }
        return false;
    }

    Display* display = nullptr;
    void* module = nullptr;
    AEffect* effect = nullptr;
    Window parent = 0;
};

} // namespace

TEST_F(PanelX11Test, ThePanelOpensAsDrawnHeadlessAndAClickedKeySounds)
{
    EXPECT_EQ(0x131, effect->flags) << "the plug-in reports its editor";
    ERect* rect = nullptr;
    ASSERT_EQ(1, call(effEditGetRect, &rect));
    EXPECT_EQ(882, rect->right - rect->left);
    EXPECT_EQ(213, rect->bottom - rect->top);
    const Window child = openInParent();
    ASSERT_NE(0u, child);
    EXPECT_TRUE(idleUntilShown(child, paneltest::panelPicture())) << "the first picture";
    screenshot(readWindow(display, child, 882, 213), "x11-panel-open");

    // The A4 key pressed through the X test extension and held over a few
    // host idles, in which the host renders audio.
    int x = 0, y = 0;
    Window ignored = 0;
    XTranslateCoordinates(display, child, DefaultRootWindow(display), 541 + 16, 160 + 20, &x, &y, &ignored);
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    g_host.releaseAfterIdles = 6;
    for (int i = 0; i < 300 && g_host.releaseAfterIdles > 0; ++i) {
        call(effEditIdle);
        usleep(10000);
    }
    EXPECT_EQ(0, g_host.releaseAfterIdles) << "the editor tracked the press and let the host idle";
    EXPECT_GT(g_host.leftEnergy, 1.0) << "the note sounds while the key is held";
    EXPECT_EQ(0.0, g_host.rightEnergy);
    EXPECT_TRUE(g_host.edits.empty()) << "a key is no parameter";
    renderBlock(effect);
    EXPECT_TRUE(idleUntilShown(child, paneltest::panelPicture(69))) << "the picture after the note";
    screenshot(readWindow(display, child, 882, 213), "x11-panel-played");

    call(effEditClose);
    // Opened again: the same panel, built anew.
    const Window again = openInParent();
    ASSERT_NE(0u, again);
    EXPECT_TRUE(idleUntilShown(again, paneltest::panelPicture(69)));
    call(effEditClose);
}
