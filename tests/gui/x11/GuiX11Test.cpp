// The test plug-in's editor in a real X server (started by run-with-xvfb.sh):
// a host-like parent window, the editor opened in it through the plug-in's
// dispatcher, the window's pixels read back and compared with the headless
// rendering of the same frame, and clicks sent with the X test extension.
#include "CPanelFrame.h"
#include "GuiTestEditor.h"
#include "GuiTestFrame.h"
#include "HeadlessReference.h"
#include "VstAbi.h"
#include "platform/headless/HeadlessPlatform.h"

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's names.
#include <gtest/gtest.h>

#include "X11HostSupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using x11test::readWindow;

// What the plug-in asked of its host.
struct HostLog {
    std::vector<std::pair<int, int>> edits; // opcode, index
    int idles = 0;
    Display* display = nullptr;
    // Release the button after this many host idles (0: never).
    int releaseAfterIdles = 0;
    unsigned button = 1;
};
HostLog g_host;

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterIdle:
        ++g_host.idles;
        if (g_host.releaseAfterIdles > 0 && --g_host.releaseAfterIdles == 0) {
            XTestFakeButtonEvent(g_host.display, g_host.button, False, CurrentTime);
            XFlush(g_host.display);
        }
        return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        g_host.edits.emplace_back(opcode, index);
        return 1;
    default:
        return 0;
    }
}

// Writes the screen's top-left part as a PPM file into $ZINTRA_GUI_SHOTS, if set.
void screenshot(Display* display, const char* name)
{
    x11test::saveShot(x11test::readWindow(display, DefaultRootWindow(display), 520, 240), name);
}

// One plug-in instance loaded from the test plug-in module.
class Plugin {
public:
    Plugin()
    {
        m_module = dlopen(GUI_TEST_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        if (m_module == nullptr)
            return;
        using Main = AEffect* (*)(audioMasterCallback);
        auto main = reinterpret_cast<Main>(dlsym(m_module, "VSTPluginMain"));
        if (main != nullptr)
            effect = main(hostCallback);
    }
    ~Plugin()
    {
        if (effect != nullptr)
            call(effClose);
        if (m_module != nullptr)
            dlclose(m_module);
    }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    VstIntPtr call(VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr)
    {
        return effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
    }

    AEffect* effect = nullptr;

private:
    void* m_module = nullptr;
};

class GuiX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display) << "no X display (run through run-with-xvfb.sh)";
        g_host = {};
        g_host.display = display;
        reference = guitest::headlessPicture({});
    }
    void TearDown() override
    {
        for (Window w : parents)
            XDestroyWindow(display, w);
        if (display != nullptr)
            XCloseDisplay(display);
    }

    Window makeParent(int x, int y)
    {
        const int screen = DefaultScreen(display);
        Window w = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, 260, 180, 0,
                                       BlackPixel(display, screen), 0x808080);
        XMapWindow(display, w);
        XSync(display, False);
        parents.push_back(w);
        return w;
    }

    std::vector<Window> children(Window parent) { return x11test::childWindows(display, parent); }

    // Runs the editor's idle until its window shows expected (or 3 s pass).
    bool idleUntilShown(Plugin& plugin, Window child, const CPixelSurface& expected)
    {
        for (int i = 0; i < 300; ++i) {
            plugin.call(effEditIdle);
            XSync(display, False);
            if (readWindow(display, child, guitest::kFrameWidth, guitest::kFrameHeight) == expected)
                return true;
            usleep(10000);
        }
        return false;
    }

    void click(Window child, CPoint point, unsigned button, int releaseAfterIdles)
    {
        g_host.button = button;
        g_host.releaseAfterIdles = releaseAfterIdles;
        x11test::pointerTo(display, child, point);
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        if (releaseAfterIdles == 0)
            XTestFakeButtonEvent(display, button, False, CurrentTime);
        XSync(display, False);
    }

    Display* display = nullptr;
    std::vector<Window> parents;
    CPixelSurface reference;
};

} // namespace

TEST_F(GuiX11Test, TheEditorShowsTheHeadlessPictureAndClicksReachTheRightViews)
{
    Plugin plugin;
    ASSERT_NE(nullptr, plugin.effect);
    EXPECT_EQ(effFlagsHasEditor, plugin.effect->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(1, plugin.call(effEditGetRect, 0, &rect));
    EXPECT_EQ(guitest::kFrameWidth, rect->right - rect->left);
    EXPECT_EQ(guitest::kFrameHeight, rect->bottom - rect->top);

    const Window parent = makeParent(20, 30);
    ASSERT_EQ(1, plugin.call(effEditOpen, 0, reinterpret_cast<void*>(parent)));
    const std::vector<Window> kids = children(parent);
    ASSERT_EQ(1u, kids.size());
    const Window child = kids[0];
    EXPECT_TRUE(idleUntilShown(plugin, child, reference)) << "the first paint";
    screenshot(display, "x11-open");

    // A press held while the host idles three times, then released: the view
    // tracks it, reports its edit and is drawn pressed.
    click(child, guitest::clickPoint(1), 1, 3);
    EXPECT_TRUE(idleUntilShown(plugin, child, guitest::headlessPicture({guitest::clickPoint(1)})));
    EXPECT_GE(g_host.idles, 3);
    // A right click on the button over the handle's corner, and a click on the
    // box whose mouse is disabled, which the box below takes.
    click(child, {145, 45}, 3, 0);
    plugin.call(effEditIdle);
    click(child, guitest::clickPoint(5), 1, 0);
    const CPixelSurface afterClicks =
        guitest::headlessPicture({guitest::clickPoint(1), {145, 45}, guitest::clickPoint(5)});
    EXPECT_TRUE(idleUntilShown(plugin, child, afterClicks));
    const std::vector<std::pair<int, int>> expected = {{audioMasterBeginEdit, 1}, {audioMasterEndEdit, 1},
                                                       {audioMasterBeginEdit, 4}, {audioMasterEndEdit, 4},
                                                       {audioMasterBeginEdit, 6}, {audioMasterEndEdit, 6}};
    EXPECT_EQ(expected, g_host.edits);
    screenshot(display, "x11-clicked");

    // Covered and uncovered again: the window repaints what was exposed.
    const int screen = DefaultScreen(display);
    Window cover = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 150, 100, 0, 0, 0xFF00FF);
    XMapWindow(display, cover);
    XSync(display, False);
    XDestroyWindow(display, cover);
    XSync(display, False);
    EXPECT_TRUE(idleUntilShown(plugin, child, afterClicks)) << "after an exposure";

    plugin.call(effEditClose);
    EXPECT_TRUE(children(parent).empty());
    // Open again after close.
    ASSERT_EQ(1, plugin.call(effEditOpen, 0, reinterpret_cast<void*>(parent)));
    ASSERT_EQ(1u, children(parent).size());
    EXPECT_TRUE(idleUntilShown(plugin, children(parent)[0], reference));
    plugin.call(effEditClose);
}

TEST_F(GuiX11Test, TwoEditorsOpenAtOnceAndCloseIndependently)
{
    Plugin first, second;
    ASSERT_NE(nullptr, first.effect);
    ASSERT_NE(nullptr, second.effect);
    const Window a = makeParent(20, 30), b = makeParent(300, 30);
    ASSERT_EQ(1, first.call(effEditOpen, 0, reinterpret_cast<void*>(a)));
    ASSERT_EQ(1, second.call(effEditOpen, 0, reinterpret_cast<void*>(b)));
    ASSERT_EQ(1u, children(a).size());
    ASSERT_EQ(1u, children(b).size());
    EXPECT_TRUE(idleUntilShown(first, children(a)[0], reference));
    EXPECT_TRUE(idleUntilShown(second, children(b)[0], reference));
    screenshot(display, "x11-two");
    first.call(effEditClose);
    EXPECT_TRUE(children(a).empty());
    click(children(b)[0], guitest::clickPoint(2), 1, 0);
    EXPECT_TRUE(idleUntilShown(second, children(b)[0], guitest::headlessPicture({guitest::clickPoint(2)})));
    second.call(effEditClose);
}

TEST_F(GuiX11Test, WithoutADisplayOpenAnswersZeroAndNothingBreaks)
{
    Plugin plugin;
    ASSERT_NE(nullptr, plugin.effect);
    const Window parent = makeParent(20, 30);
    const std::string saved = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    EXPECT_EQ(0, plugin.call(effEditOpen, 0, reinterpret_cast<void*>(parent)));
    setenv("DISPLAY", saved.c_str(), 1);
    plugin.call(effEditIdle);
    plugin.call(effEditClose);
    EXPECT_TRUE(children(parent).empty());
    // A window id that does not exist: refused the same way.
    EXPECT_EQ(0, plugin.call(effEditOpen, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x7ffffff0))));
    plugin.call(effEditIdle);
}

TEST_F(GuiX11Test, AParentDestroyedBeforeCloseEndsNothing)
{
    Plugin plugin;
    ASSERT_NE(nullptr, plugin.effect);
    const Window parent = makeParent(20, 30);
    ASSERT_EQ(1, plugin.call(effEditOpen, 0, reinterpret_cast<void*>(parent)));
    ASSERT_EQ(1u, children(parent).size());
    EXPECT_TRUE(idleUntilShown(plugin, children(parent)[0], reference));
    XDestroyWindow(display, parent);
    parents.clear();
    XSync(display, False);
    for (int i = 0; i < 5; ++i)
        plugin.call(effEditIdle);
    plugin.call(effEditClose);
    // Still served afterwards.
    const Window again = makeParent(20, 30);
    ASSERT_EQ(1, plugin.call(effEditOpen, 0, reinterpret_cast<void*>(again)));
    EXPECT_TRUE(idleUntilShown(plugin, children(again)[0], reference));
    plugin.call(effEditClose);
}
