// The frame on the headless backend: click dispatch, the window class count,
// system paints and idle redraws, the view list, keys, drops and the end of
// the window.
#include "AllocationCounter.h"
#include "CDropData.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"
#include "CWindowClass.h"
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

using guitest::CRecordingView;

namespace {

void* const kParent = reinterpret_cast<void*>(0x1234);

class PanelFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::reset();
        frame = new CPanelFrame({0, 0, 100, 80}, kParent, nullptr);
    }
    void TearDown() override
    {
        if (frame != nullptr)
            frame->release();
        EXPECT_EQ(0, CWindowClass::users());
    }

    CHeadlessWindow& window() { return *headless::lastWindow(); }

    CRecordingView* attach(const CRect& bounds)
    {
        CRecordingView* view = new CRecordingView(bounds);
        EXPECT_TRUE(frame->attachView(view));
        return view;
    }

    CPanelFrame* frame = nullptr;
};

} // namespace

TEST_F(PanelFrameTest, AClickOnAPointSharedByTwoViewsGoesToTheOneAttachedLater)
{
    CRecordingView* lower = attach({10, 10, 50, 50});
    CRecordingView* upper = attach({30, 30, 70, 70});
    window().sendButtonDown({40, 40});
    EXPECT_EQ(0, lower->clicks);
    EXPECT_EQ(1, upper->clicks);
    // Edges belong to the view.
    window().sendButtonDown({10, 50});
    EXPECT_EQ(1, lower->clicks);
    window().sendButtonDown({90, 5});
    EXPECT_EQ(1, lower->clicks);
    EXPECT_EQ(1, upper->clicks);
}

TEST_F(PanelFrameTest, AClickOnAViewWithTheMouseDisabledGoesToTheNextOneBelowOrToNone)
{
    CRecordingView* bottom = attach({0, 0, 60, 60});
    CRecordingView* beside = attach({70, 0, 90, 20});
    CRecordingView* top = attach({20, 20, 40, 40});
    top->enableMouse(false);
    window().sendButtonDown({30, 30});
    EXPECT_EQ(0, top->clicks);
    EXPECT_EQ(1, bottom->clicks);
    EXPECT_EQ(0, beside->clicks);
    bottom->enableMouse(false);
    window().sendButtonDown({30, 30});
    EXPECT_EQ(1, bottom->clicks);
    EXPECT_EQ(0, top->clicks);
}

TEST_F(PanelFrameTest, TheWindowClassIsRegisteredOnceForTwoFramesAndReleasedWhenBothClose)
{
    EXPECT_EQ(1, headless::counters().classRegistrations);
    CPanelFrame* second = new CPanelFrame({0, 0, 50, 50}, kParent, nullptr);
    EXPECT_TRUE(second->hasWindow());
    EXPECT_EQ(1, headless::counters().classRegistrations);
    EXPECT_EQ(2, CWindowClass::users());
    frame->release();
    frame = nullptr;
    EXPECT_TRUE(headless::classRegistered());
    EXPECT_EQ(0, headless::counters().classUnregistrations);
    second->release();
    EXPECT_FALSE(headless::classRegistered());
    EXPECT_EQ(1, headless::counters().classUnregistrations);
    EXPECT_EQ(2, headless::counters().windowsDestroyed);
    // A frame without a parent window takes no class and makes no window.
    CPanelFrame* orphan = new CPanelFrame({0, 0, 50, 50}, nullptr, nullptr);
    EXPECT_FALSE(orphan->hasWindow());
    EXPECT_EQ(0, CWindowClass::users());
    orphan->release();
    EXPECT_EQ(1, headless::counters().classRegistrations);
}

TEST_F(PanelFrameTest, APaintWithoutAnUpdateAreaDrawsNothing)
{
    CRecordingView* view = attach({10, 10, 20, 20});
    window().sendPaint({});
    window().sendPaint({30, 30, 30, 40});
    window().sendPaint({200, 200, 300, 300}); // outside the window
    EXPECT_EQ(0, view->paints);
    EXPECT_EQ(0, window().presentCount());
    EXPECT_TRUE(frame->firstPaintPending());
    window().sendPaint({0, 0, 15, 15});
    EXPECT_EQ(1, view->paints);
    EXPECT_FALSE(frame->firstPaintPending());
    EXPECT_EQ(CRect(0, 0, 15, 15), window().presentedArea());
    // The view drew only inside the damaged area.
    EXPECT_EQ(view->colour, window().screen().pixel(14, 14));
    EXPECT_EQ(0u, window().screen().pixel(15, 15));
}

TEST_F(PanelFrameTest, ASystemPaintDrawsTheBackgroundAndTheViewsOverlappingTheArea)
{
    const guitest::Bytes bmp =
        guitest::bmpFile(100, 80, 24, [](int x, int y) { return static_cast<std::uint32_t>(x * 0x10000 + y); });
    CPanelBitmap* background = new CPanelBitmap(bmp.data(), bmp.size());
    frame->setBackground(background);
    EXPECT_EQ(2, background->referenceCount());
    background->release();
    CRecordingView* inside = attach({10, 10, 20, 20});
    CRecordingView* outside = attach({60, 60, 70, 70});
    window().sendPaint({0, 0, 40, 40});
    EXPECT_EQ(1, inside->paints);
    EXPECT_EQ(0, outside->paints);
    EXPECT_EQ(0x050007u, window().screen().pixel(5, 7));
    EXPECT_EQ(inside->colour, window().screen().pixel(12, 12));
    EXPECT_EQ(0u, window().screen().pixel(65, 65)); // not presented yet
    EXPECT_EQ(0u, frame->surface().pixel(65, 65));
}

TEST_F(PanelFrameTest, ViewsAreRedrawnAtIdleOnlyWhenTheyNeedIt)
{
    CRecordingView* a = attach({10, 10, 20, 20});
    CRecordingView* b = attach({30, 30, 40, 40});
    a->markPaint(true);
    frame->redrawDirty();
    EXPECT_EQ(0, a->paints) << "nothing is drawn before the window's first paint";
    window().sendPaint({0, 0, 100, 80});
    window().resetPresented();
    a->paints = b->paints = 0;
    frame->redrawDirty();
    EXPECT_EQ(0, a->paints);
    EXPECT_EQ(0, b->paints);
    EXPECT_EQ(0, window().presentCount());
    b->colour = 0x00ABCDEF;
    b->markPaint(true);
    frame->redrawDirty();
    EXPECT_EQ(0, a->paints);
    EXPECT_EQ(1, b->paints);
    EXPECT_EQ(1, window().presentCount());
    EXPECT_EQ(CRect(30, 30, 40, 40), window().presentedArea());
    EXPECT_EQ(0x00ABCDEFu, window().screen().pixel(35, 35));
    frame->redrawDirty();
    EXPECT_EQ(1, b->paints);
}

TEST_F(PanelFrameTest, PaintingAnUnchangedFrameAllocatesNothing)
{
    const guitest::Bytes bmp = guitest::bmpFile(100, 80, 24, [](int x, int y) { return x * 3u + y * 0x300u; });
    CPanelBitmap* background = new CPanelBitmap(bmp.data(), bmp.size());
    frame->setBackground(background);
    background->release();
    for (int i = 0; i < 30; ++i)
        attach(CRect::fromSize(i * 3, i * 2, 10, 10))->markPaint(true);
    window().sendPaint({0, 0, 100, 80});
    allocationcounter::start();
    window().sendPaint({0, 0, 100, 80});
    window().sendPaint({5, 5, 50, 50});
    frame->redrawDirty();
    frame->viewAt(7)->markPaint(true);
    frame->redrawDirty();
    EXPECT_EQ(0, allocationcounter::stop());
}

TEST_F(PanelFrameTest, SwappedButtonsReportThePhysicalRightButtonAsBitOneAndTheLeftAsFour)
{
    CRecordingView* view = attach({0, 0, 100, 80});
    CRawButtons raw;
    raw.right = true;
    raw.swapped = true;
    headless::scriptInput(0, {5, 5}, raw);
    window().sendButtonDown({5, 5});
    EXPECT_EQ(kButtonLeft, view->lastButtons);
    raw = {};
    raw.left = true;
    raw.shift = true;
    raw.swapped = true;
    headless::scriptInput(10, {5, 5}, raw);
    headless::setTick(10);
    window().sendButtonDown({5, 5});
    EXPECT_EQ(kButtonRight | kModifierShift, view->lastButtons);
}

TEST_F(PanelFrameTest, DetachViewAnswersTrueForAViewNotInTheListAndTheListGrowsPast20And40)
{
    CRecordingView* stranger = new CRecordingView({0, 0, 1, 1});
    EXPECT_TRUE(frame->detachView(stranger, false));
    EXPECT_EQ(1, stranger->referenceCount());
    std::vector<CRecordingView*> views;
    for (int i = 0; i < 45; ++i)
        views.push_back(attach(CRect::fromSize(i * 2, 0, 2, 2)));
    ASSERT_EQ(45, frame->viewCount());
    for (int i = 0; i < 45; ++i) {
        EXPECT_EQ(views[static_cast<std::size_t>(i)], frame->viewAt(i));
        EXPECT_EQ(frame, views[static_cast<std::size_t>(i)]->frame());
    }
    EXPECT_EQ(nullptr, frame->viewAt(45));
    EXPECT_EQ(nullptr, frame->viewAt(-1));
    // Neighbours share an edge: the later one gets the click.
    window().sendButtonDown({84, 1});
    EXPECT_EQ(1, views[42]->clicks);
    EXPECT_EQ(0, views[41]->clicks);
    views[20]->retain();
    EXPECT_TRUE(frame->detachView(views[20], true));
    EXPECT_EQ(1, views[20]->referenceCount());
    EXPECT_FALSE(frame->hasView(views[20]));
    EXPECT_EQ(views[21], frame->viewAt(20));
    EXPECT_TRUE(frame->detachView(views[20], true)); // no longer attached: left alone
    EXPECT_EQ(1, views[20]->referenceCount());
    views[20]->release();
    stranger->release();
}

TEST_F(PanelFrameTest, KeysGoToTheFocusViewThenTheViewsFromTheTop)
{
    CRecordingView* bottom = attach({0, 0, 10, 10});
    CRecordingView* top = attach({0, 0, 10, 10});
    bottom->keyAnswer = 1;
    EXPECT_EQ(1, frame->keyDown({'a', 0, 0}));
    EXPECT_EQ(1, top->keys);
    EXPECT_EQ(1, bottom->keys);
    frame->setFocusView(bottom);
    EXPECT_EQ(1, frame->keyDown({'a', 0, 0}));
    EXPECT_EQ(1, top->keys);
    bottom->keyAnswer = -1;
    EXPECT_EQ(-1, frame->keyDown({'a', 0, 0}));
    // A click takes the focus away.
    window().sendButtonDown({50, 50});
    EXPECT_EQ(nullptr, frame->focusView());
}

TEST_F(PanelFrameTest, DroppedTextAndFilesReachTheTopViewThatTakesThem)
{
    class FakeData : public CDropData {
    public:
        bool offersText() override { return hasText; }
        bool offersFiles() override { return !files.empty(); }
        bool text(std::string& out) override
        {
            out = textValue;
            return hasText;
        }
        bool fileNames(std::vector<std::string>& out) override
        {
            out = files;
            return !files.empty();
        }
        bool resolveShortcut(const std::string& shortcut, std::string& target) override
        {
            target = "C:\\TARGET~1.WAV";
            return shortcut.find("good") != std::string::npos;
        }
        bool hasText = false;
        std::string textValue;
        std::vector<std::string> files;
    } data;
    CRecordingView* taker = attach({0, 0, 50, 50});
    CRecordingView* refuser = attach({0, 0, 50, 50});
    taker->acceptDrops = true;
    CDropDispatch& drop = *window().drop();

    EXPECT_EQ(kDropEffectNone, drop.dragEnter(data, 0));
    data.files = {"C:\\a.wav", "C:\\good.LNK", "C:\\bad.lnk", std::string(2000, 'x'), "C:\\x.lnk.txt"};
    EXPECT_EQ(kDropEffectMove, drop.dragEnter(data, 0));
    EXPECT_EQ(kDropEffectCopy, drop.dragOver(kDropKeyControl));
    EXPECT_TRUE(drop.drop(data, {10, 10}));
    EXPECT_EQ(kDropFiles, taker->droppedType);
    ASSERT_EQ(5u, taker->dropped.size());
    EXPECT_EQ("C:\\a.wav", taker->dropped[0]);
    EXPECT_EQ("C:\\TARGET~1.WAV", taker->dropped[1]);
    EXPECT_EQ("C:\\bad.lnk", taker->dropped[2]);
    EXPECT_EQ(kDropItemSize - 1, taker->dropped[3].size());
    EXPECT_EQ("C:\\x.lnk.txt", taker->dropped[4]);

    data.hasText = true;
    data.textValue = "hello";
    EXPECT_TRUE(drop.drop(data, {10, 10}));
    EXPECT_EQ(kDropText, taker->droppedType);
    EXPECT_EQ(std::vector<std::string>{"hello"}, taker->dropped);
    EXPECT_FALSE(drop.drop(data, {70, 70})); // no view there

    // Nothing is dropped while a view has the focus, or on a view that ignores the mouse.
    frame->setFocusView(refuser);
    EXPECT_FALSE(drop.drop(data, {10, 10}));
    frame->setFocusView(nullptr);
    taker->enableMouse(false);
    EXPECT_FALSE(drop.drop(data, {10, 10}));
    EXPECT_TRUE(refuser->dropped.empty());
}

TEST_F(PanelFrameTest, AWindowDestroyedByTheSystemStopsDrawingAndStillReleasesTheClass)
{
    CRecordingView* view = attach({0, 0, 10, 10});
    window().sendPaint({0, 0, 100, 80});
    EXPECT_TRUE(frame->isOpen());
    window().destroyBySystem();
    EXPECT_FALSE(frame->isOpen());
    EXPECT_EQ(nullptr, frame->parentWindow());
    view->markPaint(true);
    const int paints = view->paints;
    frame->redrawDirty();
    EXPECT_EQ(paints, view->paints);
    EXPECT_TRUE(headless::classRegistered());
}
