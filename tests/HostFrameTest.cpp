// The plug-in object's frame: number-to-text conversions, block processing
// order, the command queue and the tempo clock.
#include "CCommandQueue.h"
#include "CTempoClock.h"
#include "DebugTrace.h"
#include "PanelTestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

std::string floatText(AudioEffect& effect, float value)
{
    char text[32] = {};
    effect.float2string(value, text);
    return text;
}

std::string longText(AudioEffect& effect, VstInt32 value)
{
    char text[32] = {};
    effect.long2string(value, text);
    return text;
}

TEST(NumberText, FloatToStringKeepsEightCharacters)
{
    testhost::Instance instance;
    AudioEffect& effect = *instance.plugin;
    EXPECT_EQ("0.000000", floatText(effect, 0.0f));
    EXPECT_EQ("12.50000", floatText(effect, 12.5f));
    EXPECT_EQ("-50.0000", floatText(effect, -50.0f));
    EXPECT_EQ("50.00000", floatText(effect, 50.0f));
    EXPECT_EQ("-0.50000", floatText(effect, -0.5f));
    EXPECT_EQ("Huge!", floatText(effect, -10000000.0f));
    EXPECT_EQ("Huge!", floatText(effect, 100000000.0f));
}

TEST(NumberText, LongToStringRightAlignsInSeven)
{
    testhost::Instance instance;
    AudioEffect& effect = *instance.plugin;
    EXPECT_EQ("      5", longText(effect, 5));
    EXPECT_EQ("     -9", longText(effect, -9));
    EXPECT_EQ("Huge!", longText(effect, 100000000));
    EXPECT_EQ("99999999", longText(effect, 99999999));
}

TEST(NumberText, DecibelsOfZeroAreMinusInfinity)
{
    testhost::Instance instance;
    char text[32];
    instance.plugin->dB2string(0.0f, text);
    EXPECT_STREQ("-oo", text);
    instance.plugin->dB2string(1.0f, text);
    EXPECT_STREQ("0.000000", text);
}

TEST(BlockProcessing, NewInstrumentStartsInPlayWithTheDefaults)
{
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    CQuibo& quibo = instance.quibo;
    // The start-up values are applied when the instrument is made, before any block.
    EXPECT_FLOAT_EQ(0.8f, plugin.getParameter(kParamVolume));
    EXPECT_EQ(kModePlay, quibo.mode());
    EXPECT_TRUE(quibo.commandQueue().isEmpty());
    instance.process(64);
    EXPECT_EQ(kModePlay, quibo.mode());
    EXPECT_FLOAT_EQ(0.8f, plugin.getParameter(kParamVolume));
    EXPECT_FLOAT_EQ(0.5f, plugin.getParameter(kParamBalance));
    EXPECT_FLOAT_EQ(0.51f, plugin.getParameter(kParamOctave));
    EXPECT_FLOAT_EQ(0.725f, plugin.getParameter(kParamTempo));
    EXPECT_FLOAT_EQ(0.5f, plugin.getParameter(kParamTune));
    EXPECT_EQ(4.0f, quibo.tempoClock().tempo());
    EXPECT_EQ(0, plugin.getProgram());
    EXPECT_TRUE(quibo.commandQueue().isEmpty());
}

// What a host gives a new instrument before its first block is kept: a bank
// (its program and edits are not undone by start-up values) and MIDI.
TEST(BlockProcessing, WhatComesBeforeTheFirstBlockIsKept)
{
    testhost::Instance source;
    source.process(0);
    source.plugin->setProgram(4);
    source.plugin->setParameter(kParamAttack, 0.7f);
    source.process(64);
    void* data = nullptr;
    const VstInt32 size = source.plugin->getChunk(&data, false);
    const std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);

    testhost::Instance restored;
    ASSERT_EQ(1, restored.plugin->setChunk(const_cast<unsigned char*>(bank.data()), size, false));
    restored.process(64);
    EXPECT_EQ(4, restored.plugin->getProgram());
    EXPECT_FLOAT_EQ(0.7f, restored.plugin->getParameter(kParamAttack));

    testhost::Instance played;
    testhost::sendMidi(*played.plugin, 10, 0x90, 69, 100);
    played.process(512);
    float peak = 0.0f;
    for (int i = 0; i < 512; ++i)
        peak = std::max(peak, std::fabs(played.left[static_cast<size_t>(i)]));
    EXPECT_GT(peak, 0.01f) << "a note sent before the first block sounds in it";
}

TEST(BlockProcessing, CalAndOffGiveSilenceAndLeaveEventsQueued)
{
    for (const float modeValue : {0.7f, 1.0f}) {
        testhost::Instance instance;
        instance.plugin->setParameter(kParamMode, modeValue);
        instance.process(0);
        VstMidiEvent note{};
        note.type = kVstMidiType;
        note.byteSize = sizeof note;
        note.deltaFrames = 3;
        note.midiData[0] = static_cast<char>(0x90);
        note.midiData[1] = 60;
        note.midiData[2] = 100;
        instance.quibo.eventManager().AddEvent(note);
        instance.process(512);
        for (int i = 0; i < 512; ++i) {
            ASSERT_EQ(0.0f, instance.left[static_cast<size_t>(i)]) << i;
            ASSERT_EQ(0.0f, instance.right[static_cast<size_t>(i)]) << i;
        }
        EXPECT_EQ(123.0f, instance.left[512]); // nothing written past the block
        EXPECT_EQ(1, instance.quibo.eventManager().count());
    }
}

TEST(BlockProcessing, EmptyBlockInPlayStillDrainsTheQueue)
{
    testhost::Instance instance;
    instance.process(0);
    ASSERT_EQ(kModePlay, instance.quibo.mode());
    instance.plugin->setParameter(kParamVolume, 0.25f);
    instance.process(0);
    EXPECT_EQ(0.25f, instance.plugin->getParameter(kParamVolume));
}

TEST(BlockProcessing, SecondValueForAnIndexTakesTheFirstsPlace)
{
    CCommandQueue queue;
    EXPECT_EQ(1, queue.push({2, 0.1f}));
    EXPECT_EQ(1, queue.push({3, 0.2f}));
    EXPECT_EQ(1, queue.push({2, 0.9f}));
    CCommandQueue::Command command{};
    ASSERT_EQ(1, queue.pop(command));
    EXPECT_EQ(2, command.index);
    EXPECT_EQ(0.9f, command.value);
    ASSERT_EQ(1, queue.pop(command));
    EXPECT_EQ(3, command.index);
    EXPECT_EQ(0, queue.pop(command));
}

TEST(BlockProcessing, SettingTwiceBeforeABlockAppliesTheSecondValue)
{
    testhost::Instance instance;
    instance.process(0);
    instance.plugin->setParameter(kParamBalance, 0.1f);
    instance.plugin->setParameter(kParamBalance, 1.5f);
    instance.process(0);
    EXPECT_EQ(1.0f, instance.plugin->getParameter(kParamBalance));
}

// Key presses and releases are all kept, in order, up to the capacity; a
// parameter always finds its place, however many keys wait.
TEST(CommandQueue, KeysAreKeptInOrderAndParametersAreNeverCrowdedOut)
{
    CCommandQueue queue;
    for (int i = 0; i < CCommandQueue::kCapacity; ++i)
        ASSERT_EQ(1, queue.push({84 + i % 10, static_cast<float>(i % 2)}));
    EXPECT_EQ(0, queue.push({85, 1.0f}));
    EXPECT_EQ(1, queue.push({2, 0.25f}));
    EXPECT_EQ(1, queue.push({2, 0.5f}));
    EXPECT_EQ(CCommandQueue::kCapacity + 1, queue.count());
    CCommandQueue::Command command{};
    for (int i = 0; i < CCommandQueue::kCapacity; ++i) {
        ASSERT_EQ(1, queue.pop(command));
        ASSERT_EQ(84 + i % 10, command.index);
        ASSERT_EQ(static_cast<float>(i % 2), command.value);
    }
    ASSERT_EQ(1, queue.pop(command));
    EXPECT_EQ(2, command.index);
    EXPECT_EQ(0.5f, command.value);
    EXPECT_EQ(0, queue.pop(command));
    EXPECT_EQ(1, queue.push({85, 1.0f}));
}

TEST(SampleRate, BlockSizeAndRateRequestStoresWithoutTheWork)
{
    testhost::Instance instance;
    AEffect* effect = instance.plugin->getAeffect();
    EXPECT_EQ(1, effect->dispatcher(effect, effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f));
    EXPECT_EQ(256, instance.plugin->getBlockSize());
    EXPECT_EQ(48000.0f, instance.plugin->getSampleRate());
    EXPECT_EQ(44100.0f, instance.quibo.sampleRateCopy());
    EXPECT_FLOAT_EQ(1.0f / 44100.0f, instance.quibo.tempoClock().increment());

    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(48000.0f, instance.quibo.sampleRateCopy());
    EXPECT_FLOAT_EQ(1.0f / 48000.0f, instance.quibo.tempoClock().increment());
}

// A rate the engine refuses changes nothing: neither the reported rate nor
// the one-second and memory-left beeps, which count in host frames.
TEST(SampleRate, RefusedRateLeavesTheRateAndTheDeleteBeepAsTheyWere)
{
    for (const float refused :
         {2e6f, 0.0f, -48000.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        testhost::Panel panel;
        AEffect* effect = panel.plugin->getAeffect();
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, refused);
        EXPECT_EQ(48000.0f, panel.plugin->getSampleRate()) << refused;
        EXPECT_EQ(48000.0f, panel.quibo.sampleRateCopy()) << refused;
        EXPECT_FLOAT_EQ(1.0f / 48000.0f, panel.quibo.tempoClock().increment()) << refused;
        panel.setMode(0.5f);
        for (int note = 60; note < 65; ++note)
            panel.tapNote(note);
        panel.process(64);
        panel.functionKey(KeyDelete);
        // 190 events left: 190 x 48000 x 0.005 (single precision) + 100, truncated.
        EXPECT_EQ(45699, panel.quibo.eventManager().deltaFramesOffset()) << refused;
    }
}

TEST(TempoClock, PeriodsFollowTheTempoStep)
{
    CTempoClock clock;
    EXPECT_EQ(4.0f, clock.tempo());
    EXPECT_FLOAT_EQ(0.0104f, clock.period());
    EXPECT_EQ(-9.0f, clock.setTempo(-9.0f));
    EXPECT_FLOAT_EQ(0.02314f, clock.period());
    clock.setTempo(0.0f);
    EXPECT_FLOAT_EQ(0.01432f, clock.period());
    clock.setTempo(9.0f);
    EXPECT_FLOAT_EQ(0.0055f, clock.period());
    EXPECT_EQ(9.0f, clock.setTempo(30.0f));
    EXPECT_EQ(-9.0f, clock.setTempo(-30.0f));
}

} // namespace

namespace {

std::string lastTraceLine;
int traceLines = 0;

void captureTrace(const char* line)
{
    lastTraceLine = line;
    ++traceLines;
}

TEST(DebugTrace, SendsFormattedLinesAndDropsOnesThatDoNotFit)
{
    setDebugTraceSink(captureTrace);
    traceLines = 0;
    debugTrace("Program change: %02x\n", 7);
    EXPECT_EQ("Program change: 07\n", lastTraceLine);
    const std::string longText(600, 'x');
    debugTrace("%s\n", longText.c_str());
    EXPECT_EQ(1, traceLines);
    const std::string fits(510, 'y');
    debugTrace("%s\n", fits.c_str());
    EXPECT_EQ(2, traceLines);
    setDebugTraceSink(nullptr);
}

} // namespace
