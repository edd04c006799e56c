// The computer keyboard as the panel's keys: the map in each mode, held and
// repeated keys, and the editor pressing the panel's keys with it as a click
// would (shown pressed, sent, typed on the calculator).
#include "CCalculator.h"
#include "CComputerKeyboard.h"
#include "CKeyButton.h"
#include "PanelCodes.h"
#include "PanelTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using paneltest::OpenPanel;
using Sent = OpenPanel::Sent;
constexpr int kNone = CComputerKeyboard::kNone;

CKeyCode character(char c, unsigned char modifier = 0)
{
    return CKeyCode{c, 0, modifier};
}

CKeyCode virtualKey(unsigned char virt)
{
    return CKeyCode{0, virt, 0};
}

TEST(ComputerKeyboardTest, MapsTheTwoRowsToNotesAndTheCalculatorKeysByMode)
{
    struct Row {
        int mode;
        CKeyCode key;
        int panelKey;
    };
    const Row rows[] = {
        {kModePlay, character('z'), 60},
        {kModePlay, character('Z', MODIFIER_SHIFT), 60},
        {kModePlay, character('s'), 61},
        {kModePlay, character('j'), 70},
        {kModePlay, character('m'), 71},
        {kModePlay, character(','), 72},
        {kModePlay, character('/'), 76},
        {kModePlay, character('q'), 72},
        {kModePlay, character('2'), 73},
        {kModePlay, character('7'), 82},
        {kModePlay, character('u'), 83},
        {kModePlay, character('a'), kNone},
        {kModePlay, character('1'), kNone},
        {kModePlay, virtualKey(VKEY_RETURN), kNone},
        {kModeRec, character('x'), 62},
        {kModeCal, character('0'), 59},
        {kModeCal, character('1'), 60},
        {kModeCal, character('9'), 74},
        {kModeCal, character('.'), CCalculator::KeyPoint},
        {kModeCal, character(','), CCalculator::KeyPoint},
        {kModeCal, character('+', MODIFIER_SHIFT), CCalculator::KeyAdd},
        {kModeCal, character('-'), CCalculator::KeySubtract},
        {kModeCal, character('*'), CCalculator::KeyMultiply},
        {kModeCal, character('/'), CCalculator::KeyDivide},
        {kModeCal, character('='), CCalculator::KeyEquals},
        {kModeCal, virtualKey(VKEY_RETURN), CCalculator::KeyEquals},
        {kModeCal, character('%'), CCalculator::KeyPercent},
        {kModeCal, virtualKey(VKEY_BACK), CCalculator::KeyClearEntry},
        {kModeCal, virtualKey(VKEY_ESCAPE), CCalculator::KeyAllClear},
        {kModeCal, character('z'), kNone},
        {kModeOff, character('z'), kNone},
        {kModeOff, character('1'), kNone},
        // The host's shortcuts.
        {kModePlay, character('z', MODIFIER_CONTROL), kNone},
        {kModeCal, character('1', MODIFIER_ALTERNATE), kNone},
        {kModePlay, virtualKey(VKEY_SPACE), kNone},
        {kModePlay, character(' '), kNone},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.panelKey, CComputerKeyboard::panelKey(row.key, row.mode))
            << "mode " << row.mode << ", character " << row.key.character << ", virtual " << int(row.key.virt);
}

TEST(ComputerKeyboardTest, ARepeatTakesNothingAndAReleaseLetsGoOfWhatThePressTook)
{
    CComputerKeyboard keyboard;
    EXPECT_EQ(60, keyboard.press(character('z'), kModePlay));
    EXPECT_EQ(CComputerKeyboard::kHeld, keyboard.press(character('z'), kModePlay)) << "the system's repeat";
    EXPECT_EQ(CComputerKeyboard::kHeld, keyboard.press(character('Z', MODIFIER_SHIFT), kModeCal))
        << "the same key, Shift pressed while it is held";
    EXPECT_EQ(kNone, keyboard.press(character('a'), kModePlay));
    EXPECT_EQ(60, keyboard.release(character('z'))) << "the note, though the mode changed meanwhile";
    EXPECT_EQ(kNone, keyboard.release(character('z')));
    EXPECT_EQ(kNone, keyboard.release(character('a')));

    EXPECT_EQ(72, keyboard.press(character('q'), kModePlay));
    EXPECT_EQ(CCalculator::KeyAllClear, keyboard.press(virtualKey(VKEY_ESCAPE), kModeCal));
    std::vector<int> released;
    for (int key = keyboard.releaseAny(); key != kNone; key = keyboard.releaseAny())
        released.push_back(key);
    EXPECT_EQ((std::vector<int>{CCalculator::KeyAllClear, 72}), released);
}

class ComputerKeyboardPanelTest : public ::testing::Test {
protected:
    void setMode(float value)
    {
        panel.plugin->setParameter(kParamMode, value);
        panel.process();
        panel.takeSent();
    }
    bool down(char c, unsigned char modifier = 0)
    {
        VstKeyCode key{c, 0, modifier};
        return panel.editor->onKeyDown(key);
    }
    bool up(char c, unsigned char modifier = 0)
    {
        VstKeyCode key{c, 0, modifier};
        return panel.editor->onKeyUp(key);
    }
    void type(const std::string& keys)
    {
        for (char c : keys) {
            down(c);
            up(c);
            panel.process();
            panel.idle();
        }
    }

    OpenPanel panel;
};

TEST_F(ComputerKeyboardPanelTest, AKeyPlaysAndShowsItsNoteAsAClickWouldAndShortcutsStayTheHosts)
{
    EXPECT_TRUE(down('z'));
    EXPECT_TRUE(down('z')) << "a repeat is used, and sends nothing";
    EXPECT_EQ((std::vector<Sent>{{60, 1.0f}}), panel.takeSent());
    panel.process();
    panel.idle();
    EXPECT_EQ(1, paneltest::keyShown(panel.screen(), *panel.editor, 60));
    EXPECT_TRUE(up('z'));
    EXPECT_EQ((std::vector<Sent>{{60, 0.0f}}), panel.takeSent());
    panel.process();
    panel.idle();
    EXPECT_EQ(0, paneltest::keyShown(panel.screen(), *panel.editor, 60));

    EXPECT_FALSE(down('z', MODIFIER_CONTROL));
    EXPECT_FALSE(down(' '));
    EXPECT_FALSE(down('a'));
    EXPECT_TRUE(panel.takeSent().empty());

    // A key held when the panel closes is let go.
    EXPECT_TRUE(down('u'));
    panel.editor->close();
    EXPECT_EQ((std::vector<Sent>{{83, 1.0f}, {83, 0.0f}}), panel.takeSent());
}

TEST_F(ComputerKeyboardPanelTest, RhythmThenADigitKeyPlayedFromTheKeyboardPicksTheRhythm)
{
    panel.click(panel.centreOf(KeyRhythm));
    panel.takeSent();
    EXPECT_TRUE(down('c')); // E4, the digit 3
    up('c');
    EXPECT_EQ((std::vector<Sent>{{KeyRhythm, 0.3f}}), panel.takeSent());
}

TEST_F(ComputerKeyboardPanelTest, CalculatorTypedFromTheKeyboardShowsItsResult)
{
    setMode(0.7f);
    type("12+30=");
    EXPECT_EQ(".......42", paneltest::lcdText(panel.screen()));
    type("*2");
    VstKeyCode enter{0, VKEY_RETURN, 0};
    panel.editor->onKeyDown(enter);
    panel.editor->onKeyUp(enter);
    panel.process();
    panel.idle();
    EXPECT_EQ(".......84", paneltest::lcdText(panel.screen()));
    VstKeyCode escape{0, VKEY_ESCAPE, 0};
    panel.editor->onKeyDown(escape);
    panel.editor->onKeyUp(escape);
    panel.process();
    panel.idle();
    EXPECT_EQ("........0", paneltest::lcdText(panel.screen()));
}

// A host passes the keys the panel has while it has the focus; the answer
// tells it whether the plug-in used the key.
TEST_F(ComputerKeyboardPanelTest, KeysAHostPassesPlayAndItsShortcutsAreLeftToIt)
{
    CQuiboPlugin& plugin = *panel.plugin;
    EXPECT_EQ(1, plugin.dispatcher(effEditKeyDown, 'q', 0, nullptr, 0.0f));
    EXPECT_EQ(1, plugin.dispatcher(effEditKeyUp, 'q', 0, nullptr, 0.0f));
    EXPECT_EQ((std::vector<Sent>{{72, 1.0f}, {72, 0.0f}}), panel.takeSent());
    EXPECT_EQ(0, plugin.dispatcher(effEditKeyDown, 'q', 0, nullptr, static_cast<float>(MODIFIER_CONTROL)));
    EXPECT_EQ(0, plugin.dispatcher(effEditKeyDown, 'z', 0, nullptr, static_cast<float>(MODIFIER_ALTERNATE)));
    EXPECT_EQ(0, plugin.dispatcher(effEditKeyDown, ' ', VKEY_SPACE, nullptr, 0.0f));
    EXPECT_EQ(0, plugin.dispatcher(effEditKeyDown, 'k', 0, nullptr, 0.0f)) << "no key of the panel's";
    EXPECT_TRUE(panel.takeSent().empty());
}

} // namespace
