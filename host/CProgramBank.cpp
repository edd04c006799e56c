#include "CProgramBank.h"

#include "CCalculator.h"
#include "TextField.h"

#include <cstring>

namespace {

struct BuiltInProgram {
    const char* name;
    float sound[8];
};

// Sound, Attack, Decay, Sustain level, Sustain time, Release, Vibrato, Tremolo.
const BuiltInProgram kBuiltInPrograms[kNumPrograms] = {
    {"Piano", {0.0f, 0.0f, 0.4f, 0.5f, 0.3f, 0.2f, 0.0f, 0.0f}},
    {"Fantasy", {0.1f, 0.0f, 0.0f, 0.9f, 0.9f, 0.6f, 0.3f, 0.0f}},
    {"Violin", {0.2f, 0.3f, 0.0f, 0.9f, 0.9f, 0.1f, 0.3f, 0.0f}},
    {"Flute", {0.3f, 0.3f, 0.0f, 0.9f, 0.9f, 0.1f, 0.3f, 0.0f}},
    {"Guitar", {0.4f, 0.1f, 0.0f, 0.7f, 0.1f, 0.2f, 0.0f, 0.0f}},
    {"ADSR", {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}},
};

} // namespace

CProgramBank::CProgramBank()
{
    for (ProgramRecord& record : m_records) {
        std::memset(&record, 0, sizeof record);
        copyText(record.name, "Default", sizeof record.name);
        record.marker = ProgramRecord::kMarker;
    }
}

void CProgramBank::fillBuiltIn()
{
    for (int p = 0; p < kNumPrograms; ++p) {
        copyText(m_records[p].name, kBuiltInPrograms[p].name, sizeof m_records[p].name);
        for (int i = 0; i < 8; ++i)
            m_records[p].values[kFirstSoundParam + i] = kBuiltInPrograms[p].sound[i];
    }
}

void CProgramBank::rebuildUserProgram(const CCalculator& calculator)
{
    float values[8] = {};
    if (calculator.memoryNonZero()) {
        // Walk the digits from the last one back, the point removed, at most
        // eight of them, up to the first character that is not a digit.
        char digits[CalcNumber::kTextSize];
        int length = 0;
        for (const char* c = calculator.memoryText(); *c != '\0' && length < CalcNumber::kMaxLength; ++c) {
            if (*c != '.')
                digits[length++] = *c;
        }
        for (int taken = 0; taken < 8 && length - 1 - taken >= 0; ++taken) {
            const char c = digits[length - 1 - taken];
            if (c < '0' || c > '9')
                break;
            values[7 - taken] = static_cast<float>(c - '0') * 0.1f;
        }
    }
    ProgramRecord& record = m_records[kUserProgram];
    copyText(record.name, "ADSR", sizeof record.name);
    for (int i = 0; i < 8; ++i)
        record.values[kFirstSoundParam + i] = values[i];
}

const char* CProgramBank::builtInName(int program)
{
    return program >= 0 && program < kNumPrograms ? kBuiltInPrograms[program].name : "";
}

float CProgramBank::builtInValue(int program, int index)
{
    const bool sound = index >= kFirstSoundParam && index <= kLastSoundParam;
    return program >= 0 && program < kNumPrograms && sound ? kBuiltInPrograms[program].sound[index - kFirstSoundParam]
                                                           : 0.0f;
}
