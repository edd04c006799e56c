// The built plug-in (X11 backend) in a real X server, started by
// run-with-xvfb.sh: a host-like window, the editor opened in it through the
// dispatcher, its pixels read back and compared with the headless rendering
// of the same panel, and the controls worked through the X test extension
// while the host idles the editor and renders audio, as a host's loop does:
// short clicks, a key held across idles, switches and sliders dragged.
#include "PanelReference.h"
#include "VstAbi.h"

// The panel's codes in a namespace of their own: their KeyCode clashes with
// Xlib's.
namespace panel {
#include "PanelCodes.h"
}

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's names.
#include <gtest/gtest.h>

#include "X11HostSupport.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using x11test::readWindow;

struct HostState {
    AEffect* effect = nullptr;
    Display* display = nullptr;
    int idles = 0;
    int releaseAfterIdles = 0; // releases the left button after this many host idles
    double leftEnergy = 0.0;
    double rightEnergy = 0.0;
    double blockEnergy = 0.0; // of the left output's last block
    std::vector<int> edits;
};
HostState g_host;

void renderBlock(AEffect* effect)
{
    std::vector<float> left(512), right(512);
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, 512);
    g_host.blockEnergy = 0.0;
    for (std::size_t i = 0; i < left.size(); ++i) {
        g_host.blockEnergy += static_cast<double>(left[i]) * left[i];
        g_host.rightEnergy += static_cast<double>(right[i]) * right[i];
    }
    g_host.leftEnergy += g_host.blockEnergy;
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

class PanelX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display) << "no X display (run through run-with-xvfb.sh)";
        g_host = {};
        g_host.display = display;
        // The pointer away from where the panel opens, where it shows no hint.
        XTestFakeMotionEvent(display, DefaultScreen(display), 1010, 750, CurrentTime);
        XSync(display, False);
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

    Window openInParent(unsigned width = 900, unsigned height = 240)
    {
        const int screen = DefaultScreen(display);
        parent = XCreateSimpleWindow(display, RootWindow(display, screen), 20, 30, width, height, 0,
                                     BlackPixel(display, screen), 0x808080);
        XMapWindow(display, parent);
        XSync(display, False);
        if (call(effEditOpen, reinterpret_cast<void*>(parent)) != 1)
            return 0;
        const std::vector<Window> children = x11test::childWindows(display, parent);
        return children.size() == 1 ? children[0] : 0;
    }

    // One pass of a host's loop: the editor's idle, then a block of audio.
    void hostIdle()
    {
        call(effEditIdle);
        renderBlock(effect);
    }

    // The X test extension's pointer, at a point of the panel's window.
    void pointerTo(CPoint where)
    {
        x11test::pointerTo(display, child, where);
        XSync(display, False);
    }
    // A press also arms a release after 20 host idles called from the
    // editor's idle: an editor that held the thread until the release would
    // otherwise never return.
    void button(bool down)
    {
        g_host.releaseAfterIdles = down ? 20 : 0;
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        XSync(display, False);
    }

    void setParameter(int index, float value)
    {
        effect->setParameter(effect, index, value);
        renderBlock(effect);
    }

    // The A4 key pressed at its place in a panel at scale and held over a
    // few host idles, in which the host renders audio.
    void holdKeyA4(int scale)
    {
        pointerTo({(541 + 16) * scale, (160 + 20) * scale});
        button(true);
        for (int i = 0; i < 6; ++i) {
            hostIdle();
            usleep(10000);
        }
        button(false);
        hostIdle();
    }

    std::string lcdShown() { return paneltest::lcdText(readWindow(display, child, 882, 213)); }

    // Idles the editor (and renders) until done() holds, or 5 s pass.
    template <class Done>
    bool idleUntil(Done done)
    {
        for (int i = 0; i < 500; ++i) {
            hostIdle();
            XSync(display, False);
            if (done())
                return true;
            usleep(10000);
        }
        return false;
    }

    // Idles the editor until the window shows expected (or 5 s pass).
    bool idleUntilShown(Window child, const CPixelSurface& expected)
    {
        for (int i = 0; i < 500; ++i) {
            call(effEditIdle);
            XSync(display, False);
            if (readWindow(display, child, expected.width(), expected.height()) == expected)
                return true;
            usleep(10000);
        }
        return false;
    }

    Display* display = nullptr;
    void* module = nullptr;
    AEffect* effect = nullptr;
    Window parent = 0;
    Window child = 0;
};

} // namespace

TEST_F(PanelX11Test, ThePanelOpensAsDrawnHeadlessAndAClickedKeySounds)
{
    EXPECT_EQ(0x131, effect->flags) << "the plug-in reports its editor";
    ERect* rect = nullptr;
    ASSERT_EQ(1, call(effEditGetRect, &rect));
    EXPECT_EQ(882, rect->right - rect->left);
    EXPECT_EQ(213, rect->bottom - rect->top);
    child = openInParent();
    ASSERT_NE(0u, child);
    EXPECT_TRUE(idleUntilShown(child, paneltest::panelPicture())) << "the first picture";
    x11test::saveShot(readWindow(display, child, 882, 213), "x11-panel-open");

    holdKeyA4(1);
    EXPECT_GT(g_host.leftEnergy, 1.0) << "the note sounds while the key is held";
    EXPECT_EQ(0.0, g_host.rightEnergy);
    EXPECT_TRUE(g_host.edits.empty()) << "a key is no parameter";
    renderBlock(effect);
    EXPECT_TRUE(idleUntilShown(child, paneltest::panelPicture(69))) << "the picture after the note";
    x11test::saveShot(readWindow(display, child, 882, 213), "x11-panel-played");

    call(effEditClose);
    // Opened again: the same panel, built anew.
    const Window again = openInParent();
    ASSERT_NE(0u, again);
    EXPECT_TRUE(idleUntilShown(again, paneltest::panelPicture(69)));
    call(effEditClose);
}

// A desktop at 192 dots per inch says so in the resource database's
// Xft.dpi: the editor opens at twice the size, drawn as the headless panel at
// scale 2, and a key clicked at its doubled place sounds.
TEST_F(PanelX11Test, AtXftDpi192ThePanelOpensAtTwiceTheSizeAndAClickedKeySounds)
{
    const Window root = DefaultRootWindow(display);
    static const char kResources[] = "Xft.dpi:\t192\n";
    XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(kResources), static_cast<int>(sizeof kResources - 1));
    XSync(display, False);
    ERect* rect = nullptr;
    const VstIntPtr answered = call(effEditGetRect, &rect);
    child = answered == 1 ? openInParent(1800, 450) : 0;
    XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
    XSync(display, False);
    ASSERT_EQ(1, answered);
    EXPECT_EQ(1764, rect->right - rect->left);
    EXPECT_EQ(426, rect->bottom - rect->top);
    ASSERT_NE(0u, child);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, child, &attributes);
    EXPECT_EQ(1764, attributes.width);
    EXPECT_EQ(426, attributes.height);
    EXPECT_TRUE(idleUntilShown(child, paneltest::panelPicture(0, 2))) << "the first picture";
    x11test::saveShot(readWindow(display, child, 1764, 426), "x11-panel-open-2x");

    holdKeyA4(2);
    EXPECT_GT(g_host.leftEnergy, 1.0) << "the note sounds while the key is held";
    renderBlock(effect);
    EXPECT_TRUE(idleUntilShown(child, paneltest::panelPicture(69, 2))) << "the picture after the note";
    call(effEditClose);
}

// Clicks shorter than the host's idle period: each press and its release
// wait in the queue together and act as one click.
TEST_F(PanelX11Test, TenMillisecondClicksBetweenIdlesAHundredMillisecondsApartAllType)
{
    setParameter(panel::kParamMode, static_cast<float>(panel::kModeCal) / 3.0f);
    child = openInParent();
    ASSERT_NE(0u, child);
    ASSERT_TRUE(idleUntil([&] { return lcdShown() == "........0"; })) << lcdShown();
    const CPoint one{372, 185}; // the key that types 1 in Cal
    for (int click = 0; click < 5; ++click) {
        pointerTo(one);
        button(true);
        usleep(10000);
        button(false);
        usleep(90000);
        hostIdle();
    }
    EXPECT_TRUE(idleUntil([&] { return lcdShown() == "....11111"; })) << lcdShown();
}

// In Play, a key tapped between two idles sounds a short note: its press and
// release reach the instrument in that order at the same idle.
TEST_F(PanelX11Test, AKeyTappedBetweenIdlesSoundsAShortNote)
{
    child = openInParent();
    ASSERT_NE(0u, child);
    ASSERT_TRUE(idleUntilShown(child, paneltest::panelPicture()));
    renderBlock(effect);
    g_host.leftEnergy = 0.0;
    pointerTo({541 + 16, 160 + 20});
    button(true);
    usleep(10000);
    button(false);
    usleep(90000);
    for (int i = 0; i < 4; ++i)
        hostIdle();
    EXPECT_GT(g_host.leftEnergy, 1.0) << "the tapped key's note";
    // Released: the key is drawn up again, as on the untouched panel.
    const CPixelSurface shown = readWindow(display, child, 882, 213);
    const CPixelSurface untouched = paneltest::panelPicture();
    int differing = 0;
    for (int y = 160 + 4; y < 160 + 40; ++y)
        for (int x = 541 + 4; x < 541 + 28; ++x)
            differing += shown.pixel(x, y) != untouched.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(0, differing) << "pixels of the key still drawn pressed";
}

// A held key leaves the host's thread at once at every idle; its note sounds
// from the press to the release.
TEST_F(PanelX11Test, AnIdleReturnsAtOnceWhileAKeyIsHeldAndItsNoteSoundsUntilTheRelease)
{
    child = openInParent();
    ASSERT_NE(0u, child);
    ASSERT_TRUE(idleUntilShown(child, paneltest::panelPicture()));
    pointerTo({541 + 16, 160 + 20});
    button(true);
    double slowestIdle = 0.0;
    int silentBlocks = 0;
    for (int i = 0; i < 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        call(effEditIdle);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        slowestIdle = std::max(slowestIdle, took.count());
        renderBlock(effect);
        if (i > 0 && g_host.blockEnergy < 1e-3)
            ++silentBlocks;
        usleep(10000);
    }
    EXPECT_LT(slowestIdle, 25.0) << "ms for the slowest idle while the key is held";
    EXPECT_EQ(0, silentBlocks) << "blocks without the note while the key is held";
    EXPECT_EQ(0, g_host.idles) << "no host idle is called from the editor's";
    button(false);
    hostIdle();
    bool silent = false;
    for (int i = 0; i < 400 && !silent; ++i) {
        renderBlock(effect);
        silent = g_host.blockEnergy < 1e-9;
    }
    EXPECT_TRUE(silent) << "the note ends after the release";
}

namespace {
// A gesture on a parameter's control: the pointer at fractions of the
// control's width (on its middle row), pressed at the first with modifiers
// (paneltest::Modifiers) held, moved to each next one after an idle, released
// at the last; quick: pressed, moved and released before the editor idles.
struct DragRow {
    const char* what;
    int parameter;
    std::vector<float> fractions;
    bool quick;
    int modifiers;
};

void holdModifiers(Display* display, int modifiers, bool down)
{
    const KeySym keys[] = {XK_Shift_L, XK_Control_L};
    const int bits[] = {paneltest::kShift, paneltest::kControl};
    for (int i = 0; i < 2; ++i)
        if ((modifiers & bits[i]) != 0)
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, keys[i]), down ? True : False, CurrentTime);
    XSync(display, False);
}
} // namespace

TEST_F(PanelX11Test, SwitchesAndSlidersTrackedAcrossIdlesEndWhereTheHeadlessPanelEnds)
{
    const DragRow rows[] = {
        {"Volume dragged with Shift, ten times slower", panel::kParamVolume, {0.5f, 0.1f}, false, paneltest::kShift},
        {"Volume dragged right over five idles", panel::kParamVolume, {0.2f, 0.3f, 0.5f, 0.6f, 0.55f, 0.7f}, false, 0},
        {"Balance dragged out of the window's left edge", panel::kParamBalance, {0.6f, 0.4f, -3.0f}, false, 0},
        {"Volume clicked in one idle", panel::kParamVolume, {0.35f}, true, 0},
        {"Program dragged over its positions", panel::kParamProgram, {0.05f, 0.3f, 0.5f, 0.75f}, false, 0},
        {"Octave clicked in one idle", panel::kParamOctave, {0.95f}, true, 0},
        {"Octave Control-clicked to its first position", panel::kParamOctave, {0.95f}, true, paneltest::kControl},
    };
    child = openInParent();
    ASSERT_NE(0u, child);
    ASSERT_TRUE(idleUntilShown(child, paneltest::panelPicture()));
    for (const DragRow& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<CPoint> points = paneltest::pointsOnControl(row.parameter, row.fractions);
        // The same gesture on the headless panel, which tracks in a loop.
        const float expected = paneltest::valueAfterGesture(row.parameter, points, row.modifiers);

        g_host.edits.clear();
        const float before = effect->getParameter(effect, row.parameter);
        pointerTo(points.front());
        holdModifiers(display, row.modifiers, true);
        button(true);
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (!row.quick)
                hostIdle();
            pointerTo(points[i]);
        }
        if (!row.quick)
            hostIdle();
        button(false);
        holdModifiers(display, row.modifiers, false);
        hostIdle();
        hostIdle();
        EXPECT_EQ(expected, effect->getParameter(effect, row.parameter));
        EXPECT_NE(before, expected) << "the gesture moves the control";
        // A Control-click sets the default without an edit, as on every backend.
        const std::vector<int> edits = row.modifiers == paneltest::kControl
                                           ? std::vector<int>{}
                                           : std::vector<int>{row.parameter, -row.parameter - 1};
        EXPECT_EQ(edits, g_host.edits) << "one edit, begun and ended";
    }
}

// Hover hints follow the pointer's motion and crossing events.
TEST_F(PanelX11Test, AHoverHintShowsOverASliderAndGoesWhenThePointerLeavesTheWindow)
{
    child = openInParent();
    ASSERT_NE(0u, child);
    const CPixelSurface plain = paneltest::panelPicture();
    ASSERT_TRUE(idleUntilShown(child, plain));
    pointerTo(paneltest::pointsOnControl(panel::kParamVolume, {0.5f}).front());
    EXPECT_TRUE(idleUntil([&] { return !(readWindow(display, child, 882, 213) == plain); })) << "the hint shows";
    XTestFakeMotionEvent(display, DefaultScreen(display), 1010, 750, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(idleUntilShown(child, plain)) << "the hint goes";
}

// Closing the editor in the middle of a drag ends the edit.
TEST_F(PanelX11Test, ClosingTheEditorWhileASliderIsDraggedEndsTheEdit)
{
    child = openInParent();
    ASSERT_NE(0u, child);
    ASSERT_TRUE(idleUntilShown(child, paneltest::panelPicture()));
    const std::vector<CPoint> volume = paneltest::pointsOnControl(panel::kParamVolume, {0.3f, 0.6f});
    pointerTo(volume[0]);
    button(true);
    hostIdle();
    pointerTo(volume[1]);
    hostIdle();
    call(effEditClose);
    const std::vector<int> edits = {panel::kParamVolume, -panel::kParamVolume - 1};
    EXPECT_EQ(edits, g_host.edits);
    button(false);
}
