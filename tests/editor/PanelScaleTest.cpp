// The front panel at twice the size: the same session played at scale 1 and
// 2 leaves the same instrument, the same sound and the same host messages,
// and at scale 2 the window shows the double set of bitmaps, not an
// enlargement of the first.
#include "CCalculator.h"
#include "CLegendSet.h"
#include "CLegendView.h"
#include "CPanelBitmap.h"
#include "CPanelControl.h"
#include "CPanelFrame.h"
#include "PanelTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using paneltest::OpenPanel;
using paneltest::PointerStep;

namespace {

constexpr int kBackgroundBitmap = 150;

// The centre of the Mode switch's position (0 Play, 1 Rec, 2 Cal).
CPoint modePosition(int position)
{
    return {805 + 8 + 16 * position, 36};
}

struct Session {
    std::vector<float> left, right;
    std::vector<OpenPanel::Sent> sent;
    std::vector<int> edits;
    std::vector<std::pair<int, float>> automated;
    std::vector<std::pair<int, int>> windowSizes;
    std::vector<unsigned char> bank;
    float parameters[kNumParams] = {};
    bool overlayShown = false; // Rec with the rhythm names over the keys
    std::string calShown; // the LCD after the sum, read at scale 1
    int mode = -1;
};

// Cal: 12 + 30 =; Play: A4 held; Rec: Rhythm and its overlay; a Volume drag.
Session playSession(int scale)
{
    OpenPanel panel(scale);
    Session session;
    const auto run = [&](int blocks) {
        for (int i = 0; i < blocks; ++i) {
            panel.process(256);
            session.left.insert(session.left.end(), panel.left.begin(), panel.left.end());
            session.right.insert(session.right.end(), panel.right.begin(), panel.right.end());
            panel.idle();
        }
    };
    paneltest::hostLog().onIdle = [&] { run(1); };
    panel.click(modePosition(2));
    run(2);
    for (const int tag :
         {60, 62, static_cast<int>(CCalculator::KeyAdd), 64, 59, static_cast<int>(CCalculator::KeyEquals)}) {
        panel.click(panel.centreOf(tag));
        run(2);
    }
    if (scale == 1)
        session.calShown = paneltest::lcdText(panel.screen());
    panel.click(modePosition(0));
    run(2);
    panel.click(panel.centreOf(69), 300);
    run(4);
    panel.click(modePosition(1));
    run(2);
    panel.click(panel.centreOf(KeyRhythm));
    run(4);
    CPanelView* overlay = panel.editor->legends().view(CLegendSet::kRhythmOverlay);
    session.overlayShown = overlay != nullptr && panel.editor->frame()->hasView(overlay);
    const CRect volume = panel.editor->parameterControl(kParamVolume)->bounds();
    const int middle = (volume.top + volume.bottom) / 2;
    panel.gesture({{0, {volume.left + 40, middle}, true, paneltest::kNone},
                   {60, {volume.left + 25, middle}, true, paneltest::kNone},
                   {120, {volume.left + 10, middle}, true, paneltest::kNone},
                   {180, {volume.left + 10, middle}, false, paneltest::kNone}});
    run(4);
    paneltest::hostLog().onIdle = nullptr;

    session.sent = panel.takeSent();
    session.edits = paneltest::hostLog().edits;
    session.automated = paneltest::hostLog().automated;
    session.windowSizes = paneltest::hostLog().windowSizes;
    void* chunk = nullptr;
    const VstInt32 size = panel.plugin->getChunk(&chunk, false);
    const auto* bytes = static_cast<const unsigned char*>(chunk);
    session.bank.assign(bytes, bytes + size);
    for (int i = 0; i < kNumParams; ++i)
        session.parameters[i] = panel.plugin->getParameter(i);
    session.mode = panel.quibo->mode();
    return session;
}

// Each pixel of picture made scale x scale.
CPixelSurface enlarged(const CPixelSurface& picture, int scale)
{
    CPixelSurface out;
    out.reset(picture.width() * scale, picture.height() * scale);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            out.setPixel(x, y, picture.pixel(x / scale, y / scale));
    return out;
}

// The LCD's window: its glyphs are drawn anew at each size, and their soft
// edges cover other pixels.
constexpr CRect kLcdWindow{244, 34, 372, 62};

// Where a picture differs from the background bitmap's pixels at its scale,
// in panel pixels outside the LCD: a panel pixel counts when any of its
// pixels differs.
std::vector<bool> differsFromBackground(const CPixelSurface& picture, int scale)
{
    CPanelBitmap* background = new CPanelBitmap(kBackgroundBitmap);
    const CPixelSurface& pixels = background->pixelsAt(scale);
    std::vector<bool> differs(static_cast<std::size_t>(background->width() * background->height()), false);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixel(x, y) != pixels.pixel(x, y) && !kLcdWindow.containsInclusive({x / scale, y / scale}))
                differs[static_cast<std::size_t>((y / scale) * background->width() + x / scale)] = true;
    background->release();
    return differs;
}

} // namespace

TEST(PanelScaleTest, TheSameSessionAtScaleTwoLeavesTheSameInstrumentSoundAndHostMessages)
{
    const Session single = playSession(1);
    const Session twice = playSession(2);
    EXPECT_TRUE(single.sent == twice.sent)
        << single.sent.size() << " commands at scale 1, " << twice.sent.size() << " at scale 2";
    EXPECT_EQ(single.edits, twice.edits);
    EXPECT_EQ(single.automated, twice.automated);
    EXPECT_TRUE(single.windowSizes.empty());
    EXPECT_TRUE(twice.windowSizes.empty()) << "the host was told the size before it opened the editor";
    EXPECT_TRUE(single.bank == twice.bank) << "the instruments' banks differ";
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_EQ(single.parameters[i], twice.parameters[i]) << "parameter " << i;
    ASSERT_EQ(single.left.size(), twice.left.size());
    EXPECT_TRUE(single.left == twice.left) << "the voices differ";
    EXPECT_TRUE(single.right == twice.right) << "the rhythms differ";
    // The session did what it says: the sum, a note, the rhythm, a drag.
    EXPECT_NE(std::string::npos, single.calShown.find("42")) << single.calShown;
    EXPECT_EQ(kModeRec, single.mode);
    EXPECT_LT(single.parameters[kParamVolume], 0.8f);
    bool sounded = false;
    for (float sample : single.left)
        sounded = sounded || sample != 0.0f;
    EXPECT_TRUE(sounded);

    EXPECT_TRUE(single.overlayShown);
    EXPECT_TRUE(twice.overlayShown);
}

TEST(PanelScaleTest, AtScaleTwoTheWindowShowsTheDoubleSetWhereControlsRestNotAnEnlargement)
{
    // One at a time: a panel's screen is the last window made.
    const CPixelSurface first = OpenPanel(1).screen();
    const CPixelSurface second = OpenPanel(2).screen();
    ASSERT_EQ(2 * first.width(), second.width());
    ASSERT_EQ(2 * first.height(), second.height());
    // The new panel differs from the background bitmap at the same panel
    // pixels (its switches and handles), and equals the double background
    // everywhere else.
    EXPECT_EQ(differsFromBackground(first, 1), differsFromBackground(second, 2));
    int sameAsEnlarged = 0;
    const CPixelSurface blown = enlarged(first, 2);
    for (int y = 0; y < second.height(); ++y)
        for (int x = 0; x < second.width(); ++x)
            sameAsEnlarged += second.pixel(x, y) == blown.pixel(x, y) ? 1 : 0;
    const double share = static_cast<double>(sameAsEnlarged) / (second.width() * second.height());
    EXPECT_LT(share, 0.9) << "the picture at scale 2 is an enlargement of scale 1's (" << share << " of its pixels)";
}

// A host that announces a new scale while the panel is open is asked for
// the new size (audioMasterSizeWindow), and the same window is drawn anew.
TEST(PanelScaleTest, ANewScaleWhileOpenAsksTheHostToResizeAndRedraws)
{
    OpenPanel panel(1);
    CHeadlessWindow& window = panel.window();
    panel.plugin->dispatcher(effVendorSpecific, kScaleFactorRequest, kScaleFactorValue, nullptr, 2.0f);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1764, 426}}), paneltest::hostLog().windowSizes);
    EXPECT_EQ(&window, &panel.window()) << "the same window";
    EXPECT_EQ(1764, window.width());
    panel.idle();
    EXPECT_EQ(OpenPanel(2).screen(), window.screen()) << "drawn as a panel opened at scale 2";
    EXPECT_EQ(0, panel.plugin->dispatcher(effVendorSpecific, kScaleFactorRequest, 0, nullptr, 1.0f))
        << "another request is not taken";
}
