// The editor base on the headless backend: its answers to the host, the
// pacing of idle work during mouse tracking, the host-idle guard, opening
// without a window, and reference counts over many open/close cycles. Also
// the test frame that the X11 and Windows tests compare against.
#include "CPanelBitmap.h"
#include "CPanelFrame.h"
#include "CWindowClass.h"
#include "GuiTestEditor.h"
#include "GuiTestFrame.h"
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

using guitest::CGuiTestEditor;

namespace {

void* const kParent = reinterpret_cast<void*>(0x5678);

class GuiEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::reset();
        viewsBefore = CPanelView::liveCount();
        bitmapsBefore = CPanelBitmap::liveCount();
        editor = new CGuiTestEditor(&host);
    }
    void TearDown() override
    {
        delete editor;
        EXPECT_EQ(0, CWindowClass::users());
        EXPECT_EQ(viewsBefore, CPanelView::liveCount());
        EXPECT_EQ(bitmapsBefore, CPanelBitmap::liveCount());
    }

    guitest::CRecordingHost host;
    CGuiTestEditor* editor = nullptr;
    int viewsBefore = 0;
    int bitmapsBefore = 0;
};

} // namespace

TEST_F(GuiEditorTest, AnswersTheHostAndIsNotShownWithoutAWindowBackend)
{
    EXPECT_EQ(editor, host.editor);
    EXPECT_FALSE(host.shown);
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(guitest::kFrameWidth, rect->right - rect->left);
    EXPECT_EQ(guitest::kFrameHeight, rect->bottom - rect->top);
    EXPECT_FALSE(editor->getRect(nullptr));
    VstKeyCode key{'x', 0, 0};
    EXPECT_FALSE(editor->onKeyDown(key)) << "no frame";
    ASSERT_TRUE(editor->open(kParent));
    EXPECT_FALSE(editor->onKeyDown(key)) << "no view uses keys";
    EXPECT_FALSE(editor->onKeyUp(key));
    EXPECT_FALSE(editor->onWheel(1.0f));
    EXPECT_TRUE(editor->setKnobMode(2));
    EXPECT_EQ(2, CGuiEditor::knobMode());
    editor->close();
    EXPECT_EQ(nullptr, editor->frame());
}

TEST_F(GuiEditorTest, OpeningWithoutAWindowAnswersFalseAndHoldsNothing)
{
    headless::setWindowsAvailable(false);
    EXPECT_FALSE(editor->open(kParent));
    EXPECT_EQ(nullptr, editor->frame());
    EXPECT_EQ(0, CWindowClass::users());
    EXPECT_FALSE(editor->open(nullptr));
    editor->idle();
    editor->close();
}

TEST_F(GuiEditorTest, TrackingIdleRunsAboutOneIdlePer50MsAndLetsTheHostRunInsideTheGuard)
{
    // Half a second before the millisecond clock wraps at 2^32.
    const std::uint32_t start = 0xFFFFFE00u;
    headless::setTick(start);
    delete editor;
    editor = new CGuiTestEditor(&host);
    ASSERT_TRUE(editor->open(kParent));
    host.idleEditorInMasterIdle = true;
    const int idlesBefore = editor->idleCount();
    int steps = 0;
    while (guiplatform::tickCount() - start < 1000) {
        editor->trackingIdle();
        ++steps;
    }
    const int idles = editor->idleCount() - idlesBefore;
    // 4 ms sleeps; an idle once 50 ms have passed since the last: one per 52 ms.
    EXPECT_GE(idles, 18);
    EXPECT_LE(idles, 21);
    EXPECT_EQ(idles, host.masterIdles);
    EXPECT_EQ(0, host.masterIdlesOutsideGuard);
    EXPECT_FALSE(editor->insideHostIdle());
    EXPECT_GE(headless::sleepCount(), 230);
    EXPECT_GT(steps, 240);
}

TEST_F(GuiEditorTest, IdleInsideTheHostsIdleDoesNothing)
{
    ASSERT_TRUE(editor->open(kParent));
    CHeadlessWindow& window = *headless::lastWindow();
    window.sendPaint({0, 0, guitest::kFrameWidth, guitest::kFrameHeight});
    editor->frame()->viewAt(0)->markPaint(true);
    window.resetPresented();
    // A host that idles the editor from its idle callback, after a view
    // asked for drawing: the editor's idle does nothing there.
    host.idleEditorInMasterIdle = true;
    host.duringMasterIdle = [&] { editor->frame()->viewAt(1)->markPaint(true); };
    editor->trackingIdle();
    EXPECT_EQ(1, host.masterIdles);
    EXPECT_EQ(1, window.presentCount());
    EXPECT_TRUE(editor->frame()->viewAt(1)->needsPaint());
    editor->idle();
    EXPECT_EQ(2, window.presentCount());
}

TEST_F(GuiEditorTest, TheTestFrameDispatchesClicksToTheRightViews)
{
    ASSERT_TRUE(editor->open(kParent));
    CPanelFrame* frame = editor->frame();
    CHeadlessWindow& window = *headless::lastWindow();
    window.sendPaint({0, 0, guitest::kFrameWidth, guitest::kFrameHeight});
    auto view = [&](int tag) {
        for (int i = 0; i < frame->viewCount(); ++i) {
            auto* v = static_cast<guitest::CToggleView*>(frame->viewAt(i));
            if (v->tag() == tag)
                return v;
        }
        return static_cast<guitest::CToggleView*>(nullptr);
    };
    CRawButtons left;
    left.left = true;
    // Pressed from tick 0 to 300: the click tracks until the release.
    headless::scriptInput(0, guitest::clickPoint(1), left);
    headless::scriptInput(300, guitest::clickPoint(1), {});
    window.queueButtonDown(guitest::clickPoint(1));
    editor->idle();
    EXPECT_EQ(1, view(1)->clicks());
    EXPECT_TRUE(view(1)->pressed());
    EXPECT_GE(guiplatform::tickCount(), 300u);
    EXPECT_GE(host.masterIdles, 5);
    EXPECT_EQ((std::vector<int>{1, -1}), host.edits);
    // The handle and the button over its corner: the button. The disabled
    // box: the box below.
    window.queueButtonDown({145, 45});
    window.queueButtonDown(guitest::clickPoint(5));
    editor->idle();
    EXPECT_EQ(0, view(3)->clicks());
    EXPECT_EQ(1, view(4)->clicks());
    EXPECT_EQ(0, view(5)->clicks());
    EXPECT_EQ(1, view(6)->clicks());
    EXPECT_EQ((std::vector<int>{1, -1, 4, -4, 6, -6}), host.edits);
    // The pressed views were drawn at that idle, and only they.
    EXPECT_EQ(2, view(1)->paints());
    EXPECT_EQ(1, view(2)->paints());
}

TEST_F(GuiEditorTest, TheTestBitmapsAreFoundByTheirIds)
{
    const int sizes[][3] = {{300, 200, 120}, {301, 40, 60}, {302, 32, 32}, {303, 48, 48}};
    for (const auto& size : sizes) {
        CPanelBitmap* bitmap = new CPanelBitmap(size[0]);
        EXPECT_EQ(size[1], bitmap->width()) << size[0];
        EXPECT_EQ(size[2], bitmap->height()) << size[0];
        bitmap->release();
    }
    CPanelBitmap* handle = new CPanelBitmap(302);
    EXPECT_EQ(0xFFFFFFu, handle->pixels().pixel(0, 0)); // the corners are white
    EXPECT_EQ(0x283CC8u, handle->pixels().pixel(16, 16));
    handle->release();
}

TEST_F(GuiEditorTest, ReferenceCountsComeBackToZeroOverAThousandOpenCloseCycles)
{
    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_TRUE(editor->open(kParent));
        if (cycle % 100 == 0) {
            EXPECT_EQ(viewsBefore + 7, CPanelView::liveCount()); // six views and the frame
            headless::lastWindow()->sendPaint({0, 0, 50, 50});
        }
        editor->close();
    }
    EXPECT_EQ(viewsBefore, CPanelView::liveCount());
    EXPECT_EQ(bitmapsBefore, CPanelBitmap::liveCount());
    EXPECT_EQ(1000, headless::counters().classRegistrations);
    EXPECT_EQ(1000, headless::counters().classUnregistrations);
    // Deleting an open editor closes it.
    ASSERT_TRUE(editor->open(kParent));
}
