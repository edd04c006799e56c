// The LV2 panel in a real X server (Xvfb, started by run-with-xvfb.sh),
// driven through lv2ui_descriptor as a host drives it: instantiated in a
// host window with the features the host offers, idled through
// ui:idleInterface, worked with the X test extension, cleaned up. The
// plug-in side is a test instance carrying the module's instrument.
#include "Lv2UiTestInstance.h"

// The panel's codes in a namespace of their own: their KeyCode clashes with
// Xlib's.
namespace panel {
#include "PanelCodes.h"
}

// Before Xlib, whose macros (None, Bool) clash with GoogleTest's names.
#include <gtest/gtest.h>

#include "X11HostSupport.h"

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

extern "C" const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index);

namespace {

constexpr std::uint32_t kVolumePort = lv2contract::kFirstParameterPort + panel::kParamVolume;
constexpr std::uint32_t kProgramPort = lv2contract::kFirstParameterPort + panel::kParamProgram;

// What the host heard from the UI, in order.
struct HostLog {
    std::vector<std::string> events;
    std::vector<std::pair<std::uint32_t, float>> writes;
    int resizes = 0;
    int width = 0;
    int height = 0;
};

void writePort(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
               const void* buffer)
{
    auto* log = static_cast<HostLog*>(controller);
    if (size != sizeof(float) || format != 0) {
        log->events.push_back("bad write " + std::to_string(port));
        return;
    }
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    log->events.push_back("write " + std::to_string(port));
    log->writes.emplace_back(port, value);
}

void touchPort(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed)
{
    static_cast<HostLog*>(handle)->events.push_back((grabbed ? "grab " : "release ") + std::to_string(port));
}

int resizeUi(LV2UI_Feature_Handle handle, int width, int height)
{
    auto* log = static_cast<HostLog*>(handle);
    ++log->resizes;
    log->width = width;
    log->height = height;
    return 0;
}

enum Offer { kParent = 1, kInstance = 2, kResize = 4, kTouch = 8, kEverything = 15 };

// The features a host offers, as it hands them to instantiate.
struct HostFeatures {
    HostFeatures(HostLog& log, Window parent, CLv2Instance* instance, int offer)
        : resize{&log, resizeUi},
          touch{&log, touchPort},
          features{{LV2_UI__parent, reinterpret_cast<void*>(parent)},
                   {LV2_INSTANCE_ACCESS_URI, instance},
                   {LV2_UI__resize, &resize},
                   {LV2_UI__touch, &touch},
                   {"urn:another:feature", nullptr}}
    {
        for (int i = 0; i < 4; ++i)
            if (offer & (1 << i))
                list.push_back(&features[i]);
        list.push_back(&features[4]);
        list.push_back(nullptr);
    }
    LV2UI_Resize resize;
    LV2UI_Touch touch;
    LV2_Feature features[5];
    std::vector<const LV2_Feature*> list;
};

class Lv2UiX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(nullptr, display) << "no X display (run through run-with-xvfb.sh)";
        // The pointer away from where the panel opens, where it shows no hint.
        XTestFakeMotionEvent(display, DefaultScreen(display), 1010, 750, CurrentTime);
        XSync(display, False);
        descriptor = lv2ui_descriptor(0);
        ASSERT_NE(nullptr, descriptor);
        ASSERT_STREQ(lv2contract::kUiUri, descriptor->URI);
        ASSERT_EQ(nullptr, lv2ui_descriptor(1));
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(nullptr, idleInterface);
    }
    void TearDown() override
    {
        for (Window window : parents)
            XDestroyWindow(display, window);
        if (display != nullptr)
            XCloseDisplay(display);
    }

    Window makeParent()
    {
        const int screen = DefaultScreen(display);
        const Window parent = XCreateSimpleWindow(display, RootWindow(display, screen), 20, 30, 900, 240, 0,
                                                  BlackPixel(display, screen), 0x808080);
        XMapWindow(display, parent);
        XSync(display, False);
        parents.push_back(parent);
        return parent;
    }

    LV2UI_Handle instantiate(CLv2Instance& instance, Window parent, int offer, HostLog& log,
                             const char* pluginUri = lv2contract::kPluginUri)
    {
        HostFeatures features(log, parent, &instance, offer);
        widget = nullptr;
        return descriptor->instantiate(descriptor, pluginUri, "/nowhere/Zintra.lv2/", writePort, &log, &widget,
                                       features.list.data());
    }

    std::vector<Window> children(Window parent) { return x11test::childWindows(display, parent); }

    // The host's loop: the UI's idle, then a block of audio.
    int idle(LV2UI_Handle ui, CLv2TestInstance& instance)
    {
        const int answer = idleInterface->idle(ui);
        XSync(display, False);
        energy += instance.renderBlock();
        usleep(5000);
        return answer;
    }

    void pointerTo(Window window, CPoint where)
    {
        x11test::pointerTo(display, window, where);
        XSync(display, False);
    }
    void button(bool down)
    {
        XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
        XSync(display, False);
    }

    Display* display = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    std::vector<Window> parents;
    LV2UI_Widget widget = nullptr;
    double energy = 0.0;
};

Window windowOf(LV2UI_Widget widget)
{
    return static_cast<Window>(reinterpret_cast<std::uintptr_t>(widget));
}

} // namespace

// A UI that cannot embed or reach the instrument answers null and leaves
// the instrument as it was: no window in the parent, no front attached.
TEST_F(Lv2UiX11Test, WithoutAParentTheInstanceOrAFreePanelInstantiateAnswersNull)
{
    struct Row {
        const char* what;
        int offer;
        const char* pluginUri;
        bool panelOpenElsewhere;
    };
    const Row rows[] = {
        {"no ui:parent", kEverything & ~kParent, lv2contract::kPluginUri, false},
        {"no instance-access", kEverything & ~kInstance, lv2contract::kPluginUri, false},
        {"neither", kResize | kTouch, lv2contract::kPluginUri, false},
        {"another plug-in's URI", kEverything, "urn:another:plugin", false},
        {"the panel already open in another UI", kEverything, lv2contract::kPluginUri, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CLv2TestInstance instance;
        HostLog firstLog, log;
        const Window firstParent = makeParent();
        LV2UI_Handle first =
            row.panelOpenElsewhere ? instantiate(instance, firstParent, kEverything, firstLog) : nullptr;
        const Window parent = makeParent();
        EXPECT_EQ(nullptr, instantiate(instance, parent, row.offer, log, row.pluginUri));
        EXPECT_TRUE(children(parent).empty());
        EXPECT_EQ(0, log.resizes);
        // A program change by MIDI: only an attached UI would hear of it.
        instance.instrument().midiIn(0, 0xC0, 2, 0);
        instance.renderBlock();
        instance.instrument().deliverNotices();
        EXPECT_TRUE(log.events.empty());
        if (first != nullptr) {
            EXPECT_EQ(1u, children(firstParent).size()) << "the first UI keeps its panel";
            EXPECT_EQ(0, idle(first, instance));
            EXPECT_FALSE(firstLog.writes.empty()) << "and stays the instrument's front";
            descriptor->cleanup(first);
        }
    }
}

// The widget is the panel's own window, the parent's only child, of the
// panel's size; a host that offers ui:resize is told that size.
TEST_F(Lv2UiX11Test, ThePanelOpensAsTheParentsChildWithItsSize)
{
    const struct {
        const char* what;
        int offer;
        int resizes;
    } rows[] = {
        {"every feature", kEverything, 1},
        {"only the required ones", kParent | kInstance, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CLv2TestInstance instance;
        HostLog log;
        const Window parent = makeParent();
        LV2UI_Handle ui = instantiate(instance, parent, row.offer, log);
        ASSERT_NE(nullptr, ui);
        const std::vector<Window> inside = children(parent);
        ASSERT_EQ(1u, inside.size());
        EXPECT_EQ(inside[0], windowOf(widget));
        XWindowAttributes attributes{};
        ASSERT_NE(0, XGetWindowAttributes(display, windowOf(widget), &attributes));
        EXPECT_EQ(882, attributes.width);
        EXPECT_EQ(213, attributes.height);
        EXPECT_EQ(row.resizes, log.resizes);
        if (row.resizes > 0) {
            EXPECT_EQ(882, log.width);
            EXPECT_EQ(213, log.height);
        }
        EXPECT_EQ(0, idle(ui, instance));
        descriptor->cleanup(ui);
        EXPECT_TRUE(children(parent).empty()) << "cleanup takes the panel's window away";
    }
}

TEST_F(Lv2UiX11Test, AKeyClickedThroughXTestSoundsAndWritesNoPort)
{
    CLv2TestInstance instance;
    HostLog log;
    LV2UI_Handle ui = instantiate(instance, makeParent(), kEverything, log);
    ASSERT_NE(nullptr, ui);
    for (int i = 0; i < 5; ++i)
        idle(ui, instance);
    energy = 0.0;
    // The A4 key, held over a few of the host's idles.
    pointerTo(windowOf(widget), {541 + 16, 160 + 20});
    button(true);
    for (int i = 0; i < 6; ++i)
        idle(ui, instance);
    button(false);
    idle(ui, instance);
    EXPECT_GT(energy, 1.0) << "the note sounds while the key is held";
    EXPECT_TRUE(log.events.empty()) << "a key is no parameter";
    descriptor->cleanup(ui);
}

// Volume dragged across idles: the host hears the values on the Volume
// port, between a grab and a release where it offers ui:touch.
TEST_F(Lv2UiX11Test, AVolumeDragWritesTheVolumePortInsideATouch)
{
    const struct {
        const char* what;
        int offer;
        bool touches;
    } rows[] = {
        {"with ui:touch", kEverything, true},
        {"without ui:touch", kParent | kInstance, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CLv2TestInstance instance;
        HostLog log;
        LV2UI_Handle ui = instantiate(instance, makeParent(), row.offer, log);
        ASSERT_NE(nullptr, ui);
        idle(ui, instance);
        const CRect volume = instance.controlBounds(panel::kParamVolume);
        ASSERT_GT(volume.width(), 0);
        const int middle = (volume.top + volume.bottom) / 2;
        const float before = instance.instrument().getParameter(panel::kParamVolume);
        pointerTo(windowOf(widget), {volume.left + volume.width() * 3 / 10, middle});
        button(true);
        idle(ui, instance);
        for (int tenth = 4; tenth <= 8; ++tenth) {
            pointerTo(windowOf(widget), {volume.left + volume.width() * tenth / 10, middle});
            idle(ui, instance);
        }
        button(false);
        idle(ui, instance);
        idle(ui, instance);

        const float after = instance.instrument().getParameter(panel::kParamVolume);
        EXPECT_NE(before, after) << "the drag moves Volume";
        ASSERT_FALSE(log.writes.empty());
        for (const auto& write : log.writes)
            EXPECT_EQ(kVolumePort, write.first);
        EXPECT_EQ(after, log.writes.back().second) << "the host ends with the instrument's value";
        const std::string port = std::to_string(kVolumePort);
        if (row.touches) {
            ASSERT_GE(log.events.size(), 3u);
            EXPECT_EQ("grab " + port, log.events.front());
            EXPECT_EQ("release " + port, log.events.back());
            for (std::size_t i = 1; i + 1 < log.events.size(); ++i)
                EXPECT_EQ("write " + port, log.events[i]);
        } else {
            EXPECT_EQ(log.writes.size(), log.events.size()) << "only writes";
        }
        descriptor->cleanup(ui);
    }
}

// A program change by MIDI, rendered: the UI's next idle writes the Program
// port and the program's sounds, once, and not while the transport runs.
TEST_F(Lv2UiX11Test, ValuesTheInstrumentChangedItselfReachThePortsAtTheNextIdle)
{
    CLv2TestInstance instance;
    HostLog log;
    LV2UI_Handle ui = instantiate(instance, makeParent(), kEverything, log);
    ASSERT_NE(nullptr, ui);
    idle(ui, instance);
    log = {};

    instance.setTransportRuns(true);
    instance.instrument().midiIn(0, 0xC0, 2, 0);
    instance.renderBlock();
    idle(ui, instance);
    EXPECT_TRUE(log.writes.empty()) << "nothing while the transport runs";

    instance.setTransportRuns(false);
    idle(ui, instance);
    bool programWritten = false;
    for (const auto& write : log.writes) {
        EXPECT_GE(write.first, lv2contract::kFirstParameterPort);
        EXPECT_LT(write.first, lv2contract::kPortCount);
        const int index = static_cast<int>(write.first - lv2contract::kFirstParameterPort);
        EXPECT_EQ(instance.instrument().getParameter(index), write.second) << "port " << write.first;
        programWritten = programWritten || write.first == kProgramPort;
    }
    EXPECT_TRUE(programWritten);
    EXPECT_EQ(2, instance.instrument().getProgram());
    for (const std::string& event : log.events)
        EXPECT_EQ(0u, event.rfind("write", 0)) << "no touch around the instrument's own changes: " << event;

    const std::size_t told = log.writes.size();
    idle(ui, instance);
    EXPECT_EQ(told, log.writes.size()) << "each change is told once";
    descriptor->cleanup(ui);
}

TEST_F(Lv2UiX11Test, OpenedAndClosedTwentyTimesThenDetached)
{
    CLv2TestInstance instance;
    HostLog log;
    const Window parent = makeParent();
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        LV2UI_Handle ui = instantiate(instance, parent, kEverything, log);
        ASSERT_NE(nullptr, ui);
        ASSERT_EQ(std::vector<Window>{windowOf(widget)}, children(parent));
        EXPECT_EQ(0, idle(ui, instance));
        descriptor->cleanup(ui);
        EXPECT_TRUE(children(parent).empty());
    }
    log = {};
    instance.instrument().midiIn(0, 0xC0, 3, 0);
    instance.renderBlock();
    instance.instrument().deliverNotices();
    EXPECT_TRUE(log.events.empty()) << "a closed UI hears nothing";
}

TEST_F(Lv2UiX11Test, TwoInstancesEachWithItsPanelAtOnce)
{
    CLv2TestInstance first, second;
    HostLog firstLog, secondLog;
    const Window firstParent = makeParent(), secondParent = makeParent();
    LV2UI_Handle a = instantiate(first, firstParent, kEverything, firstLog);
    const Window firstWidget = windowOf(widget);
    LV2UI_Handle b = instantiate(second, secondParent, kEverything, secondLog);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(firstWidget, windowOf(widget));
    EXPECT_EQ(1u, children(firstParent).size());
    EXPECT_EQ(1u, children(secondParent).size());
    // Each UI is its own instrument's front.
    second.instrument().midiIn(0, 0xC0, 4, 0);
    second.renderBlock();
    EXPECT_EQ(0, idle(a, first));
    EXPECT_EQ(0, idleInterface->idle(b));
    EXPECT_TRUE(firstLog.writes.empty());
    EXPECT_FALSE(secondLog.writes.empty());
    descriptor->cleanup(a);
    EXPECT_EQ(0, idleInterface->idle(b)) << "the other panel goes on";
    EXPECT_EQ(1u, children(secondParent).size());
    descriptor->cleanup(b);
}

// The host destroys its window with the panel in it: the idle says the UI
// is gone, and cleanup is still safe.
TEST_F(Lv2UiX11Test, AParentDestroyedUnderThePanelEndsItsIdle)
{
    CLv2TestInstance instance;
    HostLog log;
    const Window parent = makeParent();
    LV2UI_Handle ui = instantiate(instance, parent, kEverything, log);
    ASSERT_NE(nullptr, ui);
    EXPECT_EQ(0, idle(ui, instance));
    XDestroyWindow(display, parent);
    parents.pop_back();
    XSync(display, False);
    int answer = 0;
    for (int i = 0; i < 100 && answer == 0; ++i)
        answer = idle(ui, instance);
    EXPECT_EQ(1, answer);
    descriptor->cleanup(ui);
}

namespace {
LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    auto& ids = *static_cast<std::map<std::string, LV2_URID>*>(handle);
    return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}
} // namespace

// The host's ui:scaleFactor: 2 opens the panel at twice its size, told to
// the host through ui:resize; a new factor through the options interface
// resizes the same window.
TEST_F(Lv2UiX11Test, TheHostsScaleFactorSizesThePanelAndAChangeResizesItInPlace)
{
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map{&ids, mapUri};
    float factor = 2.0f;
    const LV2_Options_Option options[] = {{LV2_OPTIONS_INSTANCE, 0, mapUri(&ids, LV2_UI__scaleFactor), sizeof(float),
                                           mapUri(&ids, LV2_ATOM__Float), &factor},
                                          {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    CLv2TestInstance instance;
    HostLog log;
    const Window parent = makeParent();
    LV2UI_Resize resize{&log, resizeUi};
    const LV2_Feature features[] = {{LV2_UI__parent, reinterpret_cast<void*>(parent)},
                                    {LV2_INSTANCE_ACCESS_URI, &instance},
                                    {LV2_UI__resize, &resize},
                                    {LV2_URID__map, &map},
                                    {LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)}};
    const LV2_Feature* list[] = {&features[0], &features[1], &features[2], &features[3], &features[4], nullptr};
    widget = nullptr;
    LV2UI_Handle ui = descriptor->instantiate(descriptor, lv2contract::kPluginUri, "/nowhere/Zintra.lv2/", writePort,
                                              &log, &widget, list);
    ASSERT_NE(nullptr, ui);
    const Window panel = windowOf(widget);
    XWindowAttributes attributes{};
    ASSERT_NE(0, XGetWindowAttributes(display, panel, &attributes));
    EXPECT_EQ(1764, attributes.width);
    EXPECT_EQ(426, attributes.height);
    EXPECT_EQ(1764, log.width);
    EXPECT_EQ(426, log.height);

    const auto* interface =
        static_cast<const LV2_Options_Interface*>(descriptor->extension_data(LV2_OPTIONS__interface));
    ASSERT_NE(nullptr, interface);
    factor = 1.0f;
    EXPECT_EQ(LV2_OPTIONS_SUCCESS, interface->set(ui, options));
    EXPECT_EQ(0, idle(ui, instance));
    ASSERT_NE(0, XGetWindowAttributes(display, panel, &attributes)) << "the same window, resized";
    EXPECT_EQ(882, attributes.width);
    EXPECT_EQ(213, attributes.height);
    EXPECT_EQ(882, log.width);
    EXPECT_EQ(213, log.height);
    EXPECT_EQ(panel, windowOf(widget));
    descriptor->cleanup(ui);
}
