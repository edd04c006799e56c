// Programs and chunks: the bank image, its round trip into a fresh instance,
// refused and hostile chunks, program chunks and the user sound.
#include "ByteOrder.h"
#include "PanelTestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr float kRec = 0.5f, kCal = 0.7f;

std::vector<unsigned char> bankOf(CQuiboPlugin& plugin)
{
    void* data = nullptr;
    const VstInt32 size = plugin.getChunk(&data, false);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

TEST(Chunks, FreshBankHasTheMarkerAndProgramZero)
{
    testhost::Instance instance;
    const std::vector<unsigned char> bank = bankOf(*instance.plugin);
    ASSERT_EQ(static_cast<size_t>(CQuibo::kSavedBankSize), bank.size());
    EXPECT_EQ(1000, byteorder::getInt32(bank.data()));
    EXPECT_EQ(0, byteorder::getInt32(bank.data() + 4));
}

TEST(Chunks, BankRestoresThePanelIntoAFreshInstance)
{
    testhost::Panel source;
    source.setMode(kCal);
    source.typeDigits("98765432");
    source.functionKey(KeyOneKey1, 1.0f); // memory plus
    source.setMode(kRec);
    for (int note : {60, 64, 67})
        source.tapNote(note);
    source.plugin->setParameter(kParamVolume, 0.3f);
    source.plugin->setParameter(kParamTempo, 0.9f);
    source.process(0);
    const std::vector<unsigned char> bank = bankOf(*source.plugin);

    testhost::Panel target;
    std::vector<unsigned char> copy = bank;
    ASSERT_EQ(1, target.plugin->setChunk(copy.data(), static_cast<VstInt32>(copy.size()), false));
    // The global values are live at once; the rest follows the next block.
    EXPECT_FLOAT_EQ(0.3f, target.plugin->getParameter(kParamVolume));
    EXPECT_FLOAT_EQ(kRec, target.plugin->getParameter(kParamMode));
    target.process(0);
    EXPECT_EQ(kModeRec, target.quibo.mode());
    EXPECT_STREQ(" 98765432", target.quibo.calculator().memoryText());
    EXPECT_EQ(6, target.quibo.sequencer().eventCount());
    EXPECT_EQ(7.0f, target.quibo.tempoClock().tempo());
    // A restored melody is closed: it plays by the keys instead of recording on.
    EXPECT_EQ(0, target.quibo.sequencer().recordArmed());
    for (int p = 0; p < 5; ++p) {
        const ProgramRecord restored = target.quibo.program(p);
        const ProgramRecord original = source.quibo.program(p);
        EXPECT_EQ(0, std::memcmp(&restored, &original, sizeof restored)) << p;
    }
    EXPECT_EQ(bankOf(*source.plugin).size(), bankOf(*target.plugin).size());
}

TEST(Chunks, RestoredSongPlaysByOneKeyPlayAndByThePlayKey)
{
    testhost::Panel source;
    source.setMode(kRec);
    source.tapNote(67);
    const std::vector<unsigned char> bank = bankOf(*source.plugin);

    testhost::Panel target;
    std::vector<unsigned char> copy = bank;
    ASSERT_EQ(1, target.plugin->setChunk(copy.data(), static_cast<VstInt32>(copy.size()), false));
    target.process(0);
    target.setMode(0.0f);
    target.functionKey(KeyOneKey1, 1.0f);
    target.process(1);
    ASSERT_EQ(1u, target.voice.sent.size());
    EXPECT_EQ(0x90, target.voice.sent[0].status);
    EXPECT_EQ(67, target.voice.sent[0].data1);

    target.setMode(0.0f);
    target.functionKey(KeyPlay);
    EXPECT_TRUE(target.quibo.sequencer().playing());
    bool played = false;
    for (int block = 0; block < 200 && !played; ++block) {
        target.process(512);
        for (const testhost::SentMessage& message : target.voice.sent)
            played = played || (message.status == 0x90 && message.data1 == 67);
    }
    EXPECT_TRUE(played);
}

TEST(Chunks, WrongSizeOrNewerMarkerIsRefused)
{
    testhost::Instance instance;
    std::vector<unsigned char> bank = bankOf(*instance.plugin);
    EXPECT_EQ(0, instance.plugin->setChunk(bank.data(), 2987, false));
    byteorder::putInt32(bank.data(), 1001);
    EXPECT_EQ(0, instance.plugin->setChunk(bank.data(), 2988, false));
    byteorder::putInt32(bank.data(), 0);
    EXPECT_EQ(1, instance.plugin->setChunk(bank.data(), 2988, false));
    EXPECT_EQ(0, instance.plugin->setChunk(nullptr, 2988, false));
}

TEST(Chunks, ProgramChunkAnswersZeroAndStillReplacesTheProgram)
{
    testhost::Instance instance;
    instance.process(0);
    ProgramRecord record = instance.quibo.program(2);
    std::strcpy(record.name, "Bright Violin");
    record.values[kParamVibrato] = 0.8f;
    EXPECT_EQ(0, instance.plugin->setChunk(&record, sizeof record, true));
    char name[32];
    instance.plugin->getProgramName(name);
    EXPECT_STREQ("Bright Violin", name);
    instance.process(0);
    EXPECT_FLOAT_EQ(0.8f, instance.plugin->getParameter(kParamVibrato));
    void* data = nullptr;
    ASSERT_EQ(88, instance.plugin->getChunk(&data, true));
    const ProgramRecord current = instance.quibo.program(0);
    EXPECT_EQ(0, std::memcmp(data, &current, sizeof current));
}

TEST(Chunks, UserSoundComesFromTheCalculatorMemory)
{
    testhost::Panel panel;
    panel.setMode(kCal);
    panel.plugin->setProgram(5);
    for (int i = kFirstSoundParam; i <= kLastSoundParam; ++i)
        EXPECT_EQ(0.0f, panel.quibo.program(5).values[i]);
    panel.typeDigits("98765432");
    panel.functionKey(KeyOneKey1, 1.0f);
    panel.plugin->setProgram(5);
    const float expected[8] = {0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f};
    for (int i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ(expected[i], panel.quibo.program(5).values[kFirstSoundParam + i]) << i;
}

TEST(Chunks, ProgramNamesAreCutAndIndexedSafely)
{
    testhost::Instance instance;
    char longName[] = "A name far longer than twenty-three characters";
    instance.plugin->setProgramName(longName);
    char name[64];
    instance.plugin->getProgramName(name);
    EXPECT_EQ(23u, std::strlen(name));
    EXPECT_FALSE(instance.plugin->getProgramNameIndexed(0, 6, name));
    EXPECT_TRUE(instance.plugin->getProgramNameIndexed(0, 5, name));
    EXPECT_STREQ("ADSR", name);
    MidiProgramName midiName{};
    EXPECT_EQ(0, instance.plugin->getMidiProgramName(1, &midiName));
    midiName.thisProgramIndex = 1;
    EXPECT_EQ(0, instance.plugin->getMidiProgramName(9, &midiName));
    MidiKeyName key{};
    key.thisKeyNumber = 61;
    EXPECT_TRUE(instance.plugin->getMidiKeyName(9, &key));
    EXPECT_STREQ("", key.keyName);
}

// Random bytes inside a well-formed frame must never take the instance out
// of its arrays (AddressSanitizer watches) or leave a value out of range.
TEST(Chunks, HostileBanksLoadSafelyOrAreRefused)
{
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        testhost::Instance instance;
        instance.process(0);
        std::vector<unsigned char> bank(2988);
        for (unsigned char& byte : bank)
            byte = static_cast<unsigned char>(random());
        byteorder::putInt32(bank.data(), 1000);
        if (round % 2 == 0)
            byteorder::putInt32(bank.data() + 552 + 12 + 201 * 12 + 8, round); // a plausible count
        instance.plugin->setChunk(bank.data(), 2988, false);
        instance.process(256);
        for (VstInt32 i = 0; i < kNumParams; ++i) {
            const float value = instance.plugin->getParameter(i);
            ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << i;
        }
        ASSERT_LE(instance.quibo.sequencer().eventCount(), 200);
        const std::vector<unsigned char> saved = bankOf(*instance.plugin);
        ASSERT_EQ(static_cast<size_t>(CQuibo::kSavedBankSize), saved.size());
    }
}

} // namespace
