// The fifteen parameters: names, labels, display texts and how applied values
// are clamped and stored.
#include "CommaLocale.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

class ParameterTest : public ::testing::Test {
protected:
    void SetUp() override { instance.process(0); }

    std::string display(VstInt32 index)
    {
        char text[64] = {};
        instance.plugin->getParameterDisplay(index, text);
        return text;
    }
    std::string apply(VstInt32 index, float value)
    {
        instance.plugin->setParameter(index, value);
        instance.process(0);
        return display(index);
    }

    testhost::Instance instance;
};

TEST_F(ParameterTest, NamesArePaddedToThirteenCharactersAndLabelsFollowTheUnit)
{
    char text[64];
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        instance.plugin->getParameterName(i, text);
        EXPECT_EQ(13u, std::string(text).size()) << i;
    }
    instance.plugin->getParameterName(9, text);
    EXPECT_STREQ("Sustain level", text);
    instance.plugin->getParameterName(15, text);
    EXPECT_STREQ("", text);
    instance.plugin->getParameterLabel(2, text);
    EXPECT_STREQ("dB", text);
    instance.plugin->getParameterLabel(5, text);
    EXPECT_STREQ("%", text);
    instance.plugin->getParameterLabel(6, text);
    EXPECT_STREQ("", text);
    EXPECT_EQ("", display(15));
    EXPECT_EQ(0.0f, instance.plugin->getParameter(15));
    EXPECT_EQ(0.0f, instance.plugin->getParameter(-1));
}

TEST_F(ParameterTest, DisplayTextsOfTheExampleValues)
{
    EXPECT_EQ("0.000000", apply(kParamVolume, 1.5f));
    EXPECT_EQ(1.0f, instance.plugin->getParameter(kParamVolume));
    EXPECT_EQ("-oo", apply(kParamVolume, 0.0f));
    EXPECT_EQ("25.00000", apply(kParamBalance, 0.75f));
    EXPECT_EQ("-50.0000", apply(kParamTune, 0.0f));
    EXPECT_EQ("      4", apply(kParamTempo, 0.725f));
    EXPECT_EQ(4.0f, instance.quibo.tempoClock().tempo());
    EXPECT_EQ("      9", apply(kParamTempo, 1.0f));
    EXPECT_EQ("     -9", apply(kParamTempo, 0.0f));
    EXPECT_EQ(-9.0f, instance.quibo.tempoClock().tempo());
    EXPECT_EQ("Electro 3", apply(kParamSound, 1.0f));
    EXPECT_EQ("  Piano  ", apply(kParamSound, 0.05f));
    EXPECT_EQ("      9", apply(kParamAttack, 1.0f));
    EXPECT_EQ("      4", apply(kParamAttack, 0.5f));
    EXPECT_EQ("Middle", apply(kParamOctave, 0.5f));
    EXPECT_EQ("Low", apply(kParamOctave, 0.49f));
    EXPECT_EQ("High", apply(kParamOctave, 1.0f));
}

TEST_F(ParameterTest, ModeAndProgramFollowTheirSteps)
{
    EXPECT_EQ("Rec", apply(kParamMode, 0.5f));
    EXPECT_EQ(kModeRec, instance.quibo.mode());
    EXPECT_EQ("Cal", apply(kParamMode, 0.999f));
    EXPECT_EQ(kModeCal, instance.quibo.mode());
    EXPECT_EQ("Off", apply(kParamMode, 1.0f));
    EXPECT_EQ(kModeOff, instance.quibo.mode());
    EXPECT_EQ("Fantasy", apply(kParamProgram, 0.2f));
    EXPECT_EQ(1, instance.plugin->getProgram());
    EXPECT_EQ("ADSR", apply(kParamProgram, 1.0f));
    EXPECT_EQ(5, instance.plugin->getProgram());
}

TEST_F(ParameterTest, SelectingAProgramQueuesItsSound)
{
    apply(kParamProgram, 0.4f); // Violin
    EXPECT_FLOAT_EQ(0.2f, instance.plugin->getParameter(kParamSound));
    EXPECT_FLOAT_EQ(0.3f, instance.plugin->getParameter(kParamAttack));
    EXPECT_EQ(" Violin  ", display(kParamSound));
    // A sound edit stays with the program it was made on.
    apply(kParamTremolo, 0.7f);
    apply(kParamProgram, 0.0f);
    EXPECT_EQ(0.0f, instance.plugin->getParameter(kParamTremolo));
    apply(kParamProgram, 0.4f);
    EXPECT_FLOAT_EQ(0.7f, instance.plugin->getParameter(kParamTremolo));
}

TEST_F(ParameterTest, NotANumberAndInfinitiesNeverReachAStep)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ("     -9", apply(kParamTempo, nan));
    EXPECT_EQ(0.0f, instance.plugin->getParameter(kParamTempo));
    EXPECT_EQ("      9", apply(kParamTempo, inf));
    EXPECT_EQ("-oo", apply(kParamVolume, -inf));
    EXPECT_EQ("  Piano  ", apply(kParamSound, nan));
    EXPECT_EQ("Play", apply(kParamMode, nan));
    EXPECT_EQ("Piano", apply(kParamProgram, nan));
    for (VstInt32 i = 0; i < kNumParams; ++i)
        EXPECT_FALSE(std::isnan(instance.plugin->getParameter(i))) << i;
}

TEST_F(ParameterTest, TextIsReadAsANumberOrZero)
{
    char text[] = "0.75";
    EXPECT_TRUE(instance.plugin->string2parameter(kParamBalance, text));
    instance.process(0);
    EXPECT_EQ("25.00000", display(kParamBalance));
    EXPECT_TRUE(instance.plugin->string2parameter(kParamBalance, nullptr));
    instance.process(0);
    EXPECT_EQ(0.75f, instance.plugin->getParameter(kParamBalance));
    char words[] = "loud";
    instance.plugin->string2parameter(kParamVolume, words);
    instance.process(0);
    EXPECT_EQ(0.0f, instance.plugin->getParameter(kParamVolume));
}

// A host may run with a locale that writes decimal commas; typed values and
// display texts still use the point.
TEST_F(ParameterTest, TypedValuesAndTextsIgnoreTheLocale)
{
    testhost::CommaLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    char text[] = "0.75";
    EXPECT_TRUE(instance.plugin->string2parameter(kParamBalance, text));
    instance.process(0);
    EXPECT_EQ(0.75f, instance.plugin->getParameter(kParamBalance));
    EXPECT_EQ("25.00000", display(kParamBalance));
    char spaced[] = "  +2.5e-1 dB";
    instance.plugin->string2parameter(kParamVolume, spaced);
    instance.process(0);
    EXPECT_EQ(0.25f, instance.plugin->getParameter(kParamVolume));
    EXPECT_EQ("-12.0412", display(kParamVolume));
}

TEST_F(ParameterTest, ValuesSetBeforeABlockAreNotYetApplied)
{
    instance.plugin->setParameter(kParamVolume, 0.3f);
    EXPECT_FLOAT_EQ(0.8f, instance.plugin->getParameter(kParamVolume));
    instance.process(1);
    EXPECT_FLOAT_EQ(0.3f, instance.plugin->getParameter(kParamVolume));
}

} // namespace

namespace {

int displayUpdates = 0;

VstIntPtr VSTCALLBACK countingHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterUpdateDisplay)
        ++displayUpdates;
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The host hears of every program selection: from the request that made it,
// or, when a block applied it, at the host's next request (never from the
// audio thread).
TEST(ProgramSelection, TellsTheHostOncePerSelection)
{
    testhost::PluginOnQuibo made = testhost::makePlugin(countingHost);
    CQuiboPlugin& plugin = *made.plugin;
    AEffect* effect = plugin.getAeffect();
    float left[16], right[16];
    float* outputs[2] = {left, right};
    plugin.processReplacing(nullptr, outputs, 16);
    effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f);
    displayUpdates = 0;
    plugin.setProgram(3);
    EXPECT_EQ(1, displayUpdates);
    plugin.processReplacing(nullptr, outputs, 16);
    effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(1, displayUpdates);
    plugin.setParameter(kParamProgram, 0.4f);
    plugin.processReplacing(nullptr, outputs, 16);
    EXPECT_EQ(1, displayUpdates);
    effect->dispatcher(effect, effProcessEvents, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(1, displayUpdates);
    EXPECT_EQ(2, effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f));
    EXPECT_EQ(2, displayUpdates);
}

} // namespace
