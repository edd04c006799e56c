#include "CEnvelope.h"
#include "CLevelDetector.h"
#include "CLfo.h"
#include "CRamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
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

namespace {

struct Rows {
    float attack, decay, sustainLevel, sustainTime, release;
};

CEnvelope envelopeWith(const Rows& rows)
{
    CEnvelope e;
    e.SetStageIndex(CEnvelope::kIndexAttack, rows.attack);
    e.SetStageIndex(CEnvelope::kIndexDecay, rows.decay);
    e.SetStageIndex(CEnvelope::kIndexSustainLevel, rows.sustainLevel);
    e.SetStageIndex(CEnvelope::kIndexSustainTime, rows.sustainTime);
    e.SetStageIndex(CEnvelope::kIndexRelease, rows.release);
    return e;
}

int levelOf(float gain)
{
    return static_cast<int>(std::lround(gain * 15.0f));
}

// Calls until the envelope leaves the stage it is in (at most a minute).
int callsUntilStageEnds(CEnvelope& e)
{
    const int stage = e.Stage();
    int calls = 0;
    while (e.Stage() == stage && calls < 60 * 44100) {
        e.Next();
        ++calls;
    }
    return calls;
}

} // namespace

// Every row of the five stage tables as a listener meets it at 44100 Hz: the
// level a stage starts from or settles at, and how many samples it lasts. A
// row of u time units lasts about u x 529.2 samples; the output moves only
// every 531 samples, so the counts fall on that grid.
TEST(EnvelopeTables, EveryRowInSamples)
{
    // Attack row r alone (then a held sustain): start level and length.
    const std::pair<int, int> attack[11] = {{15, 793}, {11, 531},  {7, 2118},  {5, 3706},  {4, 5293}, {4, 6880},
                                            {3, 8469}, {3, 10058}, {3, 11642}, {3, 13233}, {2, 14818}};
    // Decay row r from level 15 down to sustain level 1 (row 0 is never a stage).
    const int decay[11] = {0, 4248, 8496, 12744, 18054, 22302, 27081, 30798, 36108, 40356, 45135};
    // The level at which the sustain starts, straight after an instant attack.
    const int sustainLevel[11] = {1, 2, 4, 6, 8, 10, 12, 13, 14, 15, 15};
    // Sustain time row r from level 15 until the note ends (-1: held).
    const int sustainTime[11] = {2, 39294, 76464, 114165, 154521, 192753, 230454, 268155, 304794, -1, -1};
    // Release row r from level 15 until silence.
    const int release[11] = {3, 13806, 25488, 38763, 50976, 61596, 75402, 88677, 102483, 115227, 127971};
    for (int row = 0; row <= 10; ++row) {
        const float r = static_cast<float>(row);
        CEnvelope a = envelopeWith({r, 0, 10, 10, 0});
        a.GateOn();
        EXPECT_EQ(attack[row].first, levelOf(a.Next())) << "attack row " << row;
        EXPECT_EQ(attack[row].second, 1 + callsUntilStageEnds(a)) << "attack row " << row;

        if (row > 0) {
            CEnvelope d = envelopeWith({0, r, 0, 10, 0});
            d.GateOn();
            callsUntilStageEnds(d);
            ASSERT_EQ(CEnvelope::kDecay, d.Stage());
            EXPECT_EQ(decay[row], callsUntilStageEnds(d)) << "decay row " << row;
            EXPECT_EQ(CEnvelope::kSustain, d.Stage());
        }

        CEnvelope s = envelopeWith({0, 0, r, 10, 0});
        s.GateOn();
        float gain = 0.0f;
        while (s.Stage() == CEnvelope::kAttack)
            gain = s.Next();
        EXPECT_EQ(sustainLevel[row], levelOf(s.Next())) << "sustain level row " << row;

        CEnvelope t = envelopeWith({0, 0, 10, r, 0});
        t.GateOn();
        callsUntilStageEnds(t);
        ASSERT_EQ(CEnvelope::kSustain, t.Stage());
        const int held = callsUntilStageEnds(t);
        EXPECT_EQ(sustainTime[row], t.Stage() == CEnvelope::kSustain ? -1 : held) << "sustain time row " << row;

        CEnvelope e = envelopeWith({0, 0, 10, 10, r});
        e.GateOn();
        for (int i = 0; i < 2000; ++i)
            gain = e.Next();
        ASSERT_EQ(15, levelOf(gain));
        e.GateOff();
        EXPECT_EQ(release[row], callsUntilStageEnds(e)) << "release row " << row;
        EXPECT_EQ(CEnvelope::kIdle, e.Stage());
    }
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

namespace {

// Parameter values from 1e-9 up to 1, 24 to a decade, and 0.
std::vector<float> tinyToOneValues()
{
    std::vector<float> values = {0.0f};
    for (int i = -9 * 24; i <= 0; ++i)
        values.push_back(static_cast<float>(std::pow(10.0, i / 24.0)));
    return values;
}

} // namespace

TEST(Lfo, StaysBoundedAtEveryValueAndSupportedRate)
{
    struct Modulation {
        float multiplier, hz; // calls per sample; frequency at value 0.1
    };
    for (const Modulation m : {Modulation{16.0f, 15.0f}, Modulation{1.0f, 35.0f}}) {
        for (const float rate : {1000.0f, 8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 1e6f}) {
            for (const float value : tinyToOneValues()) {
                if (value == 0.0f)
                    continue;
                CLfo lfo(m.multiplier, 0.0f);
                lfo.setSampleRate(rate);
                lfo.SetFrequency(m.hz / (10.0f * value));
                lfo.running = true;
                float peak = 0.0f;
                for (int i = 0; i < 20000; ++i) {
                    const float x = lfo.Next();
                    peak = std::isfinite(x) ? std::max(peak, std::fabs(x)) : std::numeric_limits<float>::infinity();
                }
                ASSERT_LE(peak, 1.25f) << "rate " << rate << " multiplier " << m.multiplier << " value " << value;
            }
        }
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
            lfo.running = true;
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

TEST(LevelDetector, RecoversFromANonFiniteOrHugeLevel)
{
    for (const float bad : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::infinity(), 1e30f}) {
        CLevelDetector d;
        for (int i = 0; i < 100; ++i)
            d.Next(1.0f);
        const float hit = d.Next(bad);
        EXPECT_TRUE(std::isfinite(hit)) << bad;
        float gain = 0.0f;
        for (int i = 0; i < 44100; ++i) {
            gain = d.Next(1.0f);
            ASSERT_TRUE(std::isfinite(gain)) << bad << " sample " << i;
        }
        EXPECT_NEAR(3.40f, gain, 0.01f) << bad;
    }
}
