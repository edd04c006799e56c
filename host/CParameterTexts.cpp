#include "CParameterTexts.h"

#include "CProgramBank.h"
#include "NumberText.h"
#include "PanelCodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const char* const kParameterNames[kNumParams] = {
    "Program", "Mode",          "Volume",       "Balance", "Octave",  "Tune",    "Sound", "Attack",
    "Decay",   "Sustain level", "Sustain time", "Release", "Vibrato", "Tremolo", "Tempo",
};
// The display's widths: the names' and the sounds'.
constexpr std::size_t kNameWidth = 13;
constexpr std::size_t kSoundWidth = 9;

const char* const kModeLabels[] = {"Play", "Rec", "Cal", "Off"};
const char* const kOctaveLabels[] = {"Low", "Middle", "High"};
const char* const kSoundLabels[] = {
    "Piano", "Fantasy", "Violin", "Flute", "Guitar 1", "Guitar 2", "Horn", "Electro 1", "Electro 2", "Electro 3",
};
// The envelope's, vibrato's and tremolo's ten steps, and the tempo's nineteen.
const char* const kDigitLabels[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
const char* const kTempoLabels[] = {"-9", "-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1", "0",
                                    "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9"};

template <std::size_t N>
constexpr int countOf(const char* const (&)[N])
{
    return static_cast<int>(N);
}

int stepOf(float value, float steps)
{
    return static_cast<int>(std::floor(value * steps));
}

// text centred in width characters, the odd space on the right.
void centred(const char* text, std::size_t width, char* out)
{
    const std::size_t length = std::min(std::strlen(text), width);
    const std::size_t left = (width - length) / 2;
    std::memset(out, ' ', width);
    std::memcpy(out + left, text, length);
    out[width] = '\0';
}

// Built once: the program names come from the program bank, the sound
// parameters' start-up values from the first built-in program.
struct FactsTable {
    ParameterFacts facts[kNumParams];
    const char* programNames[kNumPrograms];

    FactsTable()
    {
        for (int p = 0; p < kNumPrograms; ++p)
            programNames[p] = CProgramBank::builtInName(p);
        for (int i = 0; i < kNumParams; ++i)
            facts[i] = {kParameterNames[i], CProgramBank::builtInValue(0, i), 0, nullptr, "", true};
        facts[kParamVolume].defaultValue = 0.8f;
        facts[kParamBalance].defaultValue = 0.5f;
        facts[kParamOctave].defaultValue = 0.51f;
        facts[kParamTune].defaultValue = 0.5f;
        facts[kParamTempo].defaultValue = 0.725f;
        facts[kParamVolume].unit = "dB";
        facts[kParamBalance].unit = "%";
        facts[kParamTune].unit = "%";
        positions(kParamProgram, programNames, kNumPrograms);
        positions(kParamMode, kModeLabels, countOf(kModeLabels));
        positions(kParamOctave, kOctaveLabels, countOf(kOctaveLabels));
        positions(kParamSound, kSoundLabels, countOf(kSoundLabels));
        for (int i = kParamAttack; i <= kParamTremolo; ++i)
            positions(i, kDigitLabels, countOf(kDigitLabels));
        positions(kParamTempo, kTempoLabels, countOf(kTempoLabels));
    }

    void positions(int index, const char* const* labels, int count)
    {
        facts[index].steps = count;
        facts[index].positionLabels = labels;
    }
};

const FactsTable& factsTable()
{
    static const FactsTable table;
    return table;
}

} // namespace

void CParameterTexts::name(std::int32_t index, char* text)
{
    if (index >= 0 && index < kNumParams)
        centred(kParameterNames[index], kNameWidth, text);
    else
        std::strcpy(text, "");
}

void CParameterTexts::label(std::int32_t index, char* text)
{
    std::strcpy(text, index >= 0 && index < kNumParams ? factsTable().facts[index].unit : "");
}

void CParameterTexts::display(std::int32_t index, float v, char* text)
{
    switch (index) {
    case kParamProgram:
        std::strcpy(text, CProgramBank::builtInName(std::min(stepOf(v, 5.0f), kNumPrograms - 1)));
        break;
    case kParamMode:
        std::strcpy(text, kModeLabels[v < 0.33333334f ? 0 : v < 0.6666667f ? 1 : v < 1.0f ? 2 : 3]);
        break;
    case kParamVolume:
        numbertext::dB2string(v, text);
        break;
    case kParamBalance:
    case kParamTune:
        numbertext::float2string((v - 0.5f) * 100.0f, text);
        break;
    case kParamOctave:
        std::strcpy(text, kOctaveLabels[v < 0.5f ? 0 : v < 1.0f ? 1 : 2]);
        break;
    case kParamSound:
        centred(kSoundLabels[std::min(static_cast<int>(10.0f * v), 9)], kSoundWidth, text);
        break;
    case kParamTempo:
        numbertext::long2string(std::min(stepOf(v, 18.0f), 18) - 9, text);
        break;
    default:
        if (index > kParamSound && index < kParamTempo)
            numbertext::long2string(std::min(stepOf(v, 9.0f), 9), text);
        else
            std::strcpy(text, "");
        break;
    }
}

const ParameterFacts* CParameterTexts::facts(std::int32_t index)
{
    return index >= 0 && index < kNumParams ? &factsTable().facts[index] : nullptr;
}
