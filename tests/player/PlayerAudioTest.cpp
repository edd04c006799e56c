// The player's audio where neither JACK nor a device plays (no server of the
// test's name, an ALSA device of a card that is not there, from the test's
// own ~/.asoundrc): the text the window shows names what failed and what to
// do for each --audio choice, and the next try comes only after the retry
// period. And the ALSA front's samples, as 16-bit devices take them.
#include "CAlsaPlayer.h"
#include "CPlayerAudio.h"
#include "CQuibo.h"
#include "ScopedVariable.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace {

using Clock = CPlayerAudio::Clock;

void setDefaultDevice(const std::filesystem::path& home, const char* definition)
{
    std::ofstream(home / ".asoundrc") << "pcm.!default " << definition << "\n";
}

TEST(PlayerAudioTest, WithNothingToPlayOnTheTextSaysWhatFailedAndTheNextTryWaitsForItsTime)
{
    testhost::ScratchFolder scratch;
    ASSERT_TRUE(scratch.valid());
    const ScopedVariable home("HOME", scratch.path().c_str());
    const ScopedVariable server("JACK_DEFAULT_SERVER", "zintra-audio-test-none");
    const ScopedVariable noStart("JACK_NO_START_SERVER", "1");
    struct Row {
        CPlayerAudio::Choice choice;
        std::vector<std::string> says;
        std::vector<std::string> saysNot;
    };
    const Row rows[] = {
        {CPlayerAudio::Choice::kAuto,
         {"No audio: no JACK server is running, and the ALSA device \"default\" cannot be opened (", "Start JACK",
          "--device", "trying again every 3 seconds."},
         {"--audio"}},
        {CPlayerAudio::Choice::kJack,
         {"No audio: no JACK server is running.\n", "--audio alsa", "trying again every 3 seconds."},
         {"ALSA device"}},
        {CPlayerAudio::Choice::kAlsa,
         {"No audio: the ALSA device \"default\" cannot be opened (", "--audio jack", "trying again every 3 seconds."},
         {"JACK server"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.choice));
        setDefaultDevice(scratch.path(), "{\n type hw\n card 7\n}");
        CQuibo instrument;
        CPlayerAudio::Settings settings;
        settings.choice = row.choice;
        CPlayerAudio audio(instrument, settings);
        const Clock::time_point start = Clock::now();
        EXPECT_TRUE(audio.update(start));
        EXPECT_FALSE(audio.playing());
        const std::string first = audio.text();
        for (const std::string& part : row.says)
            EXPECT_NE(std::string::npos, first.find(part)) << first;
        for (const std::string& part : row.saysNot)
            EXPECT_EQ(std::string::npos, first.find(part)) << first;

        // Another error from the device from now on: the text shows when the
        // next try came.
        setDefaultDevice(scratch.path(), "{\n type no_such_plugin\n}");
        EXPECT_FALSE(audio.update(start + std::chrono::seconds(1)));
        EXPECT_EQ(first, audio.text()) << "no try before the retry period";
        const bool alsaTried = row.choice != CPlayerAudio::Choice::kJack;
        EXPECT_EQ(alsaTried, audio.update(start + CPlayerAudio::kRetryPeriod));
        EXPECT_EQ(alsaTried, audio.text() != first) << audio.text();
        EXPECT_FALSE(audio.playing());
    }
}

TEST(AlsaPlayerTest, SixteenBitSamplesAreInterleavedRoundedAndClippedToFullScale)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> left{0.0f, 1.0f, -1.0f, 2.0f, -3.0f, 0.5f, 1e-6f, nan};
    const std::vector<float> right{0.25f, -0.25f, 1.0001f, -1.0001f, 0.0f, -0.5f, -1e-6f, 0.0f};
    const std::vector<std::int16_t> expected{0,      8192, 32767, -8192,  -32767, 32767, 32767, -32767,
                                             -32767, 0,    16384, -16384, 0,      0,     0,     0};
    std::vector<std::int16_t> out(expected.size(), 99);
    CAlsaPlayer::interleave16(left.data(), right.data(), out.data(), static_cast<std::uint32_t>(left.size()));
    EXPECT_EQ(expected, out);
    std::vector<float> floats(expected.size());
    CAlsaPlayer::interleaveFloat(left.data(), right.data(), floats.data(), 3);
    EXPECT_EQ(1.0f, floats[2]);
    EXPECT_EQ(-0.25f, floats[3]);
    EXPECT_EQ(1.0001f, floats[5]);
}

} // namespace
