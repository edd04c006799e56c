// The parameter facts a front hands its host (CInstrument::parameterFacts)
// against what the VST 2 plug-in shows for the same parameter: its name, unit,
// start-up value, the texts its display steps through and automation.
#include "CParameterTexts.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The distinct texts the display reads from 0 to 1, in order, on a grid that
// holds every boundary of a division into 2, 3, 5, 9, 10 or 18.
std::vector<std::string> displayTexts(int index)
{
    constexpr int kGrid = 3600;
    std::vector<std::string> texts;
    for (int i = 0; i <= kGrid; ++i) {
        char text[CInstrument::kTextSize] = {};
        CParameterTexts::display(index, static_cast<float>(i) / kGrid, text);
        if (texts.empty() || texts.back() != trimmed(text))
            texts.push_back(trimmed(text));
    }
    return texts;
}

class ParameterFactsTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { instance.process(0); }

    std::string shown(VstInt32 opcode, VstInt32 index)
    {
        char text[64] = {};
        instance.plugin->dispatcher(opcode, index, 0, text, 0.0f);
        return text;
    }

    testhost::Instance instance;
};

TEST_P(ParameterFactsTest, AgreeWithWhatTheHostIsShown)
{
    const int index = GetParam();
    const ParameterFacts* facts = instance.quibo.parameterFacts(index);
    ASSERT_NE(nullptr, facts);
    EXPECT_EQ(trimmed(shown(effGetParamName, index)), facts->name);
    EXPECT_EQ(shown(effGetParamLabel, index), facts->unit);
    EXPECT_EQ(instance.plugin->getParameter(index), facts->defaultValue);
    EXPECT_EQ(instance.plugin->dispatcher(effCanBeAutomated, index, 0, nullptr, 0.0f) == 1, facts->automatable);
}

// A stepping parameter's display reads exactly its labels, in order, and each
// even step set through the host reads its own label; a continuous one reads
// far more texts than any stepping one has.
TEST_P(ParameterFactsTest, StepsAndLabelsAreWhatTheDisplayReads)
{
    const int index = GetParam();
    const ParameterFacts& facts = *instance.quibo.parameterFacts(index);
    const std::vector<std::string> texts = displayTexts(index);
    if (facts.steps == 0) {
        EXPECT_EQ(nullptr, facts.positionLabels);
        EXPECT_GT(texts.size(), 100u);
        return;
    }
    ASSERT_NE(nullptr, facts.positionLabels);
    ASSERT_EQ(static_cast<std::size_t>(facts.steps), texts.size());
    for (int k = 0; k < facts.steps; ++k) {
        EXPECT_EQ(texts[static_cast<std::size_t>(k)], facts.positionLabels[k]) << k;
        instance.plugin->setParameter(index, static_cast<float>(k) / static_cast<float>(facts.steps - 1));
        instance.process(0);
        EXPECT_EQ(facts.positionLabels[k], trimmed(shown(effGetParamDisplay, index))) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryParameter, ParameterFactsTest, ::testing::Range(0, kNumParams));

TEST(ParameterFactsTableTest, OutOfRangeHasNoneAndTheProgramsAreTheFactoryOnes)
{
    testhost::Instance instance;
    for (int index : {-1, kNumParams, static_cast<int>(KeyReset)})
        EXPECT_EQ(nullptr, instance.quibo.parameterFacts(index)) << index;
    const ParameterFacts& program = *instance.quibo.parameterFacts(kParamProgram);
    ASSERT_EQ(kNumPrograms, program.steps);
    for (int p = 0; p < kNumPrograms; ++p) {
        char name[CInstrument::kTextSize] = {};
        ASSERT_TRUE(instance.quibo.getProgramNameIndexed(p, name));
        EXPECT_EQ(trimmed(name), program.positionLabels[p]) << p;
        EXPECT_STREQ(instance.quibo.factoryProgramName(p), program.positionLabels[p]) << p;
    }
}

} // namespace
