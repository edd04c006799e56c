#include "CMidiProgramNames.h"

#include "CInstrument.h"
#include "PanelCodes.h"
#include "TextField.h"

#include <algorithm>
#include <cmath>

namespace {

void fillMidiProgramName(MidiProgramName* record, const char* name, int program)
{
    copyText(record->name, name, sizeof record->name);
    record->midiProgram = static_cast<char>(program);
    record->midiBankMsb = -1;
    record->midiBankLsb = -1;
    record->reserved = 0;
    record->parentCategoryIndex = -1;
    record->flags = 0;
}

} // namespace

VstInt32 CMidiProgramNames::programName(VstInt32 channel, MidiProgramName* record)
{
    if (record == nullptr)
        return 0;
    const VstInt32 index = record->thisProgramIndex;
    if (channel == 0 && index >= 0 && index < kNumPrograms) {
        fillMidiProgramName(record, m_instrument.factoryProgramName(index), index);
        return kNumPrograms;
    }
    if (channel == 9 && index == 0) {
        fillMidiProgramName(record, "Rhythm", 0);
        return 1;
    }
    return 0;
}

VstInt32 CMidiProgramNames::currentProgram(VstInt32 channel, MidiProgramName* record)
{
    if (record == nullptr)
        return 0;
    const float programValue = m_instrument.getParameter(kParamProgram);
    const VstInt32 index = std::min(static_cast<VstInt32>(std::floor(programValue * 5.0f)), kNumPrograms - 1);
    record->thisProgramIndex = index;
    return programName(channel, record) != 0 ? index : 0;
}

bool CMidiProgramNames::keyName(VstInt32 channel, MidiKeyName* keyName)
{
    if (keyName == nullptr || channel != 9 || keyName->thisProgramIndex != 0)
        return false;
    const char* name = "";
    if (keyName->thisKeyNumber == 60)
        name = "Low bleep";
    else if (keyName->thisKeyNumber == 62)
        name = "High bleep";
    else if (keyName->thisKeyNumber == 64)
        name = "Noise";
    copyText(keyName->keyName, name, sizeof keyName->keyName);
    return true;
}
