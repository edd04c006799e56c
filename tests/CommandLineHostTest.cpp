// The command-line host loads the built plug-in like a real host: it prints
// the identity and renders a stereo WAV file.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string runHost(const std::string& arguments, int& status)
{
    const std::string command = std::string(ZINTRA_HOST_PATH) + " " + arguments + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    status = pclose(pipe);
    return output;
}

TEST(CommandLineHost, PrintsTheIdentity)
{
    int status = 0;
    const std::string output = runHost("--info", status);
    EXPECT_EQ(0, status) << output;
    for (const char* line : {"effect name: Zintra\n", "vendor: Ferrowick\n", "product: Zintra\n",
                             "vendor version: 1000\n", "unique id: qbo1\n", "version: 1\n", "programs: 6\n",
                             "parameters: 15\n", "inputs: 0\n", "outputs: 2\n", "category: 2\n",
                             "canDo receiveVstEvents: 1\n", "output 1: Zintra 2\n", "program 5: ADSR\n",
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
    const std::string path = ::testing::TempDir() + "zintra-host-render.wav";
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
    std::remove(path.c_str());
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
    for (const int rate : {44100, 48000}) {
        const std::string path = ::testing::TempDir() + "zintra-host-demo.wav";
        int status = 0;
        const std::string output =
            runHost("--render " + path + " --seconds 80 --key 0:90 --rate " + std::to_string(rate), status);
        ASSERT_EQ(0, status) << output;
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(nullptr, file);
        std::vector<float> samples(static_cast<size_t>(info.frames) * 2);
        sf_readf_float(file, samples.data(), info.frames);
        sf_close(file);
        std::remove(path.c_str());
        const double melodyEnd = lastSoundSeconds(samples, 0, rate);
        const double rhythmEnd = lastSoundSeconds(samples, 1, rate);
        EXPECT_GT(melodyEnd, 72.0) << rate;
        EXPECT_LT(melodyEnd, 77.0) << rate;
        EXPECT_GT(rhythmEnd, 72.0) << rate;
        EXPECT_LT(rhythmEnd, 77.0) << rate;
    }
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
