// Every dispatcher request with a null pointer and out-of-range numbers: the
// instance answers without crashing and still plays afterwards.
#include "TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

namespace {

struct HostileArguments {
    VstInt32 index;
    VstIntPtr value;
    float opt;
};

const HostileArguments kHostile[] = {
    {0, 0, 0.0f},
    {-1, -1, -1.0f},
    {std::numeric_limits<VstInt32>::min(), std::numeric_limits<VstIntPtr>::min(),
     std::numeric_limits<float>::quiet_NaN()},
    {std::numeric_limits<VstInt32>::max(), std::numeric_limits<VstIntPtr>::max(),
     std::numeric_limits<float>::infinity()},
    {15, 6, -std::numeric_limits<float>::infinity()},
    {1 << 20, static_cast<VstIntPtr>(1) << 30, 1e30f},
    {99, 0x10000 + 2, 2e6f},
};

// Opcodes whose value field is a pointer by the interface: only a null
// pointer is a meaningful hostile value there.
bool valueIsAPointer(VstInt32 opcode)
{
    return opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement;
}

// Plays A4 for a tenth of a second; answers the loudest left sample, or NaN
// if any sample of either output is not finite.
float playNote(testhost::Instance& instance)
{
    testhost::sendMidi(*instance.plugin, 0, 0x90, 69, 100);
    float peak = 0.0f;
    for (int block = 0; block < 9; ++block) {
        instance.process(512);
        for (int i = 0; i < 512; ++i) {
            if (!std::isfinite(instance.left[i]) || !std::isfinite(instance.right[i]))
                return std::numeric_limits<float>::quiet_NaN();
            peak = std::max(peak, std::fabs(instance.left[i]));
        }
    }
    testhost::sendMidi(*instance.plugin, 0, 0x80, 69, 0);
    return peak;
}

TEST(HostileDispatch, EveryOpcodeSurvivesANullPointerAndHostileNumbers)
{
    testhost::Instance instance;
    instance.process(64);
    const float before = playNote(instance);
    ASSERT_GT(before, 0.01f);

    AEffect* effect = instance.plugin->getAeffect();
    std::vector<VstInt32> opcodes = {-1, std::numeric_limits<VstInt32>::min(), std::numeric_limits<VstInt32>::max()};
    for (VstInt32 opcode = 0; opcode <= 100; ++opcode) {
        if (opcode != effClose) // effClose destroys the instance; it has its own test
            opcodes.push_back(opcode);
    }
    for (const VstInt32 opcode : opcodes) {
        for (const HostileArguments& a : kHostile) {
            const VstIntPtr value = valueIsAPointer(opcode) ? 0 : a.value;
            effect->dispatcher(effect, opcode, a.index, value, nullptr, a.opt);
        }
        // Between the requests the instance keeps rendering.
        instance.process(16);
    }
    // The requests may have selected a program or a mode; play in Play.
    instance.plugin->setParameter(kParamMode, 0.0f);
    instance.plugin->setParameter(kParamVolume, 0.8f);
    instance.process(64);
    const float after = playNote(instance);
    EXPECT_TRUE(std::isfinite(after));
    EXPECT_GT(after, 0.01f);
    EXPECT_EQ(44100.0f, instance.quibo.sampleRateCopy());
}

TEST(HostileDispatch, TextRequestsWithHostileIndexesWriteOnlyTheirText)
{
    testhost::Instance instance;
    instance.process(0);
    AEffect* effect = instance.plugin->getAeffect();
    for (const VstInt32 opcode :
         {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName, effGetProgramNameIndexed}) {
        for (const HostileArguments& a : kHostile) {
            char text[256];
            std::fill(std::begin(text), std::end(text), '\x5A');
            effect->dispatcher(effect, opcode, a.index, a.value, text, a.opt);
            // Nothing written, or a terminated text of at most 24 characters
            // (the program name field).
            char* end = std::find(std::begin(text), std::end(text), '\0');
            if (end == std::end(text)) {
                EXPECT_EQ(std::end(text),
                          std::find_if(std::begin(text), std::end(text), [](char c) { return c != '\x5A'; }));
                continue;
            }
            EXPECT_LE(end - text, 24) << opcode << " index " << a.index;
            EXPECT_TRUE(std::all_of(end + 1, std::end(text), [](char c) { return c == '\x5A'; }))
                << opcode << " index " << a.index;
        }
    }
}

TEST(HostileDispatch, CloseWithHostileNumbersAnswersOneAndDestroys)
{
    for (const HostileArguments& a : kHostile) {
        CQuiboPlugin* plugin = testhost::makePlugin().plugin.release();
        AEffect* effect = plugin->getAeffect();
        EXPECT_EQ(1, effect->dispatcher(effect, effClose, a.index, a.value, nullptr, a.opt));
    }
}

} // namespace
