// The front-panel editor on the headless backend with the real instrument:
// opening and closing, what the controls send, what the instrument's notices
// show, the legends per mode, the hover hints and the rhythm overlay.
#include "CEditorListener.h"
#include "CFrameStrip.h"
#include "CKeyButton.h"
#include "CLcdView.h"
#include "CLegendView.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"
#include "LcdText.h"
#include "PanelTestSupport.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using paneltest::OpenPanel;
using Sent = OpenPanel::Sent;

constexpr int kPlayLegends = 13;
constexpr int kControls = 5 + 29 + 10;

class PanelEditorTest : public ::testing::Test {
protected:
    void TearDown() override { paneltest::hostLog().onIdle = nullptr; }

    // The instrument's mode set as a host would, and applied.
    void setMode(float value)
    {
        panel.plugin->setParameter(kParamMode, value);
        panel.process();
        panel.takeSent();
    }
    bool legendAttached(int id) const
    {
        CFrameStrip* legend = panel.editor->legends().view(id);
        return legend != nullptr && panel.editor->frame()->hasView(legend);
    }
    bool legendShows(int id, int frame) const
    {
        CFrameStrip* legend = panel.editor->legends().view(id);
        return legend != nullptr &&
               paneltest::showsFrame(panel.screen(), legend->bounds(), legend->bitmap()->resourceId(), frame);
    }

    OpenPanel panel;
};

// The views of the frame whose pixels differ between two pictures, by their
// left and top corners.
std::string viewsThatDiffer(const CPanelFrame& frame, const CPixelSurface& a, const CPixelSurface& b)
{
    std::string differ;
    for (int i = 0; i < frame.viewCount(); ++i) {
        const CRect r = frame.viewAt(i)->bounds();
        bool same = true;
        for (int y = r.top; same && y < r.bottom; ++y)
            for (int x = r.left; same && x < r.right; ++x)
                same = a.pixel(x, y) == b.pixel(x, y);
        if (!same)
            differ += " (" + std::to_string(r.left) + "," + std::to_string(r.top) + ")";
    }
    return differ;
}

} // namespace

TEST_F(PanelEditorTest, OpensWithTheInstrumentsValuesAndTheLegendsOfItsMode)
{
    ERect* rect = nullptr;
    ASSERT_TRUE(panel.editor->getRect(&rect));
    EXPECT_EQ(882, rect->right - rect->left);
    EXPECT_EQ(213, rect->bottom - rect->top);
    EXPECT_EQ(0, panel.plugin->getAeffect()->flags & effFlagsHasEditor) << "hosts see no headless editor";
    EXPECT_EQ(kControls + CLcdView::kControlCount + kPlayLegends, panel.editor->frame()->viewCount());
    EXPECT_FLOAT_EQ(0.8f, panel.editor->parameterControl(kParamVolume)->value());
    EXPECT_FLOAT_EQ(0.5f, panel.editor->parameterControl(kParamBalance)->value());
    EXPECT_FLOAT_EQ(0.51f, panel.editor->parameterControl(kParamOctave)->value());
    EXPECT_EQ(nullptr, panel.editor->parameterControl(kParamTune));
    EXPECT_EQ(kModePlay, panel.editor->legendMode());
    EXPECT_TRUE(legendAttached(CLegendSet::kHintVolume));
    EXPECT_FALSE(legendAttached(127)) << "Del is a Rec legend";

    panel.idle();
    for (int tag = kFirstNoteKey; tag <= KeyOneKey2; ++tag)
        EXPECT_EQ(0, paneltest::keyShown(panel.screen(), *panel.editor, tag)) << tag;
    EXPECT_EQ(testhost::cellsOf(panel.quibo->displayModel().publishedContent()), paneltest::lcdText(panel.screen()));
    // The Octave switch shows its middle position (0.51), the slider's handle
    // sits at 0.8 of its way.
    EXPECT_TRUE(paneltest::showsFrame(panel.screen(), {641, 26, 700, 47}, 152, 1));
    EXPECT_TRUE(paneltest::showsFrame(panel.screen(), CRect::fromSize(412 + 1 + 49, 26, 33, 17), 155, 0));
}

TEST_F(PanelEditorTest, ParameterControlsSendChangesToTheHostAndFunctionButtonsOnlyToTheInstrument)
{
    panel.click({712 + 13, 30}); // Program 1
    EXPECT_EQ((std::vector<Sent>{{kParamProgram, 0.2f}}), panel.takeSent());
    EXPECT_EQ(1, paneltest::hostLog().automations);
    EXPECT_EQ((std::vector<int>{kParamProgram, -kParamProgram - 1}), paneltest::hostLog().edits);
    panel.click({712 + 14, 30});
    EXPECT_TRUE(panel.takeSent().empty()) << "the value already sent";

    paneltest::hostLog() = {};
    panel.click(panel.centreOf(KeyReset));
    EXPECT_EQ((std::vector<Sent>{{KeyReset, 1.0f}}), panel.takeSent()) << "on press only";
    panel.click(panel.centreOf(KeyOneKey1));
    EXPECT_EQ((std::vector<Sent>{{KeyOneKey1, 1.0f}, {KeyOneKey1, 0.0f}}), panel.takeSent());
    panel.click(panel.centreOf(60));
    EXPECT_EQ((std::vector<Sent>{{60, 1.0f}, {60, 0.0f}}), panel.takeSent());
    EXPECT_EQ(0, paneltest::hostLog().automations);
    EXPECT_TRUE(paneltest::hostLog().edits.empty()) << "hosts hear of edits of parameters only";
}

// The editor tells the listener its front handed it, not the instrument or
// the plug-in: with another listener the plug-in's host hears nothing, and
// with none the values still reach the instrument.
class RecordingListener : public CEditorListener {
public:
    void beginGesture(std::int32_t index) override { log.push_back("begin " + std::to_string(index)); }
    void performGesture(std::int32_t index, float value) override
    {
        log.push_back("perform " + std::to_string(index) + " " + std::to_string(value));
    }
    void endGesture(std::int32_t index) override { log.push_back("end " + std::to_string(index)); }
    void idleHost() override { ++idles; }
    bool resizeRequest(std::int32_t width, std::int32_t height) override
    {
        log.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
        return true;
    }
    std::vector<std::string> log;
    int idles = 0;
};

TEST_F(PanelEditorTest, TheEditorTellsTheListenerItWasHandedAndNoOtherFront)
{
    RecordingListener listener;
    CEditorView& view = *panel.editor;
    view.setListener(&listener);
    const std::string program = std::to_string(kParamProgram);
    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> heard;
        std::vector<Sent> sent;
    };
    const Case cases[] = {
        {"a switch",
         [&] {
             panel.click({712 + 13, 30});
         },
         {"begin " + program, "perform " + program + " 0.200000", "end " + program},
         {{kParamProgram, 0.2f}}},
        {"a function button", [&] { panel.click(panel.centreOf(KeyReset)); }, {}, {{KeyReset, 1.0f}}},
        {"a new scale while open", [&] { view.setHostScaleFactor(2.0f); }, {"resize 1764x426"}, {}},
        {"no listener",
         [&] {
             view.setListener(nullptr);
             view.setHostScaleFactor(1.0f);
             panel.click({712 + 40, 30});
         },
         {},
         {{kParamProgram, 0.6f}}},
    };
    for (const Case& c : cases) {
        listener.log.clear();
        paneltest::hostLog() = {};
        c.act();
        EXPECT_EQ(c.heard, listener.log) << c.what;
        EXPECT_EQ(c.sent, panel.takeSent()) << c.what;
        EXPECT_EQ(0, paneltest::hostLog().automations) << c.what;
        EXPECT_TRUE(paneltest::hostLog().edits.empty()) << c.what;
        EXPECT_TRUE(paneltest::hostLog().windowSizes.empty()) << c.what;
    }
}

TEST_F(PanelEditorTest, RhythmThenADigitKeyPicksTheRhythmWithTheOverlayShown)
{
    panel.click(panel.centreOf(KeyRhythm));
    EXPECT_TRUE(panel.takeSent().empty());
    EXPECT_TRUE(panel.editor->rhythmDigitWait());
    panel.click(panel.centreOf(KeyRhythm));
    EXPECT_TRUE(panel.editor->rhythmDigitWait()) << "a second press changes nothing";
    panel.idle();
    EXPECT_TRUE(panel.editor->rhythmOverlayShown());
    EXPECT_TRUE(legendShows(CLegendSet::kRhythmOverlay, 1));

    // The digit-5 key, held while the panel idles: the overlay stays.
    bool shownWhileHeld = true;
    paneltest::hostLog().onIdle = [&] { shownWhileHeld = shownWhileHeld && panel.editor->rhythmOverlayShown(); };
    panel.click(panel.centreOf(67), 300);
    EXPECT_TRUE(shownWhileHeld);
    EXPECT_EQ((std::vector<Sent>{{KeyRhythm, 0.5f}}), panel.takeSent()) << "no note";
    EXPECT_FALSE(panel.editor->rhythmDigitWait());
    panel.idle();
    EXPECT_FALSE(panel.editor->rhythmOverlayShown());
    EXPECT_FALSE(legendAttached(CLegendSet::kRhythmOverlay));
    for (int tag : {61, 63, 66, 68, 70, 73, 75})
        EXPECT_EQ(0, paneltest::keyShown(panel.screen(), *panel.editor, tag)) << "the keys under it again: " << tag;
}

TEST_F(PanelEditorTest, RhythmThenAKeyWithoutADigitPlaysIt)
{
    panel.click(panel.centreOf(KeyRhythm));
    panel.click(panel.centreOf(55));
    EXPECT_EQ((std::vector<Sent>{{55, 1.0f}, {55, 0.0f}}), panel.takeSent());
    EXPECT_FALSE(panel.editor->rhythmDigitWait());

    // The Mode switch ends the wait; in Cal the Rhythm button does nothing.
    panel.click(panel.centreOf(KeyRhythm));
    panel.click({805 + 20, 30}); // Rec
    EXPECT_FALSE(panel.editor->rhythmDigitWait());
    setMode(0.7f);
    panel.click(panel.centreOf(KeyRhythm));
    EXPECT_FALSE(panel.editor->rhythmDigitWait());
    EXPECT_TRUE(panel.takeSent().empty());
}

TEST_F(PanelEditorTest, ARhythmWaitEndsWhenTheHostLeavesPlayAndRec)
{
    panel.click(panel.centreOf(KeyRhythm));
    panel.idle();
    setMode(0.7f);
    panel.idle();
    EXPECT_FALSE(panel.editor->rhythmDigitWait());
    EXPECT_FALSE(panel.editor->rhythmOverlayShown());
    panel.click(panel.centreOf(67));
    EXPECT_EQ((std::vector<Sent>{{67, 1.0f}, {67, 0.0f}}), panel.takeSent()) << "the calculator gets the digit";
}

TEST_F(PanelEditorTest, KeysShowTheNotesTheVoiceReceives)
{
    CEditorNotices& notices = panel.quibo->editorNotices();
    panel.idle();
    notices.keyChanged(60, true);
    panel.idle();
    EXPECT_FLOAT_EQ(1.0f, panel.editor->key(60)->value());
    EXPECT_EQ(1, paneltest::keyShown(panel.screen(), *panel.editor, 60));
    notices.keyChanged(60, false);
    panel.idle();
    EXPECT_EQ(0, paneltest::keyShown(panel.screen(), *panel.editor, 60));

    // Pressed and released between two idles: shown once.
    notices.keyChanged(61, true);
    notices.keyChanged(61, false);
    panel.idle();
    EXPECT_EQ(1, paneltest::keyShown(panel.screen(), *panel.editor, 61));
    panel.idle();
    EXPECT_EQ(0, paneltest::keyShown(panel.screen(), *panel.editor, 61));

    // A note from the host's MIDI.
    testhost::sendMidi(*panel.plugin, 0, kStatusNoteOn, 64, 100);
    panel.process();
    panel.idle();
    EXPECT_EQ(1, paneltest::keyShown(panel.screen(), *panel.editor, 64));
    testhost::sendMidi(*panel.plugin, 0, kStatusNoteOff, 64, 0);
    panel.process();
    panel.idle();
    EXPECT_EQ(0, paneltest::keyShown(panel.screen(), *panel.editor, 64));

    // Only note keys and parameter controls follow notifications.
    panel.editor->setParameter(KeyReset, 1.0f);
    panel.editor->setParameter(30, 1.0f);
    EXPECT_FLOAT_EQ(0.0f, panel.editor->button(KeyReset)->value());
}

TEST_F(PanelEditorTest, SwitchesAndSlidersFollowTheHostAlsoAcrossAClose)
{
    panel.plugin->setParameter(kParamVolume, 0.3f);
    panel.plugin->setProgram(3);
    panel.process();
    panel.idle();
    EXPECT_FLOAT_EQ(0.3f, panel.editor->parameterControl(kParamVolume)->value());
    EXPECT_FLOAT_EQ(0.6f, panel.editor->parameterControl(kParamProgram)->value());
    EXPECT_TRUE(paneltest::showsFrame(panel.screen(), {712, 26, 788, 47}, 151, 3));

    // The slider moved back to the value the panel sent before the host
    // changed it: sent again.
    panel.click({412 + 16 + 31, 30});
    EXPECT_EQ((std::vector<Sent>{{kParamVolume, 0.5f}}), panel.takeSent());
    panel.plugin->setParameter(kParamVolume, 0.3f);
    panel.process();
    panel.idle();
    panel.click({412 + 16 + 31, 30});
    EXPECT_EQ((std::vector<Sent>{{kParamVolume, 0.5f}}), panel.takeSent());

    panel.editor->close();
    panel.plugin->setParameter(kParamBalance, 0.9f);
    panel.process();
    panel.editor->idle(); // closed: nothing happens
    EXPECT_NE(0u, panel.quibo->editorNotices().take().parameters & (1u << kParamBalance)) << "not taken";
    panel.reopen();
    EXPECT_FLOAT_EQ(0.9f, panel.editor->parameterControl(kParamBalance)->value());
}

TEST_F(PanelEditorTest, ABankLoadedByTheHostMovesTheSwitchesAndSliders)
{
    panel.plugin->setParameter(kParamVolume, 0.3f);
    panel.plugin->setProgram(4);
    panel.process();
    void* data = nullptr;
    const VstInt32 size = panel.plugin->getChunk(&data, false);
    const std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    panel.plugin->setParameter(kParamVolume, 0.9f);
    panel.plugin->setProgram(1);
    panel.process();
    panel.idle();
    EXPECT_FLOAT_EQ(0.2f, panel.editor->parameterControl(kParamProgram)->value());

    ASSERT_EQ(1, panel.plugin->setChunk(const_cast<unsigned char*>(bank.data()), size, false));
    panel.idle();
    EXPECT_FLOAT_EQ(0.8f, panel.editor->parameterControl(kParamProgram)->value()) << "stored at once";
    panel.process();
    panel.idle();
    EXPECT_FLOAT_EQ(0.3f, panel.editor->parameterControl(kParamVolume)->value());
}

TEST_F(PanelEditorTest, NoHoverHintForTwentyFiveIdlesAfterAChange)
{
    const CPoint overVolume{460, 40};
    panel.hover(overVolume);
    panel.idle();
    EXPECT_EQ(CLegendSet::kHintVolume, panel.editor->hoverHint());
    EXPECT_TRUE(legendShows(CLegendSet::kHintVolume, 1));

    panel.click(panel.centreOf(KeyTempoUp));
    panel.hover(overVolume);
    for (int i = 1; i < CPanelEditor::kHintHoldOff; ++i) {
        panel.idle();
        ASSERT_EQ(0, panel.editor->hoverHint()) << "idle " << i;
    }
    EXPECT_TRUE(legendShows(CLegendSet::kHintVolume, 0));
    panel.idle();
    EXPECT_EQ(CLegendSet::kHintVolume, panel.editor->hoverHint());
    EXPECT_TRUE(legendShows(CLegendSet::kHintVolume, 1));

    // Moving to another control: the old hint goes, the new one comes an idle later.
    panel.hover(panel.centreOf(KeyOneKey1));
    panel.idle();
    EXPECT_EQ(CLegendSet::kHintOneKey1, panel.editor->hoverHint());
    EXPECT_TRUE(legendShows(CLegendSet::kHintVolume, 0));
    panel.idle();
    EXPECT_TRUE(legendShows(CLegendSet::kHintOneKey1, 1));
    panel.hover({5, 5});
    panel.idle();
    EXPECT_EQ(0, panel.editor->hoverHint());
    EXPECT_TRUE(legendShows(CLegendSet::kHintOneKey1, 0));
}

TEST_F(PanelEditorTest, TheLcdCellsShowTheGlyphsOfTheDisplay)
{
    EXPECT_FLOAT_EQ(0.56875f, CLcdView::glyphValue('8'));
    EXPECT_FLOAT_EQ(0.775f, CLcdView::glyphValue(']'));
    EXPECT_FLOAT_EQ(0.0625f, CLcdView::glyphValue('0'));
    EXPECT_FLOAT_EQ(0.5f, CLcdView::glyphValue('m'));
    EXPECT_FLOAT_EQ(0.0f, CLcdView::glyphValue(' '));
    CLcdView& lcd = *panel.editor->lcd();
    ASSERT_TRUE(lcd.isReady());
    LcdContent content{};
    const char cells[] = "8]0_-~[9 ";
    for (int i = 0; i < 9; ++i)
        content.cells[i] = cells[i];
    content.marks[2] = 'm';
    content.dotMask = 0x81; // the points after cells 1 and 8
    lcd.render(content);
    panel.idle();
    EXPECT_EQ(9, lcd.cell(0)->frameIndex());
    EXPECT_EQ(12, lcd.cell(1)->frameIndex());
    EXPECT_EQ("8]0_-~[9.", paneltest::lcdText(panel.screen()));
    EXPECT_EQ(1, lcd.mark(2)->frameIndex());
    EXPECT_EQ(0, lcd.mark(3)->frameIndex());
    EXPECT_EQ(1, lcd.point(0)->frameIndex());
    EXPECT_EQ(0, lcd.point(1)->frameIndex());
    EXPECT_EQ(1, lcd.point(7)->frameIndex());
    EXPECT_TRUE(paneltest::showsFrame(panel.screen(), lcd.mark(2)->bounds(), 196, 1));
}

TEST_F(PanelEditorTest, OpeningInCalShowsTheCurrentNumber)
{
    setMode(0.7f);
    for (int key : {60, 62, 64}) {
        panel.quibo->panelNoteKey(key, 1.0f);
        panel.quibo->panelNoteKey(key, 0.0f);
    }
    panel.process();
    panel.reopen();
    panel.idle();
    const std::string shown = paneltest::lcdText(panel.screen());
    EXPECT_EQ(testhost::cellsOf(panel.quibo->displayModel().publishedContent()), shown);
    EXPECT_EQ("123", shown.substr(6));
    EXPECT_EQ(kModeCal, panel.editor->legendMode()) << "opened with Cal's legends";
    EXPECT_TRUE(legendShows(CLegendSet::kCalKeys, 1));

    // One more digit typed on the panel: the point after the last cell stays
    // lit over the redrawn cell.
    panel.click(panel.centreOf(65));
    panel.process();
    panel.idle();
    EXPECT_EQ(".....1234", paneltest::lcdText(panel.screen()));
    EXPECT_TRUE(paneltest::showsFrame(panel.screen(), panel.editor->lcd()->point(7)->bounds(), 188, 1));
}

TEST_F(PanelEditorTest, ArrowKeysMoveTheSliderClickedLastElseTheBalance)
{
    panel.click({412 + 16 + 31, 30}); // Volume to 0.5
    EXPECT_EQ((std::vector<Sent>{{kParamVolume, 0.5f}}), panel.takeSent());
    VstKeyCode right{0, VKEY_RIGHT, 0}, left{0, VKEY_LEFT, MODIFIER_SHIFT}, other{'a', 0, 0};
    EXPECT_TRUE(panel.editor->onKeyDown(right));
    EXPECT_TRUE(panel.editor->onKeyDown(left));
    std::vector<Sent> sent = panel.takeSent();
    ASSERT_EQ(1u, sent.size()) << "queued values of one parameter merge";
    EXPECT_EQ(kParamVolume, sent[0].index);
    EXPECT_NEAR(0.59f, sent[0].value, 1e-6f);
    EXPECT_FALSE(panel.editor->onKeyDown(other));

    panel.click(panel.centreOf(KeyTempoUp));
    panel.takeSent();
    EXPECT_TRUE(panel.editor->onKeyDown(right));
    sent = panel.takeSent();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(kParamBalance, sent[0].index);
    EXPECT_NEAR(0.6f, sent[0].value, 1e-6f);
}

TEST_F(PanelEditorTest, ModeChangesSwapTheLegendsAndRestoreThePlainPanel)
{
    panel.idle();
    const CPixelSurface inPlay = panel.screen();
    setMode(0.7f);
    panel.idle();
    EXPECT_EQ(kModeCal, panel.editor->legendMode());
    EXPECT_FALSE(legendAttached(CLegendSet::kHintVolume));
    for (int id : {CLegendSet::kCalButtons, CLegendSet::kCalKeys, CLegendSet::kCalMemoryPlus, CLegendSet::kHintMode})
        EXPECT_TRUE(legendAttached(id)) << id;
    for (int id : {CLegendSet::kCalButtons, CLegendSet::kCalKeys, CLegendSet::kCalMemoryPlus})
        EXPECT_TRUE(legendShows(id, 1)) << id;

    // A key pressed in Cal draws under the labels, which stay on top.
    panel.click(panel.centreOf(67), 50);
    panel.idle();
    EXPECT_TRUE(legendShows(CLegendSet::kCalKeys, 1));

    setMode(0.0f);
    panel.idle();
    for (int id : {CLegendSet::kCalButtons, CLegendSet::kCalKeys, CLegendSet::kCalMemoryPlus}) {
        EXPECT_FALSE(legendAttached(id));
        const CRect area = panel.editor->legends().view(id)->bounds();
        bool same = true;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                same = same && panel.screen().pixel(x, y) == inPlay.pixel(x, y);
        EXPECT_TRUE(same) << "the plain panel where legend " << id << " was";
    }
}

TEST_F(PanelEditorTest, AKeyPressedUnderTheOverlayShowsAgainWhenItGoes)
{
    panel.click(panel.centreOf(KeyRhythm));
    panel.idle();
    panel.quibo->editorNotices().keyChanged(61, true);
    panel.idle();
    EXPECT_TRUE(legendShows(CLegendSet::kRhythmOverlay, 1)) << "the overlay stays on top";
    panel.click(panel.centreOf(60)); // digit 1
    panel.idle();
    EXPECT_FALSE(panel.editor->rhythmOverlayShown());
    EXPECT_EQ(1, paneltest::keyShown(panel.screen(), *panel.editor, 61));
}

TEST_F(PanelEditorTest, RepeatedOpeningAndClosingLeavesNothingBehind)
{
    panel.editor->close();
    const int views = CPanelView::liveCount();
    const int bitmaps = CPanelBitmap::liveCount();
    for (int round = 0; round < 12; ++round) {
        setMode(round % 3 == 1 ? 0.7f : 0.0f);
        panel.reopen();
        panel.hover(panel.centreOf(kParamVolume));
        panel.click(panel.centreOf(KeyRhythm));
        panel.idle(2);
        panel.editor->close();
        EXPECT_EQ(views, CPanelView::liveCount()) << round;
        EXPECT_EQ(bitmaps, CPanelBitmap::liveCount()) << round;
    }
    panel.editor->idle();
    EXPECT_EQ(nullptr, panel.editor->frame());
}

TEST_F(PanelEditorTest, AButtonHeldAfterItsHintShowsItsPressedFrame)
{
    // The hint goes when the press changes the button; the redraw of the
    // hint's area must not leave the button's pressed frame undrawn.
    for (int tag = KeyReset; tag <= KeyOneKey2; ++tag) {
        panel.hover(panel.centreOf(tag));
        panel.idle(CPanelEditor::kHintHoldOff + 1);
        ASSERT_NE(0, panel.editor->hoverHint()) << tag;
        int heldIdles = 0, pressedShown = 0;
        paneltest::hostLog().onIdle = [&] {
            ++heldIdles;
            pressedShown += paneltest::keyShown(panel.screen(), *panel.editor, tag) == 1 ? 1 : 0;
        };
        panel.click(panel.centreOf(tag), 300);
        paneltest::hostLog().onIdle = nullptr;
        EXPECT_GT(heldIdles, 0) << tag;
        EXPECT_EQ(heldIdles, pressedShown) << "button " << tag;
        panel.idle();
        EXPECT_EQ(0, paneltest::keyShown(panel.screen(), *panel.editor, tag)) << tag;
        panel.takeSent();
    }
}

TEST_F(PanelEditorTest, HostChangesTogetherWithAModeChangeAreAllDrawn)
{
    struct Case {
        float fromMode;
        std::vector<std::pair<int, float>> changes;
    };
    const Case cases[] = {
        {0.7f, {{kParamVolume, 1.0f}, {kParamMode, 0.0f}, {kParamOctave, 1.0f}}}, // Cal to Play
        {0.0f, {{kParamVolume, 0.6f}, {kParamMode, 0.7f}}}, // Play to Cal
        {0.0f, {{kParamMode, 0.7f}, {kParamOctave, 0.0f}, {kParamBalance, 0.1f}}},
        {0.5f, {{kParamVolume, 0.2f}, {kParamMode, 0.0f}, {kParamProgram, 1.0f}}}, // Rec to Play
        {0.0f, {{kParamVolume, 0.3f}, {kParamMode, 1.0f}, {kParamOctave, 0.0f}}}, // Play to Off
    };
    for (const Case& c : cases) {
        setMode(c.fromMode);
        panel.idle();
        for (const auto& [index, value] : c.changes)
            panel.plugin->setParameter(index, value);
        panel.process();
        panel.idle();
        // What the idle drew is what a paint of the whole window shows.
        const CPixelSurface drawn = panel.screen();
        panel.window().sendPaint({0, 0, 882, 213});
        EXPECT_TRUE(drawn == panel.screen()) << "from mode " << c.fromMode << " to " << panel.quibo->mode() << ":"
                                             << viewsThatDiffer(*panel.editor->frame(), drawn, panel.screen());
        for (const auto& [index, value] : c.changes)
            EXPECT_FLOAT_EQ(panel.plugin->getParameter(index), panel.editor->parameterControl(index)->value()) << index;
    }
}

TEST_F(PanelEditorTest, TheLcdBlinksItsTickMarkInPlayAndRecOnly)
{
    struct Case {
        float mode;
        const char* cellZeroShown; // '.' blank, '-' the mark
    };
    for (const Case& c : {Case{0.0f, "-."}, Case{0.5f, "-."}, Case{0.7f, "."}}) {
        setMode(c.mode);
        std::set<char> shown;
        // About a second and a half: two cycles of 32 ticks at tempo 0.
        for (int i = 0; i < 130; ++i) {
            panel.process(512);
            panel.idle();
            shown.insert(paneltest::lcdText(panel.screen())[0]);
        }
        EXPECT_EQ(std::set<char>(c.cellZeroShown, c.cellZeroShown + std::strlen(c.cellZeroShown)), shown)
            << "mode " << c.mode;
    }
}

// Idles that find nothing to do make the following ones skip their pass until
// something changes: every kind of change still shows at the next idles, and
// an idle of the untouched panel draws nothing.
TEST_F(PanelEditorTest, AfterIdlesWithNothingToDoEachKindOfChangeStillShows)
{
    CEditorNotices& notices = panel.quibo->editorNotices();
    const CPoint overVolume{460, 40};
    struct Row {
        const char* what;
        std::function<void()> change;
        int idles;
        std::function<bool()> shown;
    };
    const std::vector<Row> rows = {
        {"the pointer over a control", [&] { panel.hover(overVolume); }, 1,
         [&] { return panel.editor->hoverHint() == CLegendSet::kHintVolume; }},
        {"its hint drawn", [] {}, 1, [&] { return legendShows(CLegendSet::kHintVolume, 1); }},
        {"a key the voice sounds", [&] { notices.keyChanged(60, true); }, 1,
         [&] { return paneltest::keyShown(panel.screen(), *panel.editor, 60) == 1; }},
        {"the key released", [&] { notices.keyChanged(60, false); }, 1,
         [&] { return paneltest::keyShown(panel.screen(), *panel.editor, 60) == 0; }},
        {"a key pressed and released between idles, shown",
         [&] {
             notices.keyChanged(61, true);
             notices.keyChanged(61, false);
         },
         1, [&] { return paneltest::keyShown(panel.screen(), *panel.editor, 61) == 1; }},
        {"that key up at the next idle", [] {}, 1,
         [&] { return paneltest::keyShown(panel.screen(), *panel.editor, 61) == 0; }},
        {"a key held", [&] { notices.keyChanged(62, true); }, 1,
         [&] { return paneltest::keyShown(panel.screen(), *panel.editor, 62) == 1; }},
        {"released, pressed and released again between idles: up at the second",
         [&] {
             notices.keyChanged(62, false);
             notices.keyChanged(62, true);
             notices.keyChanged(62, false);
         },
         2, [&] { return paneltest::keyShown(panel.screen(), *panel.editor, 62) == 0; }},
        {"a parameter the host set",
         [&] {
             panel.plugin->setParameter(kParamVolume, 0.8f);
             panel.process();
         },
         1, [&] { return panel.editor->parameterControl(kParamVolume)->value() == 0.8f; }},
        {"the mode the host set", [&] { setMode(static_cast<float>(kModeCal) / 3.0f); }, 1,
         [&] { return panel.editor->legendMode() == kModeCal && legendAttached(CLegendSet::kCalKeys); }},
        {"the LCD after a digit typed in Cal",
         [&] {
             // The key that types 1 in Cal, sent as the computer keyboard would.
             panel.quibo->noteKey(60, 1.0f);
             panel.process();
             panel.quibo->noteKey(60, 0.0f);
             panel.process();
         },
         1, [&] { return paneltest::lcdText(panel.screen()) == "........1"; }},
        {"a control's value set on the editor's thread", [&] { panel.editor->key(70)->setValue(1.0f); }, 1,
         [&] { return paneltest::keyShown(panel.screen(), *panel.editor, 70) == 1; }},
    };
    for (const Row& row : rows) {
        panel.idle(3);
        panel.window().resetPresented();
        panel.idle();
        EXPECT_EQ(0, panel.window().presentCount()) << "an untouched idle drew, before: " << row.what;
        row.change();
        panel.idle(row.idles);
        EXPECT_TRUE(row.shown()) << row.what;
    }
}

// A host that sleeps between idles (the standalone player) asks wantsIdle:
// false once idles found nothing to do, true from each kind of change until
// the idles after it have shown it, and all the while a key is shown down
// (its release may come at any time). The headless window has no descriptor
// to wait on.
TEST_F(PanelEditorTest, ASleepingHostIsToldWhenThePanelHasWork)
{
    CEditorNotices& notices = panel.quibo->editorNotices();
    EXPECT_EQ(-1, panel.editor->newsSource());
    struct Row {
        const char* what;
        std::function<void()> change;
        bool wantedAfterChange;
        bool wantedAfterIdles;
    };
    const std::vector<Row> rows = {
        {"nothing", [] {}, false, false},
        {"a key the voice sounds", [&] { notices.keyChanged(60, true); }, true, true},
        {"the key released", [&] { notices.keyChanged(60, false); }, true, false},
        {"a parameter the host set",
         [&] {
             panel.plugin->setParameter(kParamVolume, 0.3f);
             panel.process();
         },
         true, false},
        {"the pointer over a control",
         [&] {
             panel.hover({460, 40});
         },
         true, false},
    };
    for (const Row& row : rows) {
        panel.idle(3);
        row.change();
        EXPECT_EQ(row.wantedAfterChange, panel.editor->wantsIdle()) << "after " << row.what;
        panel.idle(40);
        EXPECT_EQ(row.wantedAfterIdles, panel.editor->wantsIdle()) << "idles after " << row.what;
    }
}
