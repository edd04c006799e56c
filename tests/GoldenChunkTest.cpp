// Chunks saved by an earlier build must load the same way for good: a
// committed bank and program chunk, with the values they load as, and the
// chunk the plug-in saves from them byte for byte.
//
// tests/data/session.bank was saved after this session: Rec, the notes 60,
// 64, 67 and 72 tapped about 80 ms apart; Program 0.6, Octave 0.2, Balance
// 0.35, Volume 0.65, Tempo 0.3, Tune 0.45; then Cal and the keys
// 98765432 M+ 120 - 100 % * / 6.25. tests/data/flute.program is program 3's
// record named "Golden Flute" with the sound 0.35, 0.2, 0.6, 0.8, 0.7, 0.4,
// 0.15, 0.25.
#include "ByteOrder.h"
#include "LcdText.h"
#include "PanelTestHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> readData(const char* name)
{
    const std::string path = std::string(QUIBO_TEST_DATA_DIR) + "/" + name;
    std::vector<unsigned char> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        unsigned char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(file);
    }
    return bytes;
}

std::vector<unsigned char> chunkOf(CQuiboPlugin& plugin, bool isPreset)
{
    void* data = nullptr;
    const VstInt32 size = plugin.getChunk(&data, isPreset);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

using testhost::cellsOf;
using testhost::marksOf;

struct RecordedNote {
    float time;
    int status, key;
};

TEST(GoldenChunks, SessionBankLoadsItsValuesAndSavesTheSameBytes)
{
    const std::vector<unsigned char> golden = readData("session.bank");
    ASSERT_EQ(2988u, golden.size());
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    CQuibo& quibo = instance.quibo;
    instance.process(0);
    std::vector<unsigned char> copy = golden;
    ASSERT_EQ(1, plugin.setChunk(copy.data(), static_cast<VstInt32>(copy.size()), false));

    // The seven global values are live at once.
    EXPECT_EQ(0.7f, plugin.getParameter(kParamMode));
    EXPECT_EQ(0.6f, plugin.getParameter(kParamProgram));
    EXPECT_EQ(0.2f, plugin.getParameter(kParamOctave));
    EXPECT_EQ(0.35f, plugin.getParameter(kParamBalance));
    EXPECT_EQ(0.65f, plugin.getParameter(kParamVolume));
    EXPECT_EQ(0.3f, plugin.getParameter(kParamTempo));
    EXPECT_EQ(0.45f, plugin.getParameter(kParamTune));
    EXPECT_EQ(3, plugin.getProgram());

    // The calculator in the middle of 120 - 100 % * / 6.25.
    CCalculator& calculator = quibo.calculator();
    EXPECT_STREQ(" 98765432", calculator.memoryText());
    EXPECT_STREQ(" 6.25", calculator.displayText());
    EXPECT_EQ('/', calculator.displayOperator());
    EXPECT_FALSE(calculator.constantOn());
    EXPECT_FALSE(calculator.error());
    EXPECT_EQ(2, calculator.state());

    // The display as it was saved: 6.25 with the divide and memory marks.
    const LcdContent shown = quibo.displayModel().content();
    EXPECT_EQ(kModeCal, quibo.displayModel().displayMode());
    EXPECT_EQ(".....625", cellsOf(shown).substr(1));
    EXPECT_EQ("..m.:.....", marksOf(shown));
    EXPECT_EQ(4, shown.dotMask);

    // The melody: four notes with their recorded tick times.
    const CSequencer& sequencer = quibo.sequencer();
    const std::vector<RecordedNote> melody = {{0, 0x90, 60},  {7, 0x80, 60},  {7, 0x90, 64},  {15, 0x80, 64},
                                              {15, 0x90, 67}, {23, 0x80, 67}, {23, 0x90, 72}, {98, 0x80, 72}};
    ASSERT_EQ(static_cast<int>(melody.size()), sequencer.eventCount());
    for (size_t i = 0; i < melody.size(); ++i) {
        const SequencerEvent& event = sequencer.memory().at(static_cast<int>(i));
        EXPECT_EQ(melody[i].time, event.time) << i;
        EXPECT_EQ(melody[i].status, event.status) << i;
        EXPECT_EQ(melody[i].key, event.data1) << i;
    }
    EXPECT_EQ(0, sequencer.songPointer());

    // The tempo clock's switches: only "tempo shown pending" was on.
    const CTempoClock& clock = quibo.tempoClock();
    EXPECT_EQ(0, clock.sequencerRunning);
    EXPECT_EQ(1, clock.tempoShownPending);
    EXPECT_EQ(0, clock.countSteps);
    EXPECT_EQ(0, clock.sequencerEnded);

    // Saved again before anything else happens, the bank is the same bytes,
    // followed by the extension that carries the current sound and programs.
    const std::vector<unsigned char> saved = chunkOf(plugin, false);
    ASSERT_EQ(static_cast<size_t>(CQuibo::kSavedBankSize), saved.size());
    EXPECT_EQ(golden, std::vector<unsigned char>(saved.begin(), saved.begin() + CQuibo::kBankChunkSize));

    // The next block applies the queued values: Cal, tempo -4, program 3's
    // sound; the Mode value's reset clears the calculator but its memory.
    instance.process(64);
    EXPECT_EQ(kModeCal, quibo.mode());
    EXPECT_EQ(-4.0f, quibo.tempoClock().tempo());
    const float flute[8] = {0.3f, 0.3f, 0.0f, 0.9f, 0.9f, 0.1f, 0.3f, 0.0f};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(flute[i], plugin.getParameter(kFirstSoundParam + i)) << i;
    EXPECT_STREQ(" 0", calculator.displayText());
    EXPECT_STREQ(" 98765432", calculator.memoryText());
    EXPECT_EQ("........0", cellsOf(quibo.displayModel().content()));
    EXPECT_EQ(8, quibo.sequencer().eventCount());
}

// Bytes 28 + 4i hold parameter i; only 6 to 13 are a program's sound.
TEST(GoldenChunks, ProgramChunkLoadsItsSoundAndSavesTheSameBytes)
{
    const std::vector<unsigned char> golden = readData("flute.program");
    ASSERT_EQ(88u, golden.size());
    testhost::Instance instance;
    CQuiboPlugin& plugin = *instance.plugin;
    instance.process(0);
    plugin.setProgram(3);
    instance.process(0);
    std::vector<unsigned char> copy = golden;
    EXPECT_EQ(0, plugin.setChunk(copy.data(), 88, true));
    char name[32] = {};
    plugin.getProgramName(name);
    EXPECT_STREQ("Golden Flute", name);
    instance.process(0);
    const float sound[8] = {0.35f, 0.2f, 0.6f, 0.8f, 0.7f, 0.4f, 0.15f, 0.25f};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(sound[i], plugin.getParameter(kFirstSoundParam + i)) << i;
    EXPECT_EQ(golden, chunkOf(plugin, true));
}

// A program chunk from a newer format (marker above 1000) or of the wrong
// size is refused without a trace; older markers are taken.
TEST(GoldenChunks, ProgramChunkMarkerAboveOneThousandIsRefused)
{
    const std::vector<unsigned char> golden = readData("flute.program");
    ASSERT_EQ(88u, golden.size());
    struct Case {
        VstInt32 marker, size;
        bool taken;
    };
    for (const Case c :
         {Case{1000, 88, true}, Case{999, 88, true}, Case{0, 88, true}, Case{-7, 88, true}, Case{1001, 88, false},
          Case{0x7FFFFFFF, 88, false}, Case{1000, 87, false}, Case{1000, 89, false}}) {
        testhost::Instance instance;
        CQuiboPlugin& plugin = *instance.plugin;
        instance.process(0);
        std::vector<unsigned char> copy = golden;
        copy.resize(89, 0);
        byteorder::putInt32(copy.data(), c.marker);
        EXPECT_EQ(0, plugin.setChunk(copy.data(), c.size, true));
        char name[32] = {};
        plugin.getProgramName(name);
        EXPECT_STREQ(c.taken ? "Golden Flute" : "Piano", name) << c.marker << " " << c.size;
        instance.process(0);
        EXPECT_EQ(c.taken ? 0.35f : 0.0f, plugin.getParameter(kParamSound)) << c.marker << " " << c.size;
    }
}

// Every application of the Mode value, even to the same mode, clears the
// calculator but for its memory, and the display starts at 0.
TEST(GoldenChunks, ModeChangeClearsTheCalculatorButItsMemory)
{
    for (const float next : {0.7f, 0.5f, 0.0f}) {
        testhost::Panel panel;
        panel.setMode(0.7f);
        panel.typeDigits("42");
        panel.functionKey(KeyOneKey1); // memory plus
        panel.typeDigits("3");
        panel.quibo.keyDispatcher().noteKey(CCalculator::KeyMultiply, 1.0f);
        panel.quibo.keyDispatcher().noteKey(CCalculator::KeyMultiply, 1.0f); // constant on
        panel.typeDigits("5");
        CCalculator& calculator = panel.quibo.calculator();
        ASSERT_TRUE(calculator.constantOn());
        ASSERT_STREQ(" 5", calculator.displayText());
        panel.setMode(next);
        panel.setMode(0.7f);
        EXPECT_STREQ(" 0", calculator.displayText()) << next;
        EXPECT_EQ(0, calculator.displayOperator()) << next;
        EXPECT_FALSE(calculator.constantOn()) << next;
        EXPECT_STREQ(" 42", calculator.memoryText()) << next;
        const LcdContent shown = panel.quibo.displayModel().content();
        EXPECT_EQ("........0", cellsOf(shown)) << next;
        EXPECT_EQ("..m.......", marksOf(shown)) << next;
        // The next digit starts a new number.
        panel.typeDigits("7");
        EXPECT_STREQ(" 7", calculator.displayText()) << next;
    }
}

} // namespace
