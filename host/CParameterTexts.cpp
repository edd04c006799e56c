#include "CParameterTexts.h"

#include "CProgramBank.h"
#include "NumberText.h"
#include "PanelCodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const char* const kParameterNames[kNumParams] = {
    "   Program   ", "    Mode     ", "   Volume    ", "   Balance   ", "   Octave    ",
    "    Tune     ", "    Sound    ", "   Attack    ", "    Decay    ", "Sustain level",
    "Sustain time ", "   Release   ", "   Vibrato   ", "   Tremolo   ", "    Tempo    ",
};

const char* const kSoundNames[10] = {
    "  Piano  ", " Fantasy ", " Violin  ", "  Flute  ", "Guitar 1 ",
    "Guitar 2 ", "  Horn   ", "Electro 1", "Electro 2", "Electro 3",
};

int stepOf(float value, float steps)
{
    return static_cast<int>(std::floor(value * steps));
}

} // namespace

void CParameterTexts::name(std::int32_t index, char* text)
{
    std::strcpy(text, index >= 0 && index < kNumParams ? kParameterNames[index] : "");
}

void CParameterTexts::label(std::int32_t index, char* text)
{
    if (index == kParamVolume)
        std::strcpy(text, "dB");
    else if (index == kParamBalance || index == kParamTune)
        std::strcpy(text, "%");
    else
        std::strcpy(text, "");
}

void CParameterTexts::display(std::int32_t index, float v, char* text)
{
    switch (index) {
    case kParamProgram:
        std::strcpy(text, CProgramBank::builtInName(std::min(stepOf(v, 5.0f), kNumPrograms - 1)));
        break;
    case kParamMode:
        std::strcpy(text, v < 0.33333334f ? "Play" : v < 0.6666667f ? "Rec" : v < 1.0f ? "Cal" : "Off");
        break;
    case kParamVolume:
        numbertext::dB2string(v, text);
        break;
    case kParamBalance:
    case kParamTune:
        numbertext::float2string((v - 0.5f) * 100.0f, text);
        break;
    case kParamOctave:
        std::strcpy(text, v < 0.5f ? "Low" : v < 1.0f ? "Middle" : "High");
        break;
    case kParamSound:
        std::strcpy(text, kSoundNames[std::min(static_cast<int>(10.0f * v), 9)]);
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
