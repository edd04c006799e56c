// The command-line host loads the built plug-in like a real host: it prints
// the identity and renders a stereo WAV file.
#include "CQuibo.h"
#include "ScratchFolder.h"

#include "RunHost.h"
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testhost::runHost;

TEST(CommandLineHost, PrintsTheIdentity)
{
    int status = 0;
    const std::string output = runHost("--info", status);
    EXPECT_EQ(0, status) << output;
    for (const char* line :
         {"effect name: Zintra\n", "vendor: Ferrowick\n", "product: Zintra\n", "vendor version: 1000\n",
          "unique id: qbo1\n", "version: 1\n", "programs: 6\n", "parameters: 15\n", "inputs: 0\n", "outputs: 2\n",
          "category: 2\n", "canDo receiveVstEvents: 1\n", "output 1: Zintra 2\n", "program 5: ADSR\n",
          "parameter 9: name \"Sustain level\" label \"\"",
          "parameter 14: name \"    Tempo    \" label \"\" display \"      4\"\n"}) {
        EXPECT_NE(std::string::npos, output.find(line)) << line << "\n" << output;
    }
}

TEST(CommandLineHost, LegacyEntryPointGivesTheSameIdentity)
{
    int status = 0;
    const std::string modern = runHost("--info", status);
    const std::string legacy = runHost("--info --legacy-main", status);
    EXPECT_EQ(0, status);
    EXPECT_EQ(modern, legacy);
}

TEST(CommandLineHost, RendersAStereoWavWithTheAskedLengthAndRate)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string path = folder.file("render.wav");
    int status = 0;
    const std::string output = runHost("--render " + path +
                                           " --seconds 0.5 --rate 48000 --block 100 --param volume=0.5 "
                                           "--note 0.1:69:100:0.2",
                                       status);
    ASSERT_EQ(0, status) << output;
    EXPECT_NE(std::string::npos, output.find("parameter 2 (   Volume    ) = 0.5: -6.02060")) << output;

    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(nullptr, file) << sf_strerror(nullptr);
    EXPECT_EQ(2, info.channels);
    EXPECT_EQ(48000, info.samplerate);
    EXPECT_EQ(24000, info.frames);
    std::vector<float> samples(static_cast<size_t>(info.frames) * 2);
    EXPECT_EQ(info.frames, sf_readf_float(file, samples.data(), info.frames));
    sf_close(file);
    for (float sample : samples)
        ASSERT_TRUE(sample >= -1.0f && sample <= 1.0f);
}

// Interleaved stereo samples of a WAV file; empty when it cannot be read.
std::vector<float> readStereoWav(const std::string& path, int& rate)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr || info.channels != 2)
        return {};
    std::vector<float> samples(static_cast<size_t>(info.frames) * 2);
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    rate = info.samplerate;
    return samples;
}

// Seconds from the start to the last audible sample of a channel.
double lastSoundSeconds(const std::vector<float>& interleaved, int channel, int rate)
{
    for (size_t frame = interleaved.size() / 2; frame-- > 0;) {
        if (std::fabs(interleaved[frame * 2 + static_cast<size_t>(channel)]) > 1e-4f)
            return static_cast<double>(frame) / rate;
    }
    return 0.0;
}

TEST(CommandLineHost, DemonstrationMelodyPlaysWithItsRhythmAndStopsByItself)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    for (const int rate : {44100, 48000}) {
        const std::string path = folder.file("demo-" + std::to_string(rate) + ".wav");
        int status = 0;
        const std::string output =
            runHost("--render " + path + " --seconds 80 --key 0:90 --rate " + std::to_string(rate), status);
        ASSERT_EQ(0, status) << output;
        int fileRate = 0;
        const std::vector<float> samples = readStereoWav(path, fileRate);
        ASSERT_EQ(rate, fileRate);
        const double melodyEnd = lastSoundSeconds(samples, 0, rate);
        const double rhythmEnd = lastSoundSeconds(samples, 1, rate);
        EXPECT_GT(melodyEnd, 72.0) << rate;
        EXPECT_LT(melodyEnd, 77.0) << rate;
        EXPECT_GT(rhythmEnd, 72.0) << rate;
        EXPECT_LT(rhythmEnd, 77.0) << rate;
    }
}

// A format-0 file at 96 ticks per quarter and the default 120 beats per
// minute: A4 from 0.5 s to 1.0 s on channel 1.
void writeSmallMidiFile(const std::string& path)
{
    const unsigned char bytes[] = {'M',  'T',  'h',  'd', 0, 0, 0, 6,  0, 0, 0, 1, 0, 96, // header
                                   'M',  'T',  'r',  'k', 0, 0, 0, 13, // track
                                   0x60, 0x90, 69,   100, // 96 ticks: note on
                                   0x60, 0x80, 69,   0, // 96 ticks: note off
                                   0x00, 0xFF, 0x2F, 0x00}; // end of track
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fwrite(bytes, 1, sizeof bytes, file);
    std::fclose(file);
}

TEST(CommandLineHost, PlaysAMidiFile)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string midi = folder.file("test.mid");
    const std::string wav = folder.file("midi.wav");
    writeSmallMidiFile(midi);
    int status = 0;
    const std::string output = runHost("--render " + wav + " --seconds 2 --midi " + midi, status);
    ASSERT_EQ(0, status) << output;
    int rate = 0;
    const std::vector<float> samples = readStereoWav(wav, rate);
    ASSERT_FALSE(samples.empty());
    size_t firstSound = samples.size();
    for (size_t i = 0; i < samples.size(); i += 2) {
        if (samples[i] != 0.0f) {
            firstSound = i / 2;
            break;
        }
    }
    EXPECT_NEAR(0.5, static_cast<double>(firstSound) / 44100.0, 0.01);
}

TEST(CommandLineHost, SavesABankThatLoadsAgain)
{
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string bank = folder.file("saved.bank");
    const std::string wav = folder.file("bank.wav");
    int status = 0;
    std::string output =
        runHost("--render " + wav + " --seconds 0.1 --param Mode=0.5 --note 0:60:100:0.05 --save-bank " + bank, status);
    ASSERT_EQ(0, status) << output;
    std::FILE* file = std::fopen(bank.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    std::fseek(file, 0, SEEK_END);
    EXPECT_EQ(CQuibo::kSavedBankSize, std::ftell(file));
    std::fclose(file);
    output = runHost("--render " + wav + " --seconds 0.1 --load-bank " + bank, status);
    EXPECT_EQ(0, status) << output;
    EXPECT_EQ(std::string::npos, output.find("refused")) << output;
}

std::vector<unsigned char> readFile(const std::string& path)
{
    std::vector<unsigned char> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(file)) != EOF)
            bytes.push_back(static_cast<unsigned char>(c));
        std::fclose(file);
    }
    return bytes;
}

// A song saved as a 2988-byte bank before the chunk had its extension loads
// exactly as it did then: the same sound, sample for sample (the hash was
// taken from that version's render, and taken again when the vibrato, which
// the song's sound has, was computed in closed form: that moves the phase of
// the wave, see GoldenRenderTest.cpp), and the same fixed image saved after.
TEST(CommandLineHost, ABankSavedBeforeTheExtensionLoadsAsBefore)
{
    const std::string data = QUIBO_TEST_DATA_DIR;
    const testhost::ScratchFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string wav = folder.file("old-bank.wav");
    const std::string saved = folder.file("old-bank.bank");
    int status = 0;
    const std::string output = runHost("--render " + wav + " --seconds 0.75 --load-bank " + data +
                                           "/song-2988.bank --key 0:92 --key 0.1:92:0 --key 0.2:92 --key 0.3:92:0"
                                           " --note 0.4:69:100:0.2 --save-bank " +
                                           saved,
                                       status);
    ASSERT_EQ(0, status) << output;
    int rate = 0;
    const std::vector<float> samples = readStereoWav(wav, rate);
    ASSERT_EQ(2u * 33075u, samples.size());
    std::uint32_t hash = 2166136261u;
    for (float sample : samples) {
        unsigned char bytes[4];
        std::memcpy(bytes, &sample, sizeof bytes);
        for (unsigned char byte : bytes)
            hash = (hash ^ byte) * 16777619u;
    }
    EXPECT_EQ(0xa76d8d8fu, hash);
    const std::vector<unsigned char> expected = readFile(data + "/song-2988-after-play.bank");
    const std::vector<unsigned char> bank = readFile(saved);
    ASSERT_EQ(2988u, expected.size());
    ASSERT_GE(bank.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bank.begin()));
}

TEST(CommandLineHost, RejectsUnknownOptionsAndParameters)
{
    int status = 0;
    runHost("--frobnicate 3", status);
    EXPECT_NE(0, status);
    runHost("--render /dev/null --param nosuch=0.5", status);
    EXPECT_NE(0, status);
}

} // namespace

// The timing mode: a held note and silence, each timed and reported with what
// the outputs carried (no speed is asserted here; the figures are the
// benchmarks').
TEST(CommandLineHost, BenchTimesTheBlocksAndReportsWhatTheyCarried)
{
    struct Case {
        std::string arguments;
        bool sounding;
    };
    for (const Case& c :
         {Case{"--param 6=0.15 --param 9=1 --param 10=1 --param 12=0.3 --note 0:69:100:3600", true}, Case{"", false}}) {
        int status = 0;
        const std::string output = runHost("--bench --runs 3 --run-seconds 0.02 --warmup 0.1 " + c.arguments, status);
        ASSERT_EQ(0, status) << output;
        const size_t line = output.find("bench: Zintra, 512-frame blocks at 44100 Hz: ");
        ASSERT_NE(std::string::npos, line) << output;
        double nanoseconds = 0.0;
        int runs = 0;
        double left = -1.0, right = -1.0;
        const std::string text = output.substr(line);
        ASSERT_EQ(1, std::sscanf(text.c_str(), "bench: Zintra, 512-frame blocks at 44100 Hz: %lf", &nanoseconds))
            << text;
        ASSERT_EQ(1, std::sscanf(text.c_str() + text.find("(median of "), "(median of %d", &runs)) << text;
        ASSERT_EQ(2, std::sscanf(text.c_str() + text.find("output RMS "), "output RMS %lf %lf", &left, &right)) << text;
        EXPECT_GT(nanoseconds, 0.0) << text;
        EXPECT_EQ(3, runs) << text;
        EXPECT_EQ(c.sounding, left > 0.01) << text;
        EXPECT_EQ(0.0, right) << text;
    }
}
