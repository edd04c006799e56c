// Playing the instrument with the mouse, from the panel to the sound and
// back to the window's pixels (headless): calculating in Cal, notes in Play,
// the demonstration melody lighting the keys and the LCD.
#include "CFrameStrip.h"
#include "CKeyButton.h"
#include "CLcdView.h"
#include "PanelTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace {

using paneltest::OpenPanel;

// The Mode switch's four positions, 16.25 pixels each.
constexpr CPoint kModePlayPoint{805 + 8, 36};
constexpr CPoint kModeCalPoint{805 + 40, 36};

class PanelPlayTest : public ::testing::Test {
protected:
    void TearDown() override { paneltest::hostLog().onIdle = nullptr; }

    // A click, then a block of audio and an idle, as a host runs them.
    void press(CPoint where)
    {
        panel.click(where);
        panel.process(256);
        panel.idle();
    }
    void pressKey(int tag) { press(panel.centreOf(tag)); }

    OpenPanel panel;
};

double energy(const std::vector<float>& samples)
{
    double sum = 0.0;
    for (float s : samples)
        sum += static_cast<double>(s) * s;
    return sum;
}

} // namespace

TEST_F(PanelPlayTest, TwelvePlusThirtyTypedOnTheKeysShowsFortyTwo)
{
    press(kModeCalPoint);
    EXPECT_EQ(kModeCal, panel.plugin->mode());
    EXPECT_TRUE(paneltest::showsFrame(panel.screen(), {805, 26, 870, 47}, 153, 2));
    for (int key : {60, 62})
        pressKey(key);
    EXPECT_EQ("12", paneltest::lcdText(panel.screen()).substr(7));
    for (int key : {81, 64, 59, 83}) // + 3 0 =
        pressKey(key);
    EXPECT_EQ(".......42", paneltest::lcdText(panel.screen()));
    // The point after the last digit stays lit over the redrawn cell.
    EXPECT_TRUE(paneltest::showsFrame(panel.screen(), panel.editor->lcd()->point(7)->bounds(), 188, 1));
}

TEST_F(PanelPlayTest, KeysClickedInPlaySoundOnTheLeftOutput)
{
    press(kModeCalPoint);
    press(kModePlayPoint);
    ASSERT_EQ(kModePlay, panel.plugin->mode());
    panel.process(4096);
    EXPECT_EQ(0.0, energy(panel.left)) << "silent before";

    // The host keeps its audio going while the key is held.
    double held = 0.0, right = 0.0;
    paneltest::hostLog().onIdle = [&] {
        panel.process(512);
        held += energy(panel.left);
        right += energy(panel.right);
    };
    panel.click(panel.centreOf(69), 400);
    paneltest::hostLog().onIdle = nullptr;
    EXPECT_GT(held, 1.0) << "the note sounds while the key is held";
    EXPECT_EQ(0.0, right) << "the right output carries the rhythm box only";
    panel.process(256);
    panel.idle();
    EXPECT_EQ(0, paneltest::keyShown(panel.screen(), *panel.editor, 69));
    for (int i = 0; i < 40; ++i)
        panel.process(512);
    EXPECT_LT(energy(panel.left), 1e-6) << "and stops after the release";
}

TEST_F(PanelPlayTest, TheMusicButtonPlaysTheMelodyOnTheKeysAndTheLcd)
{
    const std::string before = paneltest::lcdText(panel.screen());
    pressKey(KeyDemo);
    std::set<int> lit;
    std::set<std::string> shown;
    double sound = 0.0;
    // Four seconds in blocks of about 12 ms, with an idle after each.
    for (int block = 0; block < 340; ++block) {
        panel.process(512);
        sound += energy(panel.left);
        panel.idle();
        for (int tag = kFirstNoteKey; tag <= kLastNoteKey; ++tag)
            if (paneltest::keyShown(panel.screen(), *panel.editor, tag) == 1)
                lit.insert(tag);
        shown.insert(paneltest::lcdText(panel.screen()));
    }
    EXPECT_GT(sound, 1.0);
    EXPECT_GE(lit.size(), 4u) << "the melody's notes light their keys";
    EXPECT_GE(shown.size(), 4u) << "and scroll through the LCD";
    EXPECT_EQ(0u, shown.count(std::string(9, '?')));
    EXPECT_NE(0u, shown.size() - shown.count(before));
}
