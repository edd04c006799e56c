// The whole instrument driven like a host drives it: MIDI timing, programs
// from MIDI, the output gains and the two processing calls.
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testhost::sendMidi;

// Renders blocks of 64 after a note-on at delta, sent with the given
// byteSize; answers the index of the first non-zero left sample counted from
// the note's block.
int firstSoundAfterNoteAt(int delta, VstInt32 byteSize = sizeof(VstMidiEvent))
{
    testhost::Instance instance;
    instance.process(64);
    sendMidi(*instance.plugin, delta, 0x90, 69, 100, byteSize);
    std::vector<float> left;
    for (int block = 0; block < 8; ++block) {
        instance.process(64);
        left.insert(left.end(), instance.left.begin(), instance.left.begin() + 64);
    }
    for (size_t i = 0; i < left.size(); ++i) {
        if (left[i] != 0.0f)
            return static_cast<int>(i);
    }
    return -1;
}

TEST(PluginPlayback, NoteStartsAtItsDeltaFrame)
{
    const int at37 = firstSoundAfterNoteAt(37);
    const int at38 = firstSoundAfterNoteAt(38);
    ASSERT_GT(at37, 37);
    EXPECT_EQ(at37 + 1, at38);
}

// Hosts write 24 (the published size without type and byteSize) or 32 (the
// whole record); both notes sound, at the same sample.
TEST(PluginPlayback, NotesSoundAtTheirSampleWhateverTheByteSizeSays)
{
    for (const int delta : {0, 37, 38}) {
        const int whole = firstSoundAfterNoteAt(delta, 32);
        ASSERT_GT(whole, delta) << delta;
        EXPECT_EQ(whole, firstSoundAfterNoteAt(delta, 24)) << delta;
    }
}

TEST(PluginPlayback, ProgramChangeSevenSelectsTheLastProgram)
{
    testhost::Instance instance;
    instance.process(64);
    sendMidi(*instance.plugin, 0, 0xC0, 7, 0);
    instance.process(64);
    instance.process(0);
    EXPECT_EQ(5, instance.plugin->getProgram());
    sendMidi(*instance.plugin, 0, 0xC0, 2, 0);
    instance.process(64);
    instance.process(0);
    EXPECT_EQ(2, instance.plugin->getProgram());
}

TEST(PluginPlayback, VelocityZeroReleasesAndOtherChannelsAreIgnored)
{
    testhost::Instance instance;
    instance.process(64);
    sendMidi(*instance.plugin, 0, 0x92, 60, 100); // channel 3: nobody listens
    instance.process(64);
    EXPECT_EQ(0, instance.quibo.voice().Stage());
    sendMidi(*instance.plugin, 0, 0x90, 60, 100);
    instance.process(64);
    EXPECT_NE(0, instance.quibo.voice().Stage());
    sendMidi(*instance.plugin, 0, 0x90, 60, 0);
    instance.process(4096);
    EXPECT_EQ(4, instance.quibo.voice().Stage()); // releasing
}

TEST(PluginPlayback, AccumulatingProcessOverwritesLikeReplacing)
{
    testhost::Instance a, b;
    for (testhost::Instance* instance : {&a, &b}) {
        instance->process(0);
        sendMidi(*instance->plugin, 5, 0x90, 64, 90);
        sendMidi(*instance->plugin, 0, 0xB0, 80, 4); // rhythm pattern 4
        sendMidi(*instance->plugin, 0, 0xB0, 81, 0);
    }
    std::vector<float> left(512, 0.25f), right(512, 0.25f);
    float* outputs[2] = {left.data(), right.data()};
    for (int block = 0; block < 20; ++block) {
        a.process(512);
        b.plugin->process(nullptr, outputs, 512);
        for (int i = 0; i < 512; ++i) {
            ASSERT_EQ(a.left[static_cast<size_t>(i)], left[static_cast<size_t>(i)]);
            ASSERT_EQ(a.right[static_cast<size_t>(i)], right[static_cast<size_t>(i)]);
        }
    }
}

// The rhythm output at Balance 1.0 is a quarter of Volume; at 0.5 a half.
TEST(PluginPlayback, BalanceMovesTheTwoGainsApart)
{
    float peaks[2] = {};
    const float balances[2] = {0.5f, 1.0f};
    for (int k = 0; k < 2; ++k) {
        testhost::Instance instance;
        instance.plugin->setParameter(kParamVolume, 1.0f);
        instance.plugin->setParameter(kParamBalance, balances[k]);
        instance.process(0);
        sendMidi(*instance.plugin, 0, 0x91, 62, 127); // low bleep at full velocity
        for (int block = 0; block < 4; ++block) {
            instance.process(512);
            for (int i = 0; i < 512; ++i)
                peaks[k] = std::max(peaks[k], std::fabs(instance.right[static_cast<size_t>(i)]));
        }
    }
    EXPECT_FLOAT_EQ(0.5f, peaks[0]);
    EXPECT_FLOAT_EQ(0.25f, peaks[1]);
}

} // namespace
