// The panel at twice the size: how the scale is chosen, and a frame at
// scale 2 taking clicks and drawing in panel coordinates.
#include "CPanelBitmap.h"
#include "CPanelFrame.h"
#include "CScaleChoice.h"
#include "GuiTestEditor.h"
#include "GuiTestFrame.h"
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

using guitest::CRecordingView;

namespace {

void* const kParent = reinterpret_cast<void*>(0x1234);
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

void setScaleVariable(const char* value)
{
#ifdef _WIN32
    _putenv_s("ZINTRA_SCALE", value != nullptr ? value : "");
#else
    if (value != nullptr)
        setenv("ZINTRA_SCALE", value, 1);
    else
        unsetenv("ZINTRA_SCALE");
#endif
}

class ScaleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::reset();
        setScaleVariable(nullptr);
    }
    void TearDown() override { setScaleVariable(nullptr); }
};

} // namespace

TEST_F(ScaleTest, TheFirstFactorGivenDecidesAndOneAndAHalfTakesTheDoubleSet)
{
    struct Case {
        float overrideFactor, hostFactor, systemFactor;
        int scale;
    };
    const Case cases[] = {
        {0, 0, 0, 1}, {0, 0, 2, 2}, {0, 0, 1.49f, 1},   {0, 0, 1.5f, 2},   {0, 1, 2, 1}, {0, 2, 1, 2},
        {1, 2, 2, 1}, {2, 1, 1, 2}, {kNan, kNan, 2, 2}, {-2, 0, 1.25f, 1}, {0, 3, 0, 2}, {0, 0.5f, 2, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.scale, CScaleChoice::decide(c.overrideFactor, c.hostFactor, c.systemFactor))
            << c.overrideFactor << " " << c.hostFactor << " " << c.systemFactor;
}

TEST_F(ScaleTest, OnlyAPlainPositiveNumberIsAFactor)
{
    struct Case {
        const char* text;
        float factor;
    };
    const Case cases[] = {{"2", 2.0f},  {"1.75", 1.75f}, {"1", 1.0f},   {nullptr, 0.0f}, {"", 0.0f},  {"two", 0.0f},
                          {"2x", 0.0f}, {"-2", 0.0f},    {"nan", 0.0f}, {"inf", 0.0f},   {"0", 0.0f}, {"1e9", 0.0f}};
    for (const Case& c : cases)
        EXPECT_EQ(c.factor, CScaleChoice::parseFactor(c.text)) << (c.text != nullptr ? c.text : "null");
}

TEST_F(ScaleTest, TheResourceDatabaseGivesItsXftDpiOverNinetySix)
{
    struct Case {
        const char* resources;
        float factor;
    };
    const Case cases[] = {
        {"Xft.dpi:\t192\n", 2.0f},
        {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 1.5f},
        {"Xft.dpi:\t96\nXft.dpi:\t192", 2.0f},
        {"Xcursor.size:\t24\n", 0.0f},
        {"Xft.dpi:\thigh\n", 0.0f},
        {"Xft.dpi:\t-96\n", 0.0f},
        {"", 0.0f},
        {nullptr, 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.factor, CScaleChoice::factorOfResources(c.resources))
            << (c.resources != nullptr ? c.resources : "null");
}

TEST_F(ScaleTest, TheVariableOverridesTheHostWhichOverridesTheSystem)
{
    CScaleChoice choice;
    EXPECT_EQ(1, choice.scaleFor(kParent));
    headless::setSystemScaleFactor(2.0f);
    EXPECT_EQ(2, choice.scaleFor(kParent));
    choice.setHostFactor(1.0f);
    EXPECT_EQ(1, choice.scaleFor(kParent));
    setScaleVariable("2");
    EXPECT_EQ(2, choice.scaleFor(kParent));
    setScaleVariable("nonsense");
    EXPECT_EQ(1, choice.scaleFor(kParent));
    choice.setHostFactor(0.0f);
    EXPECT_EQ(2, choice.scaleFor(kParent));
}

// A variable that is not a factor is ignored, and the user told once (the
// texts are this test's own, so no other test has had them warned).
TEST_F(ScaleTest, AVariableThatIsNoFactorIsIgnoredWithOneWarning)
{
    CScaleChoice choice;
    headless::setSystemScaleFactor(2.0f);
    struct Case {
        const char* text;
        int warnings;
    };
    const Case cases[] = {{"two and a half", 1}, {"", 0}, {"1.75", 0}, {"-3 for the test", 1}};
    for (const Case& c : cases) {
        setScaleVariable(c.text);
        ::testing::internal::CaptureStderr();
        for (int call = 0; call < 3; ++call)
            EXPECT_EQ(2, choice.scaleFor(kParent)) << c.text;
        const std::string said = ::testing::internal::GetCapturedStderr();
        const std::string warning = "ZINTRA_SCALE=\"" + std::string(c.text) + "\" is not a scale factor";
        int count = 0;
        for (std::size_t at = said.find(warning); at != std::string::npos; at = said.find(warning, at + 1))
            ++count;
        EXPECT_EQ(c.warnings, count) << c.text << ": " << said;
    }
}

TEST_F(ScaleTest, AFrameAtScaleTwoHasTwiceTheWindowAndTakesClicksInPanelPixels)
{
    CPanelFrame* frame = new CPanelFrame({0, 0, 100, 80}, kParent, nullptr, 2);
    CHeadlessWindow& window = *headless::lastWindow();
    EXPECT_EQ(200, window.width());
    EXPECT_EQ(160, window.height());
    auto* view = new CRecordingView({20, 10, 40, 30});
    ASSERT_TRUE(frame->attachView(view));
    struct Case {
        CPoint inWindow;
        bool hits;
        CPoint where;
    };
    const Case cases[] = {{{40, 20}, true, {20, 10}}, {{41, 21}, true, {20, 10}}, {{81, 61}, true, {40, 30}},
                          {{39, 20}, false, {}},      {{82, 40}, false, {}},      {{60, 62}, false, {}}};
    for (const Case& c : cases) {
        const int before = view->clicks;
        window.sendButtonDown(c.inWindow);
        EXPECT_EQ(c.hits ? before + 1 : before, view->clicks) << c.inWindow.x << "," << c.inWindow.y;
        if (c.hits) {
            EXPECT_EQ(c.where, view->lastWhere);
        }
    }
    frame->release();
}

TEST_F(ScaleTest, APaintContextAtScaleTwoFillsFramesAndCopiesTwoPixelsForEachPanelPixel)
{
    CPanelFrame* frame = new CPanelFrame({0, 0, 10, 10}, kParent, nullptr, 2);
    CPixelSurface surface;
    ASSERT_TRUE(surface.reset(20, 20));
    CPaintContext context(frame, &surface, nullptr);
    context.setClipRect({0, 0, 9, 9});
    context.setOffset({1, 0});
    context.setFillColor({0, 0, 255, 0});
    context.fillRect({1, 1, 3, 2}); // window pixels 4..7 x 2..3
    context.setFrameColor({255, 0, 0, 0});
    context.frameRect({0, 5, 3, 7}); // edges two pixels wide
    CPixelSurface source; // drawn at scale 2: a 2 x 2 panel picture
    ASSERT_TRUE(source.reset(4, 4, 0x0000FF00));
    context.copyPixels(source, {7, 7, 9, 9}, {0, 0}); // clipped at panel 9
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool fill = x >= 4 && x < 8 && y >= 2 && y < 4;
            const bool edge = (x >= 2 && x < 10 && y >= 10 && y < 16) && !(x >= 4 && x < 8 && y >= 12 && y < 14);
            const bool copy = x >= 16 && x < 18 && y >= 14 && y < 18;
            const std::uint32_t want = fill ? 0x0000FFu : edge ? 0xFF0000u : copy ? 0x00FF00u : 0u;
            ASSERT_EQ(want, surface.pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ((CRect{2, 2, 18, 18}), context.damage());
    frame->release();
}

TEST_F(ScaleTest, ABitmapAtScaleTwoWithoutADoubleEnlargesItsOwnPixels)
{
    // 2 x 1 pixels, red and blue, with no double of its own.
    const guitest::Bytes data =
        guitest::bmpFile(2, 1, 24, [](int x, int) { return x == 0 ? 0x00FF0000u : 0x000000FFu; });
    CPanelBitmap* bitmap = new CPanelBitmap(data.data(), data.size());
    EXPECT_EQ(2, bitmap->width());
    const CPixelSurface& doubled = bitmap->pixelsAt(2);
    ASSERT_EQ(4, doubled.width());
    ASSERT_EQ(2, doubled.height());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(x < 2 ? 0xFF0000u : 0x0000FFu, doubled.pixel(x, y)) << x << "," << y;
    bitmap->release();
}

TEST_F(ScaleTest, TheEditorAnnouncesItsScaledSizeAndAHostFactorWhileOpenResizesInPlace)
{
    guitest::CRecordingHost host;
    auto* editor = new guitest::CGuiTestEditor(&host);
    editor->setHostScaleFactor(2.0f);
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(2 * guitest::kFrameWidth, rect->right - rect->left);
    EXPECT_EQ(2 * guitest::kFrameHeight, rect->bottom - rect->top);
    ASSERT_TRUE(editor->open(kParent));
    EXPECT_EQ(2 * guitest::kFrameWidth, headless::lastWindow()->width());
    EXPECT_TRUE(host.resizes.empty()); // the host was told this size before it opened the editor
    headless::lastWindow()->sendPaint({0, 0, 2 * guitest::kFrameWidth, 2 * guitest::kFrameHeight});

    editor->setHostScaleFactor(1.0f);
    ASSERT_EQ(1u, host.resizes.size());
    EXPECT_EQ((CPoint{guitest::kFrameWidth, guitest::kFrameHeight}), host.resizes[0]);
    EXPECT_EQ(guitest::kFrameWidth, headless::lastWindow()->width());
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(guitest::kFrameWidth, rect->right - rect->left);
    headless::lastWindow()->resetPresented();
    editor->idle();
    EXPECT_EQ((CRect{0, 0, guitest::kFrameWidth, guitest::kFrameHeight}), headless::lastWindow()->presentedArea());

    // The window's own screen, read when it opens, differs from what the
    // host was told: the host is asked for the size that goes with it.
    editor->close();
    editor->setHostScaleFactor(0.0f);
    ASSERT_TRUE(editor->getRect(&rect));
    headless::setSystemScaleFactor(2.0f);
    ASSERT_TRUE(editor->open(kParent));
    ASSERT_EQ(2u, host.resizes.size());
    EXPECT_EQ((CPoint{2 * guitest::kFrameWidth, 2 * guitest::kFrameHeight}), host.resizes[1]);
    delete editor;
}
