#include "CEnvelope.h"
#include "CLevelDetector.h"
#include "CLfo.h"
#include "CRamp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

struct Settings {
    float attack, decay, sustainLevel, sustainTime, release;
};

struct EnvelopeRun {
    // (call, level) for the first call and every call where the level changed.
    std::vector<std::pair<int, int>> changes;
    int idleCall = -1;
};

// Gates on before call 0, off before call gateOffCall (if not negative), and
// runs until the envelope is idle.
EnvelopeRun runEnvelope(const Settings& s, int gateOffCall, float rate = 44100.0f, int maxCalls = 2000000)
{
    CEnvelope e;
    e.setSampleRate(rate);
    e.SetStageIndex(CEnvelope::kIndexAttack, s.attack);
    e.SetStageIndex(CEnvelope::kIndexDecay, s.decay);
    e.SetStageIndex(CEnvelope::kIndexSustainLevel, s.sustainLevel);
    e.SetStageIndex(CEnvelope::kIndexSustainTime, s.sustainTime);
    e.SetStageIndex(CEnvelope::kIndexRelease, s.release);
    e.GateOn();
    EnvelopeRun run;
    for (int call = 0; call < maxCalls; ++call) {
        if (call == gateOffCall)
            e.GateOff();
        const int level = static_cast<int>(std::lround(e.Next() * 15.0f));
        if (run.changes.empty() || run.changes.back().second != level)
            run.changes.emplace_back(call, level);
        if (e.Stage() == CEnvelope::kIdle) {
            run.idleCall = call;
            break;
        }
    }
    return run;
}

// Checks that the levels after the listed ones fall by single steps to 0.
void expectSingleStepsDown(const EnvelopeRun& run, size_t from)
{
    for (size_t i = from; i < run.changes.size(); ++i)
        EXPECT_EQ(run.changes[i - 1].second - 1, run.changes[i].second) << "change " << i;
    EXPECT_EQ(0, run.changes.back().second);
}

int callsInStage(CEnvelope& e, int stage)
{
    int calls = 0;
    do {
        e.Next();
        ++calls;
    } while (e.Stage() == stage && calls < 10000000);
    return calls;
}

const Settings kDecayExample = {0, 4, 5, 3, 4};
const Settings kReleaseExample = {3, 0, 9, 9, 1};

} // namespace

TEST(Envelope, DecayExampleCallNumbers)
{
    const EnvelopeRun run = runEnvelope(kDecayExample, -1);
    const std::vector<std::pair<int, int>> head = {{0, 15},    {1323, 14}, {2385, 13}, {3978, 12},
                                                   {5040, 11}, {6633, 10}, {7164, 9}};
    ASSERT_GT(run.changes.size(), head.size());
    const std::vector<std::pair<int, int>> got(run.changes.begin(), run.changes.begin() + 7);
    EXPECT_EQ(head, got);
    expectSingleStepsDown(run, 7);
    EXPECT_EQ(80442, run.idleCall);
    EXPECT_EQ(80442, run.changes.back().first);
}

TEST(Envelope, ReleaseExampleCallNumbers)
{
    const EnvelopeRun run = runEnvelope(kReleaseExample, 44100);
    const std::vector<std::pair<int, int>> head = {{0, 5},     {530, 7},   {1061, 8},  {1592, 10}, {2123, 11},
                                                   {2654, 13}, {3185, 14}, {3705, 15}, {44630, 14}};
    ASSERT_GT(run.changes.size(), head.size());
    const std::vector<std::pair<int, int>> got(run.changes.begin(), run.changes.begin() + 9);
    EXPECT_EQ(head, got);
    expectSingleStepsDown(run, 9);
    EXPECT_EQ(57905, run.idleCall);
}

TEST(Envelope, ExamplesLastTheSameTimeAtOtherRates)
{
    // The output moves on a grid of 531 calls at 44100 (12.04 ms), the same
    // interval to the nearest call at other rates. The single-precision ramp
    // rounds differently at every rate, so a level may cross on the
    // neighbouring grid point: times agree to one update interval.
    const double kInterval = 531.0 / 44100.0;
    for (const Settings& s : {kDecayExample, kReleaseExample}) {
        const int gateOff = s.attack == 3 ? 44100 : -1;
        const EnvelopeRun reference = runEnvelope(s, gateOff);
        for (float rate : {22050.0f, 48000.0f, 96000.0f, 192000.0f}) {
            const EnvelopeRun run = runEnvelope(s, gateOff < 0 ? -1 : static_cast<int>(rate), rate);
            ASSERT_EQ(reference.changes.size(), run.changes.size()) << rate;
            for (size_t i = 0; i < run.changes.size(); ++i) {
                const double seconds = run.changes[i].first / static_cast<double>(rate);
                const double expected = reference.changes[i].first / 44100.0;
                EXPECT_EQ(reference.changes[i].second, run.changes[i].second);
                EXPECT_NEAR(expected, seconds, kInterval + 0.001 * expected) << rate << " change " << i;
            }
            EXPECT_NEAR(reference.idleCall / 44100.0, run.idleCall / static_cast<double>(rate),
                        kInterval + 0.001 * reference.idleCall / 44100.0);
        }
    }
}

TEST(Envelope, AttackZeroHoldsEighteenMilliseconds)
{
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        CEnvelope e;
        e.setSampleRate(rate);
        e.SetStageIndex(CEnvelope::kIndexDecay, 4);
        e.GateOn();
        EXPECT_EQ(static_cast<int>(0.018 * rate + 1e-6), callsInStage(e, CEnvelope::kAttack)) << rate;
        EXPECT_EQ(CEnvelope::kDecay, e.Stage());
    }
}

TEST(Envelope, HeldSustainStaysAtFullLevel)
{
    const EnvelopeRun run = runEnvelope({0, 0, 10, 10, 0}, -1, 44100.0f, 441000);
    EXPECT_EQ(-1, run.idleCall);
    ASSERT_EQ(1u, run.changes.size());
    EXPECT_EQ(15, run.changes[0].second);
}

TEST(Envelope, SustainTimeZeroEndsTheNote)
{
    CEnvelope e;
    e.SetStageIndex(CEnvelope::kIndexSustainLevel, 9);
    e.SetStageIndex(CEnvelope::kIndexSustainTime, 0);
    e.GateOn();
    callsInStage(e, CEnvelope::kAttack);
    ASSERT_EQ(CEnvelope::kSustain, e.Stage());
    int calls = 0;
    while (e.Stage() != CEnvelope::kIdle && calls < 10) {
        e.Next();
        ++calls;
    }
    EXPECT_LE(calls, 2);
    EXPECT_EQ(0.0f, e.Next());
}

TEST(Envelope, GateOffDuringAttackReleasesAfterIt)
{
    CEnvelope e;
    e.SetStageIndex(CEnvelope::kIndexAttack, 3);
    e.SetStageIndex(CEnvelope::kIndexDecay, 4);
    e.SetStageIndex(CEnvelope::kIndexRelease, 1);
    e.GateOn();
    for (int i = 0; i < 100; ++i)
        e.Next();
    e.GateOff();
    float peak = 0.0f;
    while (e.Stage() == CEnvelope::kAttack)
        peak = std::max(peak, e.Next());
    EXPECT_EQ(1.0f, peak);
    EXPECT_EQ(CEnvelope::kRelease, e.Stage());
}

TEST(Envelope, GateOffWhenIdleOrReleasing)
{
    CEnvelope e;
    e.GateOff();
    EXPECT_EQ(CEnvelope::kIdle, e.Stage());
    EXPECT_EQ(0.0f, e.Next());

    e.SetStageIndex(CEnvelope::kIndexSustainLevel, 10);
    e.SetStageIndex(CEnvelope::kIndexSustainTime, 10);
    e.SetStageIndex(CEnvelope::kIndexRelease, 1);
    e.GateOn();
    for (int i = 0; i < 2000; ++i)
        e.Next();
    e.GateOff();
    float level = 0.0f;
    for (int i = 0; i < 531 * 3; ++i)
        level = e.Next();
    EXPECT_LT(level, 14.0f / 15.0f);
    // A second release starts from the current level: the next move comes
    // a full update period later and drops one level.
    e.GateOff();
    EXPECT_EQ(CEnvelope::kRelease, e.Stage());
    for (int i = 0; i < 530; ++i)
        EXPECT_EQ(level, e.Next());
    EXPECT_FLOAT_EQ(level - 1.0f / 15.0f, e.Next());
}


TEST(Ramp, OutputHoldsForAnUpdatePeriod)
{
    for (bool rising : {false, true}) {
        CRamp r;
        r.Start(rising ? 0.0f : 15.0f, 100.0f, rising ? 15.0f : 0.0f, true, 1.0f);
        const float start = r.output();
        for (int call = 0; call < 530; ++call)
            ASSERT_EQ(start, r.Next()) << "call " << call;
        EXPECT_NE(start, r.Next());
        for (int call = 0; call < 530; ++call)
            r.Next();
        EXPECT_FALSE(r.done());
    }
}

TEST(Lfo, FrequencyAtEveryRate)
{
    struct Case {
        float multiplier, hz;
    };
    for (const Case c : {Case{16.0f, 1.5f}, Case{1.0f, 3.5f}, Case{1.0f, 35.0f}, Case{16.0f, 15.0f}}) {
        for (float rate : {22050.0f, 44100.0f, 48000.0f, 96000.0f}) {
            CLfo lfo(c.multiplier, 0.0f);
            lfo.setSampleRate(rate);
            lfo.SetFrequency(c.hz);
            lfo.running = 1;
            const int calls = static_cast<int>(5.5f / c.hz * rate * c.multiplier);
            float previous = 1.0f;
            int first = -1;
            int last = -1;
            int crossings = 0;
            for (int i = 0; i < calls; ++i) {
                const float x = lfo.Next();
                EXPECT_LE(std::fabs(x), 1.0001f);
                if (previous < 0.0f && x >= 0.0f) {
                    if (first < 0)
                        first = i;
                    last = i;
                    ++crossings;
                }
                previous = x;
            }
            ASSERT_GT(crossings, 2);
            const double hz = (crossings - 1) / ((last - first) / (rate * c.multiplier));
            EXPECT_NEAR(c.hz, hz, c.hz * 0.002) << rate;
        }
    }
}


TEST(LevelDetector, TimeConstantsAtEveryRate)
{
    for (float rate : {22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        CLevelDetector d;
        d.setSampleRate(rate);
        int samples = 0;
        float gain = 0.0f;
        while (d.voltage() < 4.4f * (1.0f - std::exp(-1.0f))) {
            gain = d.Next(1.0f);
            ++samples;
        }
        EXPECT_NEAR(1.98e-3, samples / rate, 0.03e-3) << rate;
        for (int i = 0; i < static_cast<int>(rate); ++i)
            gain = d.Next(1.0f);
        EXPECT_NEAR(3.40f, gain, 0.01f);
        samples = 0;
        while (d.voltage() > 4.4f * std::exp(-1.0f)) {
            d.Next(0.0f);
            ++samples;
        }
        EXPECT_NEAR(108.9e-3, samples / rate, 0.2e-3) << rate;
        // No gain below a voltage of about 0.66.
        while (d.voltage() > 0.65f)
            d.Next(0.0f);
        EXPECT_EQ(0.0f, d.Next(0.0f));
    }
}
