// The four panel controls on a frame of their own (headless): what they
// report while the mouse tracks, their modifiers, and the frames they draw.
#include "CControlObserver.h"
#include "CEditorHost.h"
#include "CEditorListener.h"
#include "CFrameStrip.h"
#include "CGuiEditor.h"
#include "CHandleSlider.h"
#include "CKeyButton.h"
#include "CPaintContext.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"
#include "CStepSwitch.h"
#include "PanelTestSupport.h"
#include "VstAbi.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using paneltest::kControl;
using paneltest::kShift;
using paneltest::PointerStep;

// An editor with an empty panel-sized frame, and a host that records edits.
class CBareEditor : public CGuiEditor, public CControlObserver {
public:
    explicit CBareEditor(CEditorHost* host)
        : CGuiEditor(host)
    {
        setRect({0, 0, 882, 213});
    }
    bool open(void* parent) override
    {
        CGuiEditor::open(parent);
        return adoptFrame(new CPanelFrame({0, 0, 882, 213}, parent, this));
    }
    void controlChanged(CPanelControl* control) override { reports.push_back(control->value()); }

    std::vector<float> reports;
};

class CEditRecorder : public CEditorHost, public CEditorListener {
public:
    void adoptEditor(CEditorView* editor, bool) override { editor->setListener(this); }
    void idleHost() override { }
    void beginGesture(std::int32_t index) override { edits.push_back(index); }
    void performGesture(std::int32_t, float) override { }
    void endGesture(std::int32_t index) override { edits.push_back(-index - 1); }
    bool resizeRequest(std::int32_t, std::int32_t) override { return false; }
    std::vector<int> edits;
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::reset();
        editor.open(paneltest::parentWindow());
        window().sendPaint({0, 0, 882, 213});
    }
    void TearDown() override { editor.close(); }

    CHeadlessWindow& window() { return *headless::lastWindow(); }
    CPanelFrame& frame() { return *editor.frame(); }

    template <class Control>
    Control* attach(Control* control)
    {
        frame().attachView(control);
        return control;
    }

    // The Program switch and the Volume slider as the panel has them.
    CStepSwitch* programSwitch()
    {
        CPanelBitmap* bitmap = new CPanelBitmap(151);
        auto* control = attach(new CStepSwitch({712, 26, 788, 47}, &editor, 0, 6, 21, 6, bitmap, {0, 0}));
        bitmap->release();
        return control;
    }
    CHandleSlider* volumeSlider()
    {
        CPanelBitmap* background = new CPanelBitmap(154);
        CPanelBitmap* handle = new CPanelBitmap(155);
        auto* control = attach(new CHandleSlider({412, 26, 508, 47}, &editor, 2, 412, 474, handle, background, {0, 0},
                                                 kSliderHorizontal | kSliderLeft));
        background->release();
        handle->release();
        control->setHandleOffset({1, 0});
        return control;
    }
    CKeyButton* key60()
    {
        CPanelBitmap* bitmap = new CPanelBitmap(161);
        auto* control = attach(new CKeyButton({356, 160, 388, 200}, &editor, 60, 40, bitmap, {0, 0}));
        bitmap->release();
        return control;
    }

    // A press: the steps' times are milliseconds after it.
    void gesture(const std::vector<PointerStep>& steps)
    {
        const std::uint32_t now = guiplatform::tickCount();
        for (const PointerStep& step : steps) {
            CRawButtons raw;
            raw.left = step.held;
            raw.shift = (step.modifiers & kShift) != 0;
            raw.control = (step.modifiers & kControl) != 0;
            headless::scriptInput(now + step.at, step.where, raw);
        }
        window().sendButtonDown(steps.front().where);
    }
    void click(CPoint where, int modifiers = 0) { gesture({{0, where, true, modifiers}, {40, where, false, 0}}); }

    CEditRecorder host;
    CBareEditor editor{&host};
};

} // namespace

TEST_F(ControlTest, AKeyReportsItsPressAndReleaseAndFollowsThePointerInAndOut)
{
    key60();
    click({370, 180});
    EXPECT_EQ((std::vector<float>{1.0f, 0.0f}), editor.reports);
    EXPECT_EQ((std::vector<int>{60, -61}), host.edits) << "the edit's start and end";

    editor.reports.clear();
    const CPoint in{370, 180}, out{370, 230};
    gesture({{0, in, true, 0}, {30, out, true, 0}, {60, in, true, 0}, {90, in, false, 0}});
    EXPECT_EQ((std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}), editor.reports);

    // Released outside: 0 on leaving and the final 0.
    editor.reports.clear();
    gesture({{0, in, true, 0}, {30, out, true, 0}, {60, out, false, 0}});
    EXPECT_EQ((std::vector<float>{1.0f, 0.0f, 0.0f}), editor.reports);
}

TEST_F(ControlTest, AKeyClickedWithAModifierReportsPressAndReleaseAtOnce)
{
    key60();
    host.edits.clear();
    for (int modifier : {kShift, kControl}) {
        editor.reports.clear();
        click({370, 180}, modifier);
        EXPECT_EQ((std::vector<float>{1.0f, 0.0f}), editor.reports);
    }
    EXPECT_TRUE(host.edits.empty()) << "no tracking, no edit";
}

TEST_F(ControlTest, AKeyIsDrawnPressedWhileHeldAndAtRestAfter)
{
    CKeyButton* key = key60();
    editor.idle();
    EXPECT_TRUE(paneltest::showsFrame(window().screen(), key->bounds(), 161, 0));
    key->setValue(1.0f);
    EXPECT_TRUE(key->needsPaint());
    editor.idle();
    EXPECT_TRUE(paneltest::showsFrame(window().screen(), key->bounds(), 161, 1));
    EXPECT_FALSE(key->needsPaint());
}

TEST_F(ControlTest, TheProgramSwitchPicksThePositionUnderThePointer)
{
    CStepSwitch* program = programSwitch();
    click({712 + 13, 30});
    EXPECT_FLOAT_EQ(0.2f, program->value());
    click({712 + 75, 30});
    EXPECT_FLOAT_EQ(1.0f, program->value());
    click({712 + 76, 30});
    EXPECT_FLOAT_EQ(1.0f, program->value()) << "the right edge clamps";
    click({712, 30});
    EXPECT_FLOAT_EQ(0.0f, program->value());
    editor.idle();
    EXPECT_TRUE(paneltest::showsFrame(window().screen(), program->bounds(), 151, 0));

    // Dragged over the positions: each new one is reported once.
    editor.reports.clear();
    gesture({{0, {715, 30}, true, 0}, {20, {740, 30}, true, 0}, {40, {741, 30}, true, 0}, {60, {760, 30}, false, 0}});
    EXPECT_EQ((std::vector<float>{0.4f}), editor.reports);
    editor.idle();
    EXPECT_TRUE(paneltest::showsFrame(window().screen(), program->bounds(), 151, 2));
}

TEST_F(ControlTest, ASwitchStopsTrackingWhenAModifierChanges)
{
    CStepSwitch* program = programSwitch();
    gesture({{0, {715, 30}, true, 0},
             {20, {715, 30}, true, kShift},
             {40, {787, 30}, true, kShift},
             {200, {787, 30}, false, 0}});
    EXPECT_FLOAT_EQ(0.0f, program->value()) << "the move after Shift went down is not followed";
}

TEST_F(ControlTest, ControlClickSetsTheSwitchToZeroAndTheSliderToHalf)
{
    CStepSwitch* program = programSwitch();
    CHandleSlider* volume = volumeSlider();
    program->setValue(0.6f);
    volume->setValue(0.9f);
    click({750, 30}, kControl);
    click({420, 30}, kControl);
    EXPECT_FLOAT_EQ(0.0f, program->value());
    EXPECT_FLOAT_EQ(0.5f, volume->value());
    EXPECT_EQ((std::vector<float>{0.0f, 0.5f}), editor.reports);
    EXPECT_TRUE(host.edits.empty());
}

TEST_F(ControlTest, TheSliderHandleSitsAtItsValueAndIsDrawnOverTheSlot)
{
    CHandleSlider* volume = volumeSlider();
    const struct {
        float value;
        int left;
    } cases[] = {{0.5f, 32}, {1.0f, 63}, {0.0f, 1}, {-0.5f, 1}};
    for (const auto& c : cases) {
        volume->setValue(c.value);
        EXPECT_EQ(c.left, volume->handleRect().left) << c.value;
        EXPECT_EQ(c.left + 33, volume->handleRect().right);
    }
    volume->setValue(0.5f);
    editor.idle();
    // The handle (no white in it) covers its place; the slot shows elsewhere.
    const CRect handle = volume->handleRect().offset(412, 26);
    EXPECT_TRUE(paneltest::showsFrame(window().screen(), handle, 155, 0));
    CPanelBitmap* slot = new CPanelBitmap(154);
    EXPECT_EQ(slot->pixels().pixel(5, 10), window().screen().pixel(412 + 5, 26 + 10));
    EXPECT_EQ(slot->pixels().pixel(90, 3), window().screen().pixel(412 + 90, 26 + 3));
    slot->release();
}

TEST_F(ControlTest, TheSliderFollowsThePointerAndMovesTenTimesSlowerWithShift)
{
    CHandleSlider* volume = volumeSlider();
    // The handle's centre follows the pointer: 0 at 16 pixels in, 1 at 78.
    click({412 + 16 + 31, 30});
    EXPECT_FLOAT_EQ(0.5f, volume->value());
    EXPECT_EQ(volume, frame().focusView()) << "keys go to the slider clicked last";
    click({412 + 2, 30});
    EXPECT_FLOAT_EQ(0.0f, volume->value());
    click({412 + 95, 30});
    EXPECT_FLOAT_EQ(1.0f, volume->value());

    // From 0.5, Shift is pressed and the pointer moves 31 pixels right: the
    // value moves a tenth of the way.
    volume->setValue(0.5f);
    const int half = 412 + 16 + 31;
    gesture({{0, {half, 30}, true, 0},
             {30, {half, 30}, true, kShift},
             {60, {half + 31, 30}, true, kShift},
             {90, {half + 31, 30}, false, 0}});
    EXPECT_NEAR(0.55f, volume->value(), 1e-6f);
}

TEST_F(ControlTest, ArrowKeysAndTheWheelStepTheSlider)
{
    CHandleSlider* volume = volumeSlider();
    volume->setValue(0.5f);
    CKeyCode right{0, VKEY_RIGHT, 0}, down{0, VKEY_DOWN, MODIFIER_SHIFT}, letter{'a', 0, 0};
    EXPECT_EQ(1, volume->keyDown(right));
    EXPECT_NEAR(0.6f, volume->value(), 1e-6f);
    EXPECT_EQ(1, volume->keyDown(down));
    EXPECT_NEAR(0.59f, volume->value(), 1e-6f);
    EXPECT_EQ(-1, volume->keyDown(letter));
    for (int i = 0; i < 6; ++i)
        volume->keyDown(right);
    EXPECT_FLOAT_EQ(1.0f, volume->value()) << "clamped";
    EXPECT_TRUE(volume->wheel(nullptr, {}, -2.0f));
    EXPECT_NEAR(0.8f, volume->value(), 1e-6f);
    EXPECT_EQ(8u, editor.reports.size()) << "each change once; none at the clamp";
}

TEST_F(ControlTest, AStripShowsTheFrameOfItsValue)
{
    CPanelBitmap* bitmap = new CPanelBitmap(214); // a two-frame legend, 42 x 19
    CFrameStrip* strip = attach(new CFrameStrip({444, 47, 486, 66}, &editor, 126, 2, 19, bitmap, {0, 0}));
    bitmap->release();
    EXPECT_FALSE(strip->mouseEnabled()) << "clicks go to the views below";
    for (float value : {0.0f, 0.49f, 0.5f, 1.0f}) {
        strip->setValue(value);
        EXPECT_EQ(value < 0.5f ? 0 : 1, strip->frameIndex()) << value;
    }
    strip->setValue(1.7f);
    editor.idle();
    EXPECT_FLOAT_EQ(1.0f, strip->value()) << "stored back as 1";
    EXPECT_TRUE(paneltest::showsFrame(window().screen(), strip->bounds(), 214, 1));
    strip->setValue(0.2f);
    editor.idle();
    EXPECT_TRUE(paneltest::showsFrame(window().screen(), strip->bounds(), 214, 0));
}

TEST_F(ControlTest, TheDirtyRuleDrawsAChangedOrMarkedControlOnce)
{
    CKeyButton* key = key60();
    editor.idle();
    EXPECT_FALSE(key->needsPaint());
    // Two changes between idles: drawn once, with the last value.
    key->setValue(1.0f);
    key->setValue(0.0f);
    EXPECT_FALSE(key->needsPaint()) << "back to the value drawn";
    key->markPaint(true);
    EXPECT_TRUE(key->needsPaint());
    key->setValue(-1.0f);
    key->markPaint(true);
    EXPECT_TRUE(key->needsPaint()) << "even a value of -1 differs from the previous one";
    editor.idle();
    EXPECT_FALSE(key->needsPaint());
    EXPECT_FLOAT_EQ(0.0f, key->value()) << "a key's value is clamped when drawn";
}
